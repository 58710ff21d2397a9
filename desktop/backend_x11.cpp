#include "desktop/platform.h"
#include "desktop/virtual_desktop.h"
// (to be written)
const DesktopBackend& nativeDesktop() { return virtualDesktop(); }
