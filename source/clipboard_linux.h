#pragma once
// The Linux desktops' clipboards behind readClipboardPicture: a wlroots
// compositor's data-control protocol, and the X11 CLIPBOARD selection (an X
// session, or XWayland beside a compositor without data-control).

#include "source/picture_bytes.h"

#include <cstdint>
#include <string>

enum class WaylandClipboard {
    Read,           // the compositor answered: reason is empty, or why no picture came
    NoDataControl,  // the compositor lets no program without a window read it
    NoCompositor,   // WAYLAND_DISPLAY names no compositor that answers
};

// Through the compositor WAYLAND_DISPLAY names; waits at most waitMs in all.
WaylandClipboard readWaylandClipboard(PictureBytes& bytes, int32_t waitMs, std::string& reason);

// Through the X display DISPLAY names. Empty text, or the sentence saying why not.
std::string readX11Clipboard(PictureBytes& bytes, int32_t waitMs);
