#pragma once
// The drawing page's geometry, all that scrivdraw relies on of it, in one place:
// a 300 x 300 board two rows below a grey line under white, and three colour
// sliders at fixed offsets to its right. Positions are offsets from the board's
// top-left drawing pixel. Everything else about a page (its line's length beyond
// the shortest, a frame, how the sliders are drawn) is the page's own.

#include <algorithm>
#include <cstdint>

// The board: columns and rows 0..299.
inline constexpr int32_t boardSide = 300;

// The board's top edge: a run of grey pixels under white, at least this long,
// edgeGap rows above the board's first row and starting at its first column.
inline constexpr uint32_t edgeWhite = 0xFFFFFFu;
inline constexpr uint32_t edgeGrey = 0x999999u;
inline constexpr int32_t shortestEdge = 280;
inline constexpr int32_t edgeGap = 2;

// The sliders: red, green and blue, one row each, 52 positions from sliderLeft.
// Position p sets its channel to min(255, 5p), so value v sits at position v / 5
// and every value the page can hold has exactly one position.
inline constexpr int32_t sliderLeft = 365;
inline constexpr int32_t sliderPositions = 52;
inline constexpr int32_t sliderRows[3] = {172, 212, 252};

inline constexpr int32_t sliderValueAt(int64_t position)
{
    return static_cast<int32_t>(std::clamp<int64_t>(5 * position, 0, 255));
}
inline constexpr int32_t sliderPositionOf(int32_t channelValue) { return std::clamp(channelValue, 0, 255) / 5; }

// A pen or board colour as screens give it: 0x00BBGGRR.
inline constexpr uint32_t packColour(uint32_t red, uint32_t green, uint32_t blue)
{
    return (red & 0xFFu) | (green & 0xFFu) << 8 | (blue & 0xFFu) << 16;
}
