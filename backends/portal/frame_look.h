#pragma once
// A look at part of the screen as it was at one moment, from a screen cast whose
// frames come late and only when the screen changes. What the screen showed at
// that moment lies between the last frame made before it (which may still be on
// its way) and the first made after (which may already show a later change): a
// look is decided once the first frame after has come, or once none has come for
// a while (nothing changed), and any pixel that differs between the two reads as
// invalidColour, so a window that came or went around that moment is never taken
// for the page.

#include "backends/portal/frame_mapping.h"

#include <cstdint>
#include <vector>

struct FrameLook {
    bool active = false;
    int64_t sinceNs = 0;  // the moment, on the monotonic clock
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool haveBefore = false;
    bool haveAfter = false;
    std::vector<uint32_t> before;  // the rectangle in the newest frame made by the moment
    std::vector<uint32_t> after;   // and in the first frame made after it
};

// Starts a look at a rectangle of a screen screenWidth x screenHeight; false (and
// no look) for an empty or oversized rectangle.
bool startFrameLook(FrameLook& look, int64_t sinceNs, int32_t screenWidth, int32_t screenHeight, int32_t left,
                    int32_t top, int32_t width, int32_t height);

// Takes in a frame made at shownNs. Frames come in the order they were made.
void lookSeesFrame(FrameLook& look, const FrameView& frame, int64_t shownNs);

// Whether the look is decided at nowNs, when quietNs without a frame after the
// moment means the screen did not change.
bool frameLookDecided(const FrameLook& look, int64_t nowNs, int64_t quietNs);

// The rectangle as the look saw it (rows top first), width x height values.
void frameLookResult(const FrameLook& look, uint32_t* out);
