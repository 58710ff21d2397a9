#pragma once
// The page's pen colour, set by clicking its three colour sliders.

#include <cstdint>

// Clamps each channel into 0..255 and clicks the red, green and blue sliders, in
// that order, every time.
void setPenColour(int32_t first, int32_t second, int32_t third);

// A slider has 52 positions: value v sits at position v / 5, and position p sets
// min(255, 5p). So every value the page can hold has exactly one position.
inline constexpr int32_t sliderPositions = 52;
// How far right of the board's left side the sliders begin.
inline constexpr int32_t sliderLeftOffset = 365;
inline int32_t sliderPositionOf(uint32_t channelValue) { return channelValue >= 255 ? 51 : int32_t(channelValue / 5); }

// One click on a slider (0 red, 1 green, 2 blue) at a position 0..51.
void clickSliderPosition(int32_t channel, int32_t position);
