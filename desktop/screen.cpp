#include "desktop/screen.h"

ScreenDimensions ScreenSize;
ScreenPoint BoardOrigin;
ScreenRect VirtualDesk;
