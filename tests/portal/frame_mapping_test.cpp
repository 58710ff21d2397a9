#include "backends/portal/frame_mapping.h"

#include "desktop/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(FrameMapping, FramesMustFitTheirBuffer)
{
    struct Case {
        uint64_t capacity, offset, size;
        int32_t stride, width, height;
        bool fits;
    };
    const Case cases[] = {
        {1280 * 4 * 1024, 0, 1280 * 4 * 1024, 1280 * 4, 1280, 1024, true},
        // Padded rows; the last one need not be.
        {64 * 3, 0, 64 * 2 + 40, 64, 10, 3, true},
        {64 * 3, 0, 64 * 2 + 39, 64, 10, 3, false},
        // An offset into the buffer, with the valid part inside it or not.
        {1000, 100, 900, 40, 10, 22, true},
        {1000, 100, 901, 40, 10, 22, false},
        {1000, 1001, 0, 40, 10, 1, false},
        // A stride shorter than a row, none, or backwards.
        {1000, 0, 1000, 36, 10, 2, false},
        {1000, 0, 1000, 0, 10, 2, false},
        {1000, 0, 1000, -40, 10, 2, false},
        // Sizes from nowhere: empty, negative, huge, overflowing.
        {0, 0, 0, 4, 1, 1, false},
        {1000, 0, 1000, 40, 0, 2, false},
        {1000, 0, 1000, 40, 10, -2, false},
        {UINT64_MAX, 0, UINT64_MAX, INT32_MAX, 16384, 16384, true},
        {UINT64_MAX, 0, UINT64_MAX, INT32_MAX, 16385, 2, false},
        {UINT64_MAX, UINT64_MAX, 1, 4, 1, 1, false},
        {100, 50, UINT64_MAX, 4, 1, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frameFits(c.capacity, c.offset, c.size, c.stride, c.width, c.height), c.fits)
            << c.capacity << " " << c.offset << " " << c.size << " " << c.stride << " " << c.width << "x" << c.height;
}

TEST(FrameMapping, ScreenPixelsLandOnFramePixels)
{
    struct Case {
        int32_t x, screen, frame, pixel;
    };
    const Case cases[] = {
        {0, 1280, 1280, 0},      {1279, 1280, 1280, 1279}, {1280, 1280, 1280, -1}, {-1, 1280, 1280, -1},
        {640, 1280, 2560, 1280}, {1279, 1280, 2560, 2558}, {5, 10, 15, 7},         {9, 10, 15, 13},
        {0, 0, 100, -1},         {0, 100, 0, -1},          {INT32_MAX - 1, INT32_MAX, INT32_MAX, INT32_MAX - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(framePixelOf(c.x, c.screen, c.frame), c.pixel) << c.x << " of " << c.screen << " in " << c.frame;
}

// A 4 x 3 frame with padded rows; pixel (x, y) has red x*16+1, green y*16+2, blue 0x80.
std::vector<uint8_t> sampleFrame(PixelOrder order, int32_t stride)
{
    std::vector<uint8_t> bytes(size_t(stride) * 3, 0xEE);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            uint8_t* p = bytes.data() + y * stride + x * 4;
            const uint8_t red = uint8_t(x * 16 + 1), green = uint8_t(y * 16 + 2), blue = 0x80;
            p[0] = order == PixelOrder::Bgrx ? blue : red;
            p[1] = green;
            p[2] = order == PixelOrder::Bgrx ? red : blue;
            p[3] = 0xFF;
        }
    return bytes;
}

uint32_t expected(int32_t x, int32_t y) { return 0x800000u | uint32_t(y * 16 + 2) << 8 | uint32_t(x * 16 + 1); }

TEST(FrameMapping, RectanglesComeOutAsScreenColours)
{
    for (PixelOrder order : {PixelOrder::Bgrx, PixelOrder::Rgbx}) {
        const std::vector<uint8_t> bytes = sampleFrame(order, 20);
        const FrameView frame{bytes.data(), bytes.size(), 4, 3, 20, order};
        // The whole screen, and a rectangle hanging over its top-left corner.
        std::vector<uint32_t> out(12);
        copyScreenRectangle(frame, 4, 3, 0, 0, 4, 3, out.data());
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x)
                EXPECT_EQ(out[y * 4 + x], expected(x, y)) << x << "," << y;
        std::vector<uint32_t> corner(4);
        copyScreenRectangle(frame, 4, 3, -1, -1, 2, 2, corner.data());
        EXPECT_EQ(corner, (std::vector<uint32_t>{invalidColour, invalidColour, invalidColour, expected(0, 0)}));
        copyScreenRectangle(frame, 4, 3, 3, 2, 2, 1, corner.data());
        EXPECT_EQ(corner[0], expected(3, 2));
        EXPECT_EQ(corner[1], invalidColour);
        copyScreenRectangle(frame, 4, 3, INT32_MAX, INT32_MIN, 1, 1, corner.data());
        EXPECT_EQ(corner[0], invalidColour);
    }
}

TEST(FrameMapping, ScaledFramesAndBrokenFrames)
{
    // A screen of 2 x 1 logical pixels shown by the 4 x 3 frame: every second column, the top row.
    const std::vector<uint8_t> bytes = sampleFrame(PixelOrder::Bgrx, 16);
    std::vector<uint32_t> out(2);
    copyScreenRectangle(FrameView{bytes.data(), bytes.size(), 4, 3, 16, PixelOrder::Bgrx}, 2, 1, 0, 0, 2, 1,
                        out.data());
    EXPECT_EQ(out, (std::vector<uint32_t>{expected(0, 0), expected(2, 0)}));
    // Frames that claim more than their bytes read as nothing.
    for (const FrameView& broken : {FrameView{bytes.data(), bytes.size() - 1, 4, 3, 16, PixelOrder::Bgrx},
                                    FrameView{bytes.data(), bytes.size(), 5, 3, 16, PixelOrder::Bgrx},
                                    FrameView{nullptr, bytes.size(), 4, 3, 16, PixelOrder::Bgrx}}) {
        out.assign(2, 0);
        copyScreenRectangle(broken, 4, 3, 0, 0, 2, 1, out.data());
        EXPECT_EQ(out, (std::vector<uint32_t>{invalidColour, invalidColour}));
    }
}

}  // namespace
