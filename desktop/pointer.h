#pragma once
// The two gestures the program draws with, sent as absolute left-button input.

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

// Input records the gestures have sent since the process started.
int64_t sentInputRecords();

// Press and release at one pixel, each record followed by a 1 ms pause.
void clickAt(int32_t x, int32_t y);

// The same, on the slider that sets one channel (0..2) of the pen: the pointer
// keeps track of the pen so that gestures the page missed are sent again with it.
void clickPenSlider(int32_t channel, int32_t x, int32_t y);

// Press at one pixel and release at another: a straight line on the page.
void strokeBetween(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
