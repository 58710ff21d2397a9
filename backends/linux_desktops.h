#pragma once
// The two Linux desktops in one binary; nativeDesktop() picks one at run time.

#include "desktop/platform.h"

const DesktopBackend& x11Desktop();
const DesktopBackend& waylandDesktop();
