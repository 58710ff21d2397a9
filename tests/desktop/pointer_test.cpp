#include "desktop/page_pace.h"
#include "desktop/pointer.h"

#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();

struct ClickCase {
    int32_t x;
    int32_t y;
    int32_t ax;
    int32_t ay;
};

class ClickRecords : public testing::TestWithParam<ClickCase> {};

TEST_P(ClickRecords, ArePressThenReleaseWithEveryOtherFieldZero)
{
    freshDesktop(1280, 800);
    const ClickCase c = GetParam();
    clickAt(c.x, c.y);

    const std::vector<LoggedInput>& log = virtualInputLog();
    ASSERT_EQ(log.size(), 2u);
    const uint32_t flags[2] = {0x8003u, 0x8005u};
    for (size_t i = 0; i < 2; ++i) {
        const MouseInputRecord& r = log[i].record;
        EXPECT_EQ(r.dx, c.ax) << i;
        EXPECT_EQ(r.dy, c.ay) << i;
        EXPECT_EQ(r.flags, flags[i]) << i;
        EXPECT_EQ(r.mouseData, 0u) << i;
        EXPECT_EQ(r.time, 0u) << i;
        EXPECT_EQ(r.extraInfo, 0u) << i;
    }
}

// At 1280 x 800 the first normalised coordinate of pixel x is ceil(65536 x / 1280).
INSTANTIATE_TEST_SUITE_P(At1280x800, ClickRecords,
                         testing::Values(ClickCase{640, 400, 32768, 32768}, ClickCase{0, 0, 0, 0},
                                         ClickCase{1279, 799, 65485, 65455}, ClickCase{1, 1, 52, 82},
                                         ClickCase{-1, -1, -51, -81}));

TEST(Gestures, EveryRecordIsFollowedByAOneMillisecondPause)
{
    freshDesktop(1280, 800);
    clickAt(10, 20);
    strokeBetween(30, 40, 50, 60);
    clickAt(70, 80);

    const std::vector<LoggedInput>& log = virtualInputLog();
    ASSERT_EQ(log.size(), 6u);
    for (size_t i = 0; i < log.size(); ++i)
        EXPECT_EQ(log[i].timeMs, int64_t(i)) << i;
    EXPECT_EQ(virtualSleeps(), std::vector<int32_t>(6, 1));
    EXPECT_EQ(virtualClockMs(), 6);
}

// A pace pauses its microseconds where the desktop has the finer pause; where it
// has not, whole milliseconds, never less than asked; and the finer clock counts
// the milliseconds then.
TEST(Gestures, APaceIsTheFinerPauseOrWholeMillisecondsWhereThereIsNone)
{
    freshDesktop(1280, 800);
    choosePace(250);
    clickAt(10, 10);
    EXPECT_EQ(virtualMicroPauses(), (std::vector<int32_t>{250, 250}));
    EXPECT_TRUE(virtualSleeps().empty());
    EXPECT_EQ(virtualClockUs(), 500);

    DesktopBackend coarse = virtualDesktop();
    coarse.pauseAfterInputMicroseconds = nullptr;
    coarse.clockMicroseconds = nullptr;
    freshDesktop(1280, 800);
    useDesktop(coarse);
    choosePace(1000);
    clickAt(10, 10);
    choosePace(100);
    clickAt(10, 10);
    EXPECT_EQ(virtualSleeps(), (std::vector<int32_t>{1, 1, 1, 1}));
    EXPECT_EQ(clockMicroseconds(), 4000);
    choosePace(paceDefault);
    useDesktop(virtualDesktop());
}

TEST(Gestures, StrokePressesAtTheStartAndReleasesAtTheEndWithNoMovesBetween)
{
    freshDesktop(1280, 800);
    strokeBetween(100, 200, 300, 150);
    const std::vector<LandedPixel> expected = {{100, 200, pressFlags}, {300, 150, releaseFlags}};
    EXPECT_EQ(landedPixels(), expected);
}

