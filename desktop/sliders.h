#pragma once
// The page's pen colour, set by clicking its three colour sliders.

#include "desktop/page_layout.h"

#include <cstdint>

// Clamps each channel into 0..255 and clicks the red, green and blue sliders, in
// that order, every time.
void setPenColour(int32_t first, int32_t second, int32_t third);


// One click on a slider (0 red, 1 green, 2 blue) at a position 0..51.
void clickSliderPosition(int32_t channel, int32_t position);
