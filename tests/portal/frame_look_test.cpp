#include "backends/portal/frame_look.h"

#include "desktop/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t white = 0xFFFFFF;
constexpr uint32_t grey = 0x999999;
constexpr uint32_t cover = 0x202020;

// A 4 x 2 screen whose top row is white and bottom row grey (the page's edge),
// or all one colour (another window over it), as BGRx bytes.
std::vector<uint8_t> screenBytes(bool page)
{
    std::vector<uint8_t> bytes;
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            const uint32_t c = !page ? cover : y == 0 ? white : grey;
            bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
        }
    return bytes;
}

FrameView viewOf(const std::vector<uint8_t>& bytes) { return {bytes.data(), bytes.size(), 4, 2, 16, PixelOrder::Bgrx}; }

TEST(FrameLook, JudgesTheScreenAsItWasAtTheMoment)
{
    const std::vector<uint8_t> page = screenBytes(true);
    const std::vector<uint8_t> covered = screenBytes(false);
    const std::vector<uint32_t> pageSeen = {white, white, white, white, grey, grey, grey, grey};
    const std::vector<uint32_t> coverSeen(8, cover);
    const std::vector<uint32_t> unsure(8, invalidColour);
    constexpr int64_t moment = 1000;
    constexpr int64_t quiet = 400;
    struct Frame {
        bool page;
        int64_t shownNs;
    };
    struct Case {
        const char* what;
        std::vector<Frame> frames;
        int64_t nowNs;
        bool decided;
        std::vector<uint32_t> seen;
    };
    const Case cases[] = {
        {"a frame after the moment decides", {{true, 900}, {true, 1200}}, 1001, true, pageSeen},
        {"a frame made at the moment is before it", {{true, 1000}}, 1399, false, {}},
        {"with none after, the quiet time decides", {{true, 900}}, 1400, true, pageSeen},
        {"the newest before the moment counts", {{true, 500}, {false, 900}}, 1400, true, coverSeen},
        // A window that came before the moment and was gone in the next frame:
        // the page in that frame vouches for nothing sent meanwhile.
        {"came before, gone after", {{false, 900}, {true, 1300}}, 1301, true, unsure},
        // A window mapped just before the moment, shown only in the next frame.
        {"shown only after", {{true, 900}, {false, 1100}}, 1101, true, unsure},
        {"later frames change nothing", {{true, 900}, {true, 1100}, {false, 1200}}, 1300, true, pageSeen},
        {"only a frame after", {{false, 1100}}, 1101, true, coverSeen},
        {"no frame yet", {}, 1100, false, {}},
        {"no frame at all", {}, 1400, true, unsure},
    };
    for (const Case& c : cases) {
        FrameLook look;
        ASSERT_TRUE(startFrameLook(look, moment, 4, 2, 0, 0, 4, 2));
        for (const Frame& f : c.frames)
            lookSeesFrame(look, viewOf(f.page ? page : covered), f.shownNs);
        EXPECT_EQ(frameLookDecided(look, c.nowNs, quiet), c.decided) << c.what;
        if (!c.decided)
            continue;
        std::vector<uint32_t> seen(8, 0);
        frameLookResult(look, seen.data());
        EXPECT_EQ(seen, c.seen) << c.what;
    }
}

TEST(FrameLook, RefusesEmptyAndOversizedRectangles)
{
    FrameLook look;
    EXPECT_FALSE(startFrameLook(look, 0, 1280, 1024, 0, 0, 0, 2));
    EXPECT_FALSE(startFrameLook(look, 0, 1280, 1024, 0, 0, 300, -1));
    EXPECT_FALSE(startFrameLook(look, 0, 1280, 1024, 0, 0, INT32_MAX, INT32_MAX));
    EXPECT_FALSE(look.active);
    EXPECT_FALSE(frameLookDecided(look, INT64_MAX, 0));
    // Off the screen reads as invalid, never past the frame.
    const std::vector<uint8_t> page = screenBytes(true);
    ASSERT_TRUE(startFrameLook(look, 10, 4, 2, 3, 1, 2, 2));
    lookSeesFrame(look, viewOf(page), 20);
    std::vector<uint32_t> seen(4, 0);
    frameLookResult(look, seen.data());
    EXPECT_EQ(seen, (std::vector<uint32_t>{grey, invalidColour, invalidColour, invalidColour}));
}

}  // namespace
