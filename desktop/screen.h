#pragma once
// Where things are on the screen: shared by the pointer, the sliders, the locator
// and the drawing pass.

#include "desktop/platform.h"

#include <cstdint>

struct ScreenDimensions {
    int32_t width = 0;
    int32_t height = 0;
};

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The size absolute pointer coordinates are scaled by.
extern ScreenDimensions ScreenSize;
// The screen position of the board's top-left drawing pixel.
extern ScreenPoint BoardOrigin;
// Where absolute input is normalised over the virtual screen (every monitor, with
// mouseVirtualDesk) instead of ScreenSize from the primary's top-left: its
// rectangle; width 0 when not, as in every run that finds the board where the
// primary screen's mapping reaches it.
extern ScreenRect VirtualDesk;
