#pragma once
// The two gestures the program draws with, sent as absolute left-button input.
// Each passes the gesture pipeline (gesture_pipeline.cpp): the gates that may hold
// it (the first-stroke check, the pace, the page watchdog), the records, and what
// follows them (the pace's probes, the watchdog's look, the first-stroke check).

#include "desktop/board_reach.h"

#include <cstdint>

// Input records the gestures have sent since the process started.
int64_t sentInputRecords();

// Press and release at one pixel, each record followed by a 1 ms pause.
void clickAt(int32_t x, int32_t y);

// The same, on the slider that sets one channel (0..2) of the pen: the pointer
// keeps track of the pen so that gestures the page missed are sent again with it.
void clickPenSlider(int32_t channel, int32_t x, int32_t y);

// Press at one pixel and release at another: a straight line on the page.
void strokeBetween(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
