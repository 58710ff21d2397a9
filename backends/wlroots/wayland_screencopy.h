#pragma once
// Screen reads on Wayland: the compositor copies a rectangle of the output into a
// buffer of ours, with the next frame it shows (about 16 ms at 60 Hz, whatever
// the size). A copy is started and then polled, so a caller with other work to do
// (pacing input) never waits for a frame; captureWaylandScreen waits for one.

#include <cstdint>

enum class ScreenCopyState {
    Idle,     // no copy under way
    Pending,  // asked for; the frame has not come yet
    Ready,    // done: the pixels were written out
    Failed,   // the compositor could not copy it (out is untouched)
};

// Starts a copy of the rectangle (screen pixels; parts off the screen read as
// invalidColour), leaving the pointer where it is. Any copy under way is dropped.
// False when no copy can be made (no connection, no memory, a rectangle beyond
// 16384 on a side).
bool beginScreenCopy(int32_t left, int32_t top, int32_t width, int32_t height);

// Never waits: handles what the compositor has sent so far. Once the copy is
// done, writes its width x height pixels (0x00BBGGRR, rows top first) to out and
// says Ready, or says Failed; after that, Idle until the next begin.
ScreenCopyState screenCopyReady(uint32_t* out);

// Drops a copy under way; its frame is discarded when it comes.
void cancelScreenCopy();

// The one-shot read behind captureScreen: moves the pointer clear of the
// rectangle, starts a copy and waits for it (at most two seconds; unread pixels
// stay invalidColour).
void captureWaylandScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out);

// How many of the output's own pixels the last copy had for each of the screen
// pixels it gave, in percent: 100 on an unscaled output, 150 on one scaled by
// 1.5, where every screen pixel read is one of a block. 0 before any copy.
int32_t screenCopyScalePercent();

// Lets go of the copy buffer; on closing the connection.
void releaseScreenCopies();
