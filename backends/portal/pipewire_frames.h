#pragma once
// The screen as a screen cast shows it: a PipeWire stream of frames, taken in on
// PipeWire's own thread. The newest frame is kept (its buffer held back from the
// compositor until a newer one comes), so a screen read is a copy from memory.
// Compositors send a frame only when the screen changes, some time after it.

#include "backends/portal/frame_look.h"

#include <cstdint>
#include <functional>

// Connects to the stream's node: through fd, a PipeWire connection the portal
// opened for this session (taken over, closed here), or, with fd -1, through the
// user's PipeWire daemon. False when that fails.
bool openFrameStream(int fd, uint32_t node);
void closeFrameStream();

struct FrameStamp {
    uint64_t count = 0;  // frames with a picture taken in so far; 0: none yet
    int64_t shownNs = 0; // when the newest was made, on the monotonic clock
};

FrameStamp newestFrame();

// Waits until a frame made at or after sinceNs is in, at most until deadlineNs
// (both monotonic). False when the time ran out or the stream ended.
bool waitForFrameSince(int64_t sinceNs, int64_t deadlineNs);

// Copies a rectangle of the screen, screenWidth x screenHeight logical pixels, out
// of the newest frame (0x00BBGGRR, rows top first); invalidColour off the screen
// or before any frame. False when there was no frame.
bool copyFromNewestFrame(int32_t screenWidth, int32_t screenHeight, int32_t left, int32_t top, int32_t width,
                         int32_t height, uint32_t* out);

// The frames' size in pixels, as negotiated; 0 x 0 before.
void frameSize(int32_t& width, int32_t& height);

// Whether the stream has ended (the compositor stopped the screen cast).
bool frameStreamEnded();

// Whether frames came but none could be read (all empty or marked corrupted).
bool framesUnreadable();

// Uses, under the frames' lock, the look that sees every frame as it comes
// (frame_look.h) and the newest frame (null before any); false without a stream.
bool withFrameLook(const std::function<void(FrameLook& look, const FrameView* newest, int64_t shownNs)>& use);
