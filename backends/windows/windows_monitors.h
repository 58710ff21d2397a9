#pragma once
// The Windows desktop's monitors and their scaling, for the board locator's words
// and -anywhere.

#include "desktop/platform.h"

#include <cstdint>

// The display's scaling in percent at a screen pixel: the DPI of the monitor that
// holds it where the system tells it, else the system's DPI; 0 when neither is.
int32_t windowsDisplayScale(int32_t x, int32_t y);

// The monitors on the virtual desktop, up to most of them; how many there are.
int32_t windowsMonitors(ScreenRect* out, int32_t most);

// The virtual screen: the rectangle around every monitor, in the coordinates whose
// 0,0 is the primary's top-left. The primary screen where the system does not tell.
ScreenRect windowsVirtualScreen();

// The same for absolute input flagged mouseVirtualDesk, which the system
// normalises over it: true with the rectangle.
bool windowsVirtualScreenArea(ScreenRect* out);
