#pragma once
// Where things are on the screen: shared by the pointer, the sliders, the locator
// and the drawing pass.

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
