// KWin's screenshot answers, read as the backend reads them before a byte of the
// shot is: only raw 32-bit shots of exactly the area asked for are taken.

#include "backends/portal/kwin_shots.h"

#include "desktop/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

GVariant* answer(const char* text) { return g_variant_ref_sink(g_variant_new_parsed(text)); }

TEST(KwinShots, OnlyRawWordsOfTheAreaAskedForAreTaken)
{
    struct Case {
        const char* answer;
        int32_t width, height;
        bool taken;
        int32_t stride;
    };
    const Case cases[] = {
        // As KWin 5.27 answers: premultiplied ARGB32, rows a row's bytes apart.
        {"{'format': <uint32 6>, 'height': <uint32 100>, 'scale': <1.0>, 'stride': <uint32 400>, 'type': <'raw'>, "
         "'width': <uint32 100>}",
         100, 100, true, 400},
        {"{'format': <uint32 4>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 16>}", 3, 2, true, 16},
        {"{'format': <uint32 5>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 12>}", 3, 2, true, 12},
        // Another image format (RGB888, a paletted one), another type.
        {"{'format': <uint32 13>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 12>}", 3, 2, false, 0},
        {"{'format': <uint32 3>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 12>}", 3, 2, false, 0},
        {"{'format': <uint32 6>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 12>, 'type': <'png'>}",
         3, 2, false, 0},
        // A scaled output's shot in its own pixels: larger than the area.
        {"{'format': <uint32 6>, 'width': <uint32 200>, 'height': <uint32 200>, 'stride': <uint32 800>}", 100, 100,
         false, 0},
        // Rows shorter than their pixels, or padded beyond reason.
        {"{'format': <uint32 6>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 11>}", 3, 2, false, 0},
        {"{'format': <uint32 6>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 4294967295>}", 3, 2,
         false, 0},
        // Missing or mistyped values.
        {"{'format': <uint32 6>, 'width': <uint32 3>, 'height': <uint32 2>}", 3, 2, false, 0},
        {"{'format': <int32 6>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 12>}", 3, 2, false, 0},
        {"{'format': <uint32 6>, 'width': <'3'>, 'height': <uint32 2>, 'stride': <uint32 12>}", 3, 2, false, 0},
        {"{'format': <uint32 6>, 'width': <uint32 3>, 'height': <uint32 2>, 'stride': <uint32 12>, 'type': <7>}", 3,
         2, true, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        GVariant* results = answer(c.answer);
        FrameView frame;
        EXPECT_EQ(readShotLayout(results, c.width, c.height, frame), c.taken);
        if (c.taken) {
            EXPECT_EQ(frame.stride, c.stride);
            EXPECT_EQ(frame.width, c.width);
            EXPECT_EQ(frame.height, c.height);
            EXPECT_EQ(frame.order, PixelOrder::Bgrx);
        }
        g_variant_unref(results);
    }
    // Not a dictionary at all, or none.
    GVariant* tuple = answer("(uint32 6, uint32 3)");
    FrameView frame;
    EXPECT_FALSE(readShotLayout(tuple, 3, 2, frame));
    EXPECT_FALSE(readShotLayout(nullptr, 3, 2, frame));
    g_variant_unref(tuple);
}

// Bytes blue, green, red, alpha, as KWin writes its words on this machine: the
// screen's colours, 0x00BBGGRR, with the padding past each row left out.
TEST(KwinShots, TheShotsWordsAreTheScreensColours)
{
    GVariant* results = answer("{'format': <uint32 6>, 'width': <uint32 2>, 'height': <uint32 2>, 'stride': <uint32 12>}");
    FrameView frame;
    ASSERT_TRUE(readShotLayout(results, 2, 2, frame));
    g_variant_unref(results);
    const std::vector<uint8_t> bytes = {0x32, 0x64, 0xC8, 0xFF, 0x99, 0x99, 0x99, 0xFF, 0xEE, 0xEE, 0xEE, 0xEE,
                                        0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80};
    frame.bytes = bytes.data();
    frame.size = bytes.size();
    std::vector<uint32_t> out(4, 0);
    copyScreenRectangle(frame, 2, 2, 0, 0, 2, 2, out.data());
    EXPECT_EQ(out, (std::vector<uint32_t>{0x3264C8u, 0x999999u, 0x0000FFu, 0xFFFFFFu}));
}

}  // namespace
