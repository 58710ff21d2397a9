// Which Linux desktop this run is on. A Wayland session says so in WAYLAND_DISPLAY,
// and there an X11 client can neither see nor click the page, so it is driven
// through the compositor's own protocols; everything else (an X11 session, or
// XWayland with only DISPLAY set) goes through X11 as ever.

#include "backends/linux_desktops.h"

#include <cstdlib>

const DesktopBackend& nativeDesktop()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0')
        return waylandDesktop();
    return x11Desktop();
}
