#pragma once
// Where the board went while the page was away, and whether what is seen there is
// the same page at the same scale. A page's edge may be any length from 280 pixels
// on, so the page seen again is compared with the edge it showed when its board
// was found, never with the board's width.

#include <cstdint>

// Where the board's edge is now, if it is seen somewhere else than BoardOrigin:
// where the locator looks, then, with anywhere, over the whole desktop (offBand).
// x and y are the board's top-left drawing pixel, run the edge's run from x on.
bool boardSeenElsewhere(bool anywhere, int32_t& x, int32_t& y, int32_t& run, bool& offBand);

// The page's scale in percent at the edge through (edgeX, edgeRow), against the
// edge of foundLength pixels seen when the board was found: 100 when it is as
// long, or cut short by a monitor's right side (a window moved part way past it).
// Never 100 otherwise: a page zoomed meanwhile, or one whose edge a window covers
// in part, is not known to be the board.
int32_t scaleSeenAt(int32_t edgeX, int32_t edgeRow, int32_t foundLength);

// The scale of a page zoomed out meanwhile, whose edge is too short for the
// locator, against foundLength: 100 when no grey-under-white line of a zoomed-out
// board is where the board is looked for (with anywhere, anywhere on the desktop).
int32_t scaleOfShortEdge(bool anywhere, int32_t foundLength);
