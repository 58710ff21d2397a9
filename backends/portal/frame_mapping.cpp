#include "backends/portal/frame_mapping.h"

#include "desktop/platform.h"

#include <algorithm>

namespace {

constexpr int32_t bytesPerPixel = 4;

uint32_t colourAt(const FrameView& frame, int32_t x, int32_t y)
{
    const uint8_t* p = frame.bytes + size_t(y) * size_t(frame.stride) + size_t(x) * bytesPerPixel;
    const uint32_t red = frame.order == PixelOrder::Bgrx ? p[2] : p[0];
    const uint32_t blue = frame.order == PixelOrder::Bgrx ? p[0] : p[2];
    return blue << 16 | uint32_t{p[1]} << 8 | red;
}

}  // namespace

bool frameFits(uint64_t capacity, uint64_t offset, uint64_t size, int32_t stride, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0 || stride <= 0 || width > 16384 || height > 16384)
        return false;
    if (offset > capacity || size > capacity - offset)
        return false;
    const uint64_t rowBytes = uint64_t(width) * bytesPerPixel;
    if (uint64_t(stride) < rowBytes)
        return false;
    // The last row need not be padded out to the stride.
    return uint64_t(stride) * uint64_t(height - 1) + rowBytes <= size;
}

int32_t framePixelOf(int32_t x, int32_t screenSize, int32_t frameSize)
{
    if (x < 0 || x >= screenSize || screenSize <= 0 || frameSize <= 0)
        return -1;
    return static_cast<int32_t>(int64_t{x} * frameSize / screenSize);
}

void copyScreenRectangle(const FrameView& frame, int32_t screenWidth, int32_t screenHeight, int32_t left,
                         int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    if (width <= 0 || height <= 0)
        return;
    std::fill(out, out + int64_t{width} * height, invalidColour);
    if (frame.bytes == nullptr || !frameFits(frame.size, 0, frame.size, frame.stride, frame.width, frame.height))
        return;
    for (int32_t row = 0; row < height; ++row) {
        const int32_t y = framePixelOf(static_cast<int32_t>(std::clamp<int64_t>(int64_t{top} + row, -1, INT32_MAX)),
                                       screenHeight, frame.height);
        if (y < 0)
            continue;
        uint32_t* line = out + int64_t{row} * width;
        for (int32_t column = 0; column < width; ++column) {
            const int32_t x = framePixelOf(
                static_cast<int32_t>(std::clamp<int64_t>(int64_t{left} + column, -1, INT32_MAX)), screenWidth,
                frame.width);
            if (x >= 0)
                line[column] = colourAt(frame, x, y);
        }
    }
}
