#pragma once
// The page's pen colour, set by clicking its three colour sliders.

#include <cstdint>

// Clamps each channel into 0..255 and clicks the red, green and blue sliders, in
// that order, every time.
void setPenColour(int32_t first, int32_t second, int32_t third);
