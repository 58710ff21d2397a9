// Which Linux desktop this run is on. A Wayland session says so in WAYLAND_DISPLAY,
// and there an X11 client can neither see nor click the page, so it is driven
// through the compositor's own protocols (wlroots) or, where the compositor keeps
// them to itself (GNOME, KDE), through the desktop portal; everything else (an X11
// session, or XWayland with only DISPLAY set) goes through X11 as ever.

#include "backends/linux_desktops.h"
#include "backends/portal/desktop_choice.h"

const DesktopBackend& nativeDesktop()
{
    switch (chooseLinuxDesktop(probeLinuxSession())) {
    case LinuxDesktop::X11:
        return x11Desktop();
    case LinuxDesktop::Portal:
#ifdef SCRIVDRAW_PORTAL
        return portalDesktop();
#endif
    case LinuxDesktop::Wlroots:
        break;
    }
    return waylandDesktop();
}
