#include "backends/portal/desktop_choice.h"

#include <cstdlib>
#include <cstring>

#include <wayland-client.h>

namespace {

struct Offered {
    bool pointer = false;
    bool screencopy = false;
};

void onGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t version)
{
    auto* offered = static_cast<Offered*>(data);
    if (std::strcmp(interface, "zwlr_virtual_pointer_manager_v1") == 0)
        offered->pointer = true;
    // Version 2 copies a region, which the wlroots backend needs.
    else if (std::strcmp(interface, "zwlr_screencopy_manager_v1") == 0 && version >= 2)
        offered->screencopy = true;
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener listener = {onGlobal, onGlobalRemove};

}  // namespace

LinuxDesktop chooseLinuxDesktop(const LinuxSessionFacts& facts)
{
    if (!facts.waylandDisplay)
        return LinuxDesktop::X11;
    // A compositor that does not answer is the wlroots backend's to report.
    if (!facts.waylandConnects || facts.wlrootsProtocols)
        return LinuxDesktop::Wlroots;
    return LinuxDesktop::Portal;
}

LinuxSessionFacts probeLinuxSession()
{
    LinuxSessionFacts facts;
    const char* name = std::getenv("WAYLAND_DISPLAY");
    facts.waylandDisplay = name != nullptr && *name != '\0';
    if (!facts.waylandDisplay)
        return facts;
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return facts;
    Offered offered;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &offered);
    facts.waylandConnects = wl_display_roundtrip(display) >= 0;
    facts.wlrootsProtocols = offered.pointer && offered.screencopy;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return facts;
}

bool plasmaDesktop(const char* currentDesktop)
{
    if (currentDesktop == nullptr)
        return false;
    for (const char* name = currentDesktop;;) {
        const char* end = std::strchr(name, ':');
        const size_t length = end != nullptr ? size_t(end - name) : std::strlen(name);
        if (length == 3 && std::strncmp(name, "KDE", 3) == 0)
            return true;
        if (end == nullptr)
            return false;
        name = end + 1;
    }
}
