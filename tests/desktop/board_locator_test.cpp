#include "desktop/board_locator.h"

#include "preview/scrivlet_page.h"
#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t grey = 0x999999u;
constexpr uint32_t black = 0x000000u;

void greyRow(int32_t row, int32_t from, int32_t to) { paintVirtualRect(from, row, to - from + 1, 1, grey); }

struct LocatorCase {
    const char* name;
    int32_t width;
    int32_t height;
    void (*paint)();
    bool found;
    int32_t x;
    int32_t y;
};

void PrintTo(const LocatorCase& c, std::ostream* os) { *os << c.name; }

class Locator : public testing::TestWithParam<LocatorCase> {};

TEST_P(Locator, FindsTheFirstGreyRunUnderWhite)
{
    const LocatorCase c = GetParam();
    freshDesktop(c.width, c.height);
    c.paint();
    int32_t x = -7;
    int32_t y = -7;
    ASSERT_EQ(locateBoard(x, y), c.found);
    if (c.found) {
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    } else {
        EXPECT_EQ(x, -7) << "written on failure";
        EXPECT_EQ(y, -7) << "written on failure";
    }
    // The screen is read in one piece, never pixel by pixel.
    EXPECT_EQ(virtualCaptures(), 1);
    EXPECT_EQ(virtualPixelReads(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, Locator,
    testing::Values(
        LocatorCase{"Grey100To500AtRow250", 1280, 1024, [] { greyRow(250, 100, 500); }, true, 100, 252},
        LocatorCase{"Exactly280Long", 1280, 1024, [] { greyRow(250, 100, 379); }, true, 100, 252},
        LocatorCase{"Only279Long", 1280, 1024, [] { greyRow(250, 100, 378); }, false, 0, 0},
        LocatorCase{"GapInTheWhiteRestartsTheRun", 1280, 1024,
                    [] {
                        greyRow(250, 100, 500);
                        paintVirtualPixel(150, 249, black);
                    },
                    true, 151, 252},
        LocatorCase{"GapLeavesTwoShortRuns", 1280, 1024,
                    [] {
                        greyRow(250, 100, 500);
                        paintVirtualPixel(300, 249, black);
                    },
                    false, 0, 0},
        LocatorCase{"GapInTheGreyRestartsTheRun", 1280, 1024,
                    [] {
                        greyRow(250, 100, 500);
                        paintVirtualPixel(200, 250, 0x999998u);
                    },
                    true, 201, 252},
        LocatorCase{"WhiteUnderGreyIsNoEdge", 1280, 1024,
                    [] {
                        paintVirtualRect(0, 0, 1280, 250, grey);
                    },
                    false, 0, 0},
        LocatorCase{"EdgeAtRow199IsAboveTheBand", 1280, 1024, [] { greyRow(199, 100, 500); }, false, 0, 0},
        LocatorCase{"EdgeAtRow200SeesRow199Above", 1280, 1024, [] { greyRow(200, 100, 500); }, true, 100, 202},
        LocatorCase{"EdgeAtRow399", 1280, 1024, [] { greyRow(399, 100, 500); }, true, 100, 401},
        LocatorCase{"EdgeAtRow400IsBelowTheBand", 1280, 1024, [] { greyRow(400, 100, 500); }, false, 0, 0},
        LocatorCase{"RunCompletingOnlyPastColumn799", 1280, 1024, [] { greyRow(300, 600, 1100); }, false, 0, 0},
        LocatorCase{"RunCompletingAtColumn799", 1280, 1024, [] { greyRow(300, 520, 1100); }, true, 520, 302},
        LocatorCase{"RunBeganLeftOfColumn50CountsFrom50", 1280, 1024, [] { greyRow(250, 0, 400); }, true, 50, 252},
        LocatorCase{"TopmostRowWins", 1280, 1024,
                    [] {
                        greyRow(300, 60, 500);
                        greyRow(260, 400, 799);
                    },
                    true, 400, 262},
        LocatorCase{"LeftmostRunInARowWins", 1280, 1024,
                    [] {
                        greyRow(250, 60, 350);
                        greyRow(250, 420, 799);
                    },
                    true, 60, 252},
        LocatorCase{"PageModelAtItsDefault", 1280, 1024, [] { showScrivletPage(100, 250); }, true, 100, 250},
        LocatorCase{"PageModelHighestFound", 1280, 1024, [] { showScrivletPage(50, 202); }, true, 50, 202},
        LocatorCase{"PageModelLowestFound", 1280, 1024, [] { showScrivletPage(500, 401); }, true, 500, 401},
        LocatorCase{"PageModelTooHigh", 1280, 1024, [] { showScrivletPage(100, 201); }, false, 0, 0},
        LocatorCase{"NarrowScreenEdgeEndsAtItsRim", 600, 300, [] { greyRow(250, 100, 599); }, true, 100, 252},
        LocatorCase{"ScreenEndsInsideTheBand", 400, 250, [] { greyRow(249, 60, 399); }, true, 60, 251},
        LocatorCase{"ScreenTooNarrowForARun", 320, 1024, [] { greyRow(250, 0, 319); }, false, 0, 0},
        LocatorCase{"ScreenAboveTheBand", 1280, 150, [] {}, false, 0, 0},
        LocatorCase{"NoScreenAtAll", 0, 0, [] {}, false, 0, 0}),
    [](const testing::TestParamInfo<LocatorCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// The run the watchdog watches: the whole of it, as far as the scanned band goes.
TEST(LocatorRun, CountsTheEdgeOutToItsEndOrTheBandsEnd)
{
    const struct {
        int32_t from, to;
        int32_t run;
    } cases[] = {{100, 399, 300}, {100, 379, 280}, {100, 500, 401}, {520, 819, 280}, {50, 900, 750}};
    for (const auto& c : cases) {
        freshDesktop(1280, 1024);
        greyRow(250, c.from, c.to);
        int32_t x = 0;
        int32_t y = 0;
        int32_t run = 0;
        ASSERT_TRUE(locateBoardEdge(x, y, run)) << c.from;
        EXPECT_EQ(x, c.from);
        EXPECT_EQ(run, c.run) << c.from << ".." << c.to;
    }
}

}  // namespace
