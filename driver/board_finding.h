#pragma once
// Finding the board before a run: where it is, that it is shown one to one, and,
// when it is not found, what was seen instead.

#include <cstdint>
#include <string>

struct FoundBoard {
    int32_t x = 0;  // the board's top-left drawing pixel
    int32_t y = 0;
    int32_t edgeRun = 0;  // the edge's run from x on, as the watchdog watches it
};

// The board, or false with the one line (no line end) that says why not. With
// anywhere, a board outside the area the locator looks in is taken too.
bool findBoard(bool anywhere, FoundBoard& found, std::string& refusal);
