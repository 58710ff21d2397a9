#pragma once
// Finds the drawing page's board on screen by its grey top edge under white.

#include <cstdint>

// Writes the board's top-left drawing pixel and returns true, or returns false and
// leaves x and y alone.
bool locateBoard(int32_t& x, int32_t& y);
