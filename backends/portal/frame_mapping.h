#pragma once
// Screen reads from a screen cast: a frame in memory, as the stream hands it over,
// and the screen pixels taken from it. Frames are outside input: their sizes and
// strides are checked against the bytes there are before a byte is read.

#include <cstddef>
#include <cstdint>

enum class PixelOrder {
    Bgrx,  // bytes blue, green, red, unused (or alpha)
    Rgbx,  // bytes red, green, blue, unused (or alpha)
};

struct FrameView {
    const uint8_t* bytes = nullptr;  // the first row
    size_t size = 0;                 // bytes readable from there
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // bytes from one row to the next
    PixelOrder order = PixelOrder::Bgrx;
};

// Whether a frame of width x height four-byte pixels, rows stride apart, lies in
// the valid part of a buffer: size bytes from offset, in a buffer of capacity
// bytes. Nothing is accepted that would read outside it, however large the values.
bool frameFits(uint64_t capacity, uint64_t offset, uint64_t size, int32_t stride, int32_t width, int32_t height);

// The frame pixel that shows screen position x of a screen screenSize wide, when
// the frame is frameSize wide (scaled outputs give frames of more pixels than the
// screen has): floor(x * frameSize / screenSize); -1 off the screen.
int32_t framePixelOf(int32_t x, int32_t screenSize, int32_t frameSize);

// Copies a screen rectangle (rows top first, as 0x00BBGGRR) out of the frame that
// shows a screen of screenWidth x screenHeight; pixels off the screen read as
// invalidColour, and so does all of it when the frame does not fit its own sizes.
void copyScreenRectangle(const FrameView& frame, int32_t screenWidth, int32_t screenHeight, int32_t left,
                         int32_t top, int32_t width, int32_t height, uint32_t* out);