TEST(Gestures, StrokeWithEqualEndsIsAClick)
{
    const ClickCase points[] = {{0, 0, 0, 0}, {640, 400, 0, 0}, {1279, 799, 0, 0}, {-5, 900, 0, 0},
                                {int32Max, int32Min, 0, 0}};
    for (const ClickCase& p : points) {
        freshDesktop(1280, 800);
        clickAt(p.x, p.y);
        const std::vector<LoggedInput> clicked = virtualInputLog();
        const std::vector<int32_t> clickSleeps = virtualSleeps();

        freshDesktop(1280, 800);
        strokeBetween(p.x, p.y, p.x, p.y);
        const std::vector<LoggedInput>& stroked = virtualInputLog();
        ASSERT_EQ(stroked.size(), clicked.size());
        for (size_t i = 0; i < clicked.size(); ++i) {
            EXPECT_EQ(stroked[i].record.dx, clicked[i].record.dx) << p.x << ',' << p.y;
            EXPECT_EQ(stroked[i].record.dy, clicked[i].record.dy);
            EXPECT_EQ(stroked[i].record.flags, clicked[i].record.flags);
            EXPECT_EQ(stroked[i].timeMs, clicked[i].timeMs);
        }
        EXPECT_EQ(virtualSleeps(), clickSleeps);
    }
}

// The coordinate must land on the pixel it names whether the platform maps it back
// by flooring (Windows, Wine) or by rounding, on every pixel of common screen sizes,
// and be the first coordinate that does.
TEST(ToAbsolute, LandsOnEveryPixelUnderFlooringAndRounding)
{
    for (const int32_t size : {800, 1024, 1080, 1280, 1366, 1920, 2160, 3840}) {
        ScreenSize = {size, size};
        int failures = 0;
        for (int32_t p = 0; p < size && failures < 5; ++p) {
            const AbsolutePoint a = toAbsolute(p, p);
            const int64_t rounded = (int64_t{a.ax} * size + 32768) / 65536;
            const bool ok = a.ax == a.ay && pixelFromAbsolute(a.ax, size) == p && rounded == p &&
                            (p == 0 || pixelFromAbsolute(a.ax - 1, size) == p - 1);
            if (!ok) {
                ++failures;
                ADD_FAILURE() << "size " << size << " pixel " << p << " -> " << a.ax;
            }
        }
    }
}

// Over a virtual screen of several monitors (flagged records), the same on every
// pixel: origins left of and above the primary, odd sizes, and screens as wide as
// a coordinate that may be rounded back can tell pixel from pixel (32768).
TEST(ToAbsolute, LandsOnEveryPixelOfAVirtualScreenWithANegativeOrigin)
{
    const ScreenRect desks[] = {
        {-1280, 0, 2560, 1024}, {-1921, -1081, 3841, 2161}, {-3, -769, 1283, 1793},
        {0, -1, 1, 3},           {-32767, -7, 32768, 32767}, {-5000, 0, 7679, 1},
    };
    ScreenSize = {1280, 1024};  // the primary's: not what flagged records are scaled by
    for (const ScreenRect& desk : desks) {
        VirtualDesk = desk;
        int failures = 0;
        const int32_t longer = std::max(desk.width, desk.height);
        for (int32_t i = 0; i < longer && failures < 5; ++i) {
            const int32_t x = desk.left + std::min(i, desk.width - 1);
            const int32_t y = desk.top + std::min(i, desk.height - 1);
            const AbsolutePoint a = toAbsolute(x, y);
            const auto lands = [](int32_t value, int32_t pixel, int32_t origin, int32_t size) {
                const int64_t rounded = origin + (int64_t{value} * size + 32768) / 65536;
                return value >= 0 && value <= 65535 && origin + pixelFromAbsolute(value, size) == pixel &&
                       rounded == pixel && (pixel == origin || origin + pixelFromAbsolute(value - 1, size) == pixel - 1);
            };
            if (!lands(a.ax, x, desk.left, desk.width) || !lands(a.ay, y, desk.top, desk.height)) {
                ++failures;
                ADD_FAILURE() << "virtual screen at " << desk.left << ',' << desk.top << ' ' << desk.width << 'x'
                              << desk.height << ": pixel " << x << ',' << y << " -> " << a.ax << ',' << a.ay;
            }
        }
    }
    VirtualDesk = {};
}

