#pragma once
// Finds the drawing page's board on screen by its grey top edge under white.

#include <cstdint>

// Writes the board's top-left drawing pixel and returns true, or returns false and
// leaves x and y alone.
bool locateBoard(int32_t& x, int32_t& y);

// The same, also giving how long the edge's run is from x on (at least 280, up to
// the band's right end).
bool locateBoardEdge(int32_t& x, int32_t& y, int32_t& run);

// The rows the edge is looked for in: the locator finds a board only when its edge
// lies between these.
inline constexpr int32_t boardEdgeFirstRow = 200;
inline constexpr int32_t boardEdgeLastRow = 399;
