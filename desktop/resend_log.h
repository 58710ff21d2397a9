#pragma once
// The gestures sent that the page is not yet known to have had, oldest first, kept
// so that they can be sent again when it turns out the page was away.

#include <cstdint>
#include <vector>

inline constexpr int32_t boardGesture = -1;  // a gesture's channel when it is not a slider click

struct SentGesture {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // screen pixels, as sent
    int32_t channel = boardGesture;          // 0..2: a click that sets that channel of the pen
    int64_t number = 0;                      // counted from 0 since the process started
};

// Forgets everything, the pen included.
void clearResendLog();

void logSentGesture(const SentGesture& gesture);

// The gestures numbered below arrived reached the page: they leave the log, their
// slider clicks becoming the pen the page is known to hold.
void dropArrivedGestures(int64_t arrived);

// The page moved: everything kept moves with it.
void shiftResendLog(int32_t dx, int32_t dy);

// What to send so that the page ends as if every logged gesture had arrived once:
// the slider clicks that restore the pen the first of them were drawn with, where
// a later click may have changed it, then the gestures in order.
std::vector<SentGesture> gesturesToResend();
