#pragma once
// One colour's strokes, allowed along rows, columns and the two 45-degree
// diagonals: on a diagonal every step moves one pixel in x and one in y, so any
// line algorithm marks the same pixels there, as on rows and columns. Rows and
// columns alone have an exact fewest cover (stroke_cover.h); with the diagonals
// the cover is chosen greedily, and the smaller of the two is taken.

#include <cstdint>
#include <vector>

struct LineStroke {
    int32_t x1 = 0;  // press
    int32_t y1 = 0;
    int32_t x2 = 0;  // release; the same pixel for a dot
    int32_t y2 = 0;
};

// pixels: the colour's board indexes (y * side + x), in row order. blocked: pixels
// a stroke must not cross. Every pixel is covered; no blocked pixel is crossed.
std::vector<LineStroke> coverWithLines(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked,
                                       int32_t side);

// The number of strokes coverWithLines would return, cheaper to ask.
int32_t lineCoverSize(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked, int32_t side);
