#pragma once
// Where a screen pixel is for absolute input: the normalised coordinate that lands
// on it, over the primary screen or the desktop's virtual screen, whichever reaches
// the board and its sliders.

#include <cstdint>

struct AbsolutePoint {
    int32_t ax = 0;
    int32_t ay = 0;
};

// Screen pixel to the normalised coordinate that lands on that pixel, scaled by
// ScreenSize, or over VirtualDesk where that is in use.
AbsolutePoint toAbsolute(int32_t x, int32_t y);

// Makes absolute input reach the whole board with its top-left drawing pixel at
// (x, y), and its sliders: scaled to ScreenSize where that reaches it (VirtualDesk
// cleared), else over the desktop's virtual screen where it has one and that
// reaches it. False, VirtualDesk unchanged, when neither does.
bool reachBoardAt(int32_t x, int32_t y);
