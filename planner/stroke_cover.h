#pragma once
// The fewest strokes that cover one colour's pixels, each stroke along a row or a
// column. Every pixel lies on one row segment and one column segment (the stretches
// a stroke may run along), so the choice is a minimum vertex cover of a bipartite
// graph: pixels are its edges. König's theorem gives it from a maximum matching.

#include <cstdint>
#include <vector>

struct CoverStroke {
    bool alongRow = true;
    int32_t line = 0;  // the row (or column)
    int32_t from = 0;  // first and last position along it, both pixels of the colour
    int32_t to = 0;
};

// pixels: the colour's board indexes (y * side + x), in row order. blocked: pixels
// a stroke must not cross (finished in another colour, or not to be painted).
std::vector<CoverStroke> coverWithStrokes(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked,
                                          int32_t side);
