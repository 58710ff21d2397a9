#pragma once
// The Linux desktops in one binary; nativeDesktop() picks one at run time.

#include "desktop/platform.h"

const DesktopBackend& x11Desktop();
const DesktopBackend& waylandDesktop();
// Built where GLib's D-Bus and PipeWire are (SCRIVDRAW_PORTAL).
const DesktopBackend& portalDesktop();
