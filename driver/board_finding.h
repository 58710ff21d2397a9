#pragma once
// Finding the board before a run: where it is, how long its edge is (a hint of
// the page's scale, should it not draw as aimed), and, when it is not found, what
// was seen instead.

#include <cstdint>
#include <string>

struct FoundBoard {
    int32_t x = 0;  // the board's top-left drawing pixel
    int32_t y = 0;
    int32_t edgeRun = 0;  // the edge's run from x on, as the watchdog watches it
    int32_t edgeLength = 0;  // the whole edge, either way past the area looked in
};

// The board, or false with the one line (no line end) that says why not. With
// anywhere, a board outside the area the locator looks in is taken too.
bool findBoard(bool anywhere, FoundBoard& found, std::string& refusal);
