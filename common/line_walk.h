#pragma once
// The line the drawing page paints between a press and its release: integer
// Bresenham, both ends included, walked from the press towards the release with
// one error term for all octants, step for step as page/scrivlet.js's paintLine.
// Where the error term ties, the step taken depends on the direction, so a line
// and its reverse can differ by a pixel: whatever stands in for the page (the
// model behind -preview, the Win32 page, -pace's copy of the board) walks it here
// and marks the same pixels the page does. tests/data/line-pixels.txt holds lines
// both this walk and the page's own are checked against.

#include <cstdint>

// Calls at(x, y) for each pixel of the line from (x0, y0) to (x1, y1), in order,
// until at returns true; whether it did. Coordinates within +-2^60 keep the error
// term in range.
template <typename At>
bool walkLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, At at)
{
    const int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    const int64_t sx = x0 < x1 ? 1 : -1;
    const int64_t sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        if (at(x0, y0))
            return true;
        if (x0 == x1 && y0 == y1)
            return false;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}