// A board within the primary's mapping keeps it (records as ever); one only the
// virtual screen reaches, board and sliders, is reached over it; one beyond both,
// or on a desktop without a virtual screen, is not, and changes nothing.
TEST(ReachBoardAt, TakesThePrimarysMappingWhereItReachesElseTheVirtualScreen)
{
    DesktopBackend primaryOnly = virtualDesktop();
    primaryOnly.virtualScreenArea = nullptr;
    const ScreenRect desk = {-1281, -5, 2561 + 417, 1029};
    const struct {
        int32_t x;
        int32_t y;
        bool withVirtualScreen;
        bool reached;
        bool overVirtualScreen;
    } cases[] = {
        {0, 0, true, true, false},           {1280 - 417, 1024 - 300, true, true, false},
        {1280 - 416, 100, true, true, true}, {-1281, -5, true, true, true},
        {-1282, 0, true, false, false},      {1280 + 417 - 417, 1024 - 300 - 5 + 5, true, true, true},
        {1281 + 417, 0, true, false, false}, {100, 1024 - 299 + 5, true, false, false},
        {-1180, 250, false, false, false},   {100, 250, false, true, false},
    };
    for (const auto& c : cases) {
        freshDesktop(desk.width, desk.height);
        setVirtualScreenLayout(desk.left, desk.top, 1280, 1024);
        ScreenSize = {1280, 1024};
        if (!c.withVirtualScreen)
            useDesktop(primaryOnly);
        const ScreenRect before = {7, 7, 7, 7};
        VirtualDesk = before;
        EXPECT_EQ(reachBoardAt(c.x, c.y), c.reached) << c.x << ',' << c.y;
        if (!c.reached) {
            EXPECT_EQ(VirtualDesk.left, before.left) << c.x << ',' << c.y << ": left alone";
            EXPECT_EQ(VirtualDesk.width, before.width) << c.x << ',' << c.y;
            continue;
        }
        EXPECT_EQ(VirtualDesk.width > 0, c.overVirtualScreen) << c.x << ',' << c.y;
        // The board's far corner and the last slider's far side land where meant.
        clickAt(c.x + 299, c.y + 299);
        clickAt(c.x + 416, c.y);
        const std::vector<LoggedInput>& log = virtualInputLog();
        ASSERT_EQ(log.size(), 4u);
        const int32_t meant[][2] = {{c.x + 299, c.y + 299}, {c.x + 416, c.y}};
        for (size_t i = 0; i < log.size(); ++i) {
            int32_t x = 0;
            int32_t y = 0;
            landingPixel(log[i].record, 1280, 1024, desk, x, y);
            EXPECT_EQ(x, meant[i / 2][0]) << c.x << ',' << c.y << " record " << i;
            EXPECT_EQ(y, meant[i / 2][1]) << c.x << ',' << c.y << " record " << i;
            EXPECT_EQ((log[i].record.flags & mouseVirtualDesk) != 0, c.overVirtualScreen) << i;
        }
    }
    useDesktop(virtualDesktop());
    VirtualDesk = {};
}

TEST(ToAbsolute, SaturatesFarOffScreen)
{
    ScreenSize = {1280, 800};
    const AbsolutePoint extreme = toAbsolute(int32Max, int32Min);
    EXPECT_EQ(extreme.ax, int32Max);
    EXPECT_EQ(extreme.ay, int32Min);
    // 65536 x 100,000,000 / 1280 is past 2^31 but 32 bits of pixel are not.
    const AbsolutePoint far = toAbsolute(100000000, -100000000);
    EXPECT_EQ(far.ax, int32Max);
    EXPECT_EQ(far.ay, int32Min);
    // Just inside the range nothing saturates.
    EXPECT_EQ(toAbsolute(40000000, 0).ax, 2048000000);
}

TEST(ToAbsolute, AnEmptyScreenSizeGivesZeroRatherThanDividingByIt)
{
    ScreenSize = {0, -3};
    const AbsolutePoint a = toAbsolute(640, 400);
    EXPECT_EQ(a.ax, 0);
    EXPECT_EQ(a.ay, 0);
}

TEST(ToAbsolute, TheOverrideScalesByItsOwnSizeOnALargerScreen)
{
    // 1280 x 800 named on a 1920 x 1200 screen: the click lands proportionally off.
    freshDesktop(1920, 1200);
    ScreenSize = {1280, 800};
    clickAt(640, 400);
    EXPECT_EQ(pixelFromAbsolute(virtualInputLog()[0].record.dx, 1920), 960);
    EXPECT_EQ(pixelFromAbsolute(virtualInputLog()[0].record.dy, 1200), 600);
}

}  // namespace
