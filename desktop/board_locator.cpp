#include "desktop/board_locator.h"

#include "desktop/page_layout.h"
#include "desktop/platform.h"

#include <memory>
#include <new>

namespace {
constexpr int32_t firstRow = boardEdgeFirstRow;
constexpr int32_t lastRow = boardEdgeLastRow;
constexpr int32_t firstColumn = 50;
constexpr int32_t lastColumn = 799;
constexpr int32_t runNeeded = shortestEdge;
constexpr int32_t edgeToOrigin = edgeGap;
constexpr uint32_t white = edgeWhite;
constexpr uint32_t grey = edgeGrey;
}

bool locateBoard(int32_t& x, int32_t& y)
{
    int32_t run = 0;
    return locateBoardEdge(x, y, run);
}

bool locateBoardEdge(int32_t& x, int32_t& y, int32_t& run)
{
    // One capture of the band and the row above it: reading the screen pixel by
    // pixel costs a round trip per pixel, 300,000 of them.
    constexpr int32_t columns = lastColumn - firstColumn + 1;
    constexpr int32_t rows = lastRow - firstRow + 2;
    std::unique_ptr<uint32_t[]> band(new (std::nothrow) uint32_t[size_t{columns} * rows]);
    if (!band)
        return false;
    captureScreen(firstColumn, firstRow - 1, columns, rows, band.get());

    for (int32_t r = firstRow; r <= lastRow; ++r) {
        const uint32_t* above = &band[size_t(r - 1 - (firstRow - 1)) * columns];
        const uint32_t* line = above + columns;
        int32_t length = 0;
        int32_t start = 0;
        for (int32_t c = 0; c < columns; ++c) {
            if (line[c] == grey && above[c] == white) {
                if (length == 0)
                    start = firstColumn + c;
                if (++length == runNeeded) {
                    // Found; the watchdog watches the whole run, so count it out.
                    while (c + 1 < columns && line[c + 1] == grey && above[c + 1] == white) {
                        ++c;
                        ++length;
                    }
                    x = start;
                    y = r + edgeToOrigin;
                    run = length;
                    return true;
                }
            } else {
                length = 0;
            }
        }
    }
    return false;
}
