#include "source/clipboard_linux.h"

#include "source/clipboard_picture.h"

#include <cstdlib>

namespace {

bool named(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::string readClipboardPicture(PictureBytes& bytes, int32_t waitMs)
{
    // A Wayland session's own clipboard first: XWayland's holds only what X
    // programs copied, or what the compositor chose to hand over.
    if (named("WAYLAND_DISPLAY")) {
        std::string reason;
        const WaylandClipboard access = readWaylandClipboard(bytes, waitMs, reason);
        if (access == WaylandClipboard::Read || named("DISPLAY"))
            return access == WaylandClipboard::Read ? reason : readX11Clipboard(bytes, waitMs);
        return access == WaylandClipboard::NoDataControl
                   ? "This desktop gives scrivdraw no clipboard (its compositor has no data-control, as GNOME's "
                     "has not, and there is no X display)."
                   : "The clipboard could not be reached (the Wayland display did not answer).";
    }
    if (!named("DISPLAY"))
        return "This desktop gives scrivdraw no clipboard (there is no X display).";
    return readX11Clipboard(bytes, waitMs);
}
