#pragma once
// What the board shows, as far as -pace knows: read once when the pace starts, then
// followed gesture by gesture with the pen each was drawn with. A gesture whose pen
// differs from what its pixel shows must change that pixel: that makes it a probe.

#include "desktop/page_layout.h"

#include <cstdint>

inline constexpr int32_t paceBoardSide = boardSide;

// Reads the board whose top-left pixel is at (left, top).
void readPaceBoard(int32_t left, int32_t top);
// A board pixel (board coordinates); invalidColour off the board or before a read.
uint32_t paceBoardPixel(int64_t x, int64_t y);
// The line the page paints from press to release (both ends), in colour.
void paintPaceBoardLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour);
// The first pixel of that line, from the press, that colour would change: false,
// and px and py untouched, where it changes none.
bool firstPixelToChange(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour, int64_t& px, int64_t& py);
// Whether that line passes the pixel (px, py).
bool lineCovers(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t px, int64_t py);
