#include "preview/scrivlet_page.h"

#include "desktop/pointer.h"
#include "desktop/sliders.h"
#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

constexpr int32_t bx = 100;  // board origin used throughout
constexpr int32_t by = 250;
constexpr uint32_t white = 0xFFFFFFu;

using Pixels = std::set<std::pair<int32_t, int32_t>>;  // board-relative

// Every pixel of the screen, to compare the page before and after input.
std::vector<uint32_t> screenSnapshot()
{
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < ScreenSize.height; ++y)
        for (int32_t x = 0; x < ScreenSize.width; ++x)
            out.push_back(virtualPixel(x, y));
    return out;
}

// The board-relative pixels that differ from the snapshot, and whether anything
// off the board changed.
Pixels changedSince(const std::vector<uint32_t>& before, bool& offBoardChanged)
{
    Pixels changed;
    offBoardChanged = false;
    size_t i = 0;
    for (int32_t y = 0; y < ScreenSize.height; ++y)
        for (int32_t x = 0; x < ScreenSize.width; ++x, ++i) {
            if (virtualPixel(x, y) == before[i])
                continue;
            if (x >= bx && x < bx + boardSide && y >= by && y < by + boardSide)
                changed.insert({x - bx, y - by});
            else
                offBoardChanged = true;
        }
    return changed;
}

void openPage()
{
    freshDesktop(previewScreenWidth, previewScreenHeight, 0x123456u);
    showScrivletPage(bx, by);
    BoardOrigin = {bx, by};
}

void pressSlider(int channel, int32_t p, int32_t rowOffset = 0)
{
    clickAt(bx + sliderLeft + p, by + sliderRows[channel] + rowOffset);
}

TEST(PageLayout, PaintsEdgeBoardAndSlidersOnWhite)
{
    openPage();
    int wrong = 0;
    for (int32_t y = 0; y < previewScreenHeight && wrong < 10; ++y)
        for (int32_t x = 0; x < previewScreenWidth && wrong < 10; ++x) {
            uint32_t expected = white;
            if (y == by - 2 && x >= bx && x < bx + 300)
                expected = 0x999999u;
            for (const int32_t row : {172, 212, 252})
                if (x >= bx + 365 && x <= bx + 416 && y >= by + row - 2 && y <= by + row + 2)
                    expected = 0xCCCCCCu;
            if (virtualPixel(x, y) != expected) {
                ++wrong;
                ADD_FAILURE() << "pixel " << x << ',' << y << " is " << std::hex << virtualPixel(x, y);
            }
        }
}

TEST(PageLayout, APageOffScreenPaintsOnlyWhatIsVisible)
{
    freshDesktop(640, 480, 0);
    showScrivletPage(-200, 470);  // most of it below and left of the screen
    EXPECT_EQ(virtualPixel(0, 468), 0x999999u);
    EXPECT_EQ(virtualPixel(99, 468), 0x999999u);
    EXPECT_EQ(virtualPixel(100, 468), white);
    freshDesktop(640, 480, 0);
    showScrivletPage(INT32_MAX, INT32_MIN);  // nothing of it on screen, nothing overflows
    EXPECT_EQ(virtualPixel(0, 0), white);
}

TEST(PageInput, PenStartsBlackAndADotPaintsOnePixel)
{
    openPage();
    const std::vector<uint32_t> before = screenSnapshot();
    clickAt(bx + 17, by + 42);
    bool offBoard = false;
    EXPECT_EQ(changedSince(before, offBoard), (Pixels{{17, 42}}));
    EXPECT_FALSE(offBoard);
    EXPECT_EQ(virtualPixel(bx + 17, by + 42), 0x000000u);
}

TEST(PageInput, DotsReachEveryCornerOfTheBoard)
{
    openPage();
    setPenColour(255, 0, 0);
    for (const auto& [x, y] : Pixels{{0, 0}, {299, 0}, {0, 299}, {299, 299}})
        clickAt(bx + x, by + y);
    for (const auto& [x, y] : Pixels{{0, 0}, {299, 0}, {0, 299}, {299, 299}})
        EXPECT_EQ(virtualPixel(bx + x, by + y), 0x0000FFu) << x << ',' << y;
    // Just outside the board nothing is painted.
    const std::vector<uint32_t> before = screenSnapshot();
    for (const auto& [x, y] : Pixels{{-1, 0}, {300, 0}, {0, -1}, {0, 300}, {-1, -2}})
        clickAt(bx + x, by + y);
    bool offBoard = false;
    EXPECT_TRUE(changedSince(before, offBoard).empty());
    EXPECT_FALSE(offBoard);
}

// Slider pixel p sets its channel to min(255, 5p), on every row of the slider; the
// colour shows in the screen's 0x00BBGGRR form.
TEST(PageInput, EverySliderPixelSetsItsValue)
{
    openPage();
    for (int channel = 0; channel < 3; ++channel)
        for (int32_t p = 0; p < sliderPositions; ++p) {
            pressSlider(0, 0);
            pressSlider(1, 0);
            pressSlider(2, 0);
            pressSlider(channel, p, (p % 5) - 2);
            const int32_t x = p;
            const int32_t y = channel * 60;
            clickAt(bx + x, by + y);
            const uint32_t value = p == 51 ? 255u : uint32_t(5 * p);
            ASSERT_EQ(virtualPixel(bx + x, by + y), value << (8 * channel)) << "channel " << channel << " p " << p;
        }
}

TEST(PageInput, PressesBesideTheSlidersChangeNothing)
{
    openPage();
    pressSlider(0, 20);
    pressSlider(1, 30);
    pressSlider(2, 40);
    const struct {
        int channel;
        int32_t p;
        int32_t row;
    } misses[] = {{0, -1, 0}, {0, 52, 0}, {1, 10, -3}, {1, 10, 3}, {2, -1, -2}, {2, 52, 2}};
    for (const auto& miss : misses)
        pressSlider(miss.channel, miss.p, miss.row);
    clickAt(bx + 5, by + 5);
    EXPECT_EQ(virtualPixel(bx + 5, by + 5), 100u | 150u << 8 | 200u << 16);
}

struct LineCase {
    const char* name;
    int32_t x1, y1, x2, y2;  // board-relative press and release
    Pixels painted;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class PageLines : public testing::TestWithParam<LineCase> {};

TEST_P(PageLines, PaintExactlyTheBresenhamPixelsOnTheBoard)
{
    const LineCase c = GetParam();
    openPage();
    setPenColour(0, 255, 0);
    const std::vector<uint32_t> before = screenSnapshot();
    strokeBetween(bx + c.x1, by + c.y1, bx + c.x2, by + c.y2);
    bool offBoard = false;
    EXPECT_EQ(changedSince(before, offBoard), c.painted);
    EXPECT_FALSE(offBoard);
    for (const auto& [x, y] : c.painted)
        EXPECT_EQ(virtualPixel(bx + x, by + y), 0x00FF00u);
}

INSTANTIATE_TEST_SUITE_P(
    Strokes, PageLines,
    testing::Values(
        LineCase{"Horizontal", 10, 20, 14, 20, {{10, 20}, {11, 20}, {12, 20}, {13, 20}, {14, 20}}},
        LineCase{"VerticalUpwards", 7, 9, 7, 6, {{7, 9}, {7, 8}, {7, 7}, {7, 6}}},
        LineCase{"Diagonal", 3, 3, 0, 6, {{3, 3}, {2, 4}, {1, 5}, {0, 6}}},
        LineCase{"Shallow", 0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        LineCase{"Steep", 0, 0, 2, 5, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}},
        // On a tie the walk from the press decides: the two directions differ.
        LineCase{"TieFromTheLeft", 0, 0, 2, 1, {{0, 0}, {1, 1}, {2, 1}}},
        LineCase{"TieFromTheRight", 2, 1, 0, 0, {{2, 1}, {1, 0}, {0, 0}}},
        LineCase{"SteepTieFromAbove", 0, 0, 1, 2, {{0, 0}, {1, 1}, {1, 2}}},
        LineCase{"SteepTieFromBelow", 1, 2, 0, 0, {{1, 2}, {0, 1}, {0, 0}}},
        LineCase{"ClippedAtTheRightEdge", 296, 150, 330, 150, {{296, 150}, {297, 150}, {298, 150}, {299, 150}}},
        LineCase{"ClippedAtTheCorner", 297, 297, 305, 305, {{297, 297}, {298, 298}, {299, 299}}},
        LineCase{"ReleaseAboveTheEdgeLine", 5, 1, 5, -10, {{5, 1}, {5, 0}}},
        LineCase{"ReleaseOnASlider", 299, 172, 380, 172, {{299, 172}}},
        // The pointer stops at the screen's rim; the line runs to where it stopped.
        LineCase{"ReleaseFarOffScreen", 3, 7, -100000, 7, {{3, 7}, {2, 7}, {1, 7}, {0, 7}}},
        LineCase{"PressOffTheBoardStartsNoLine", -5, 10, 20, 10, {}},
        LineCase{"PressOnTheEdgeLineStartsNoLine", 10, -2, 10, 10, {}},
        LineCase{"PressOnASliderStartsNoLine", 380, 172, 10, 10, {}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(PageInput, ALongLineHasOnePixelInEveryColumnAndBothEnds)
{
    openPage();
    const std::vector<uint32_t> before = screenSnapshot();
    strokeBetween(bx + 0, by + 0, bx + 299, by + 137);
    bool offBoard = false;
    const Pixels painted = changedSince(before, offBoard);
    EXPECT_FALSE(offBoard);
    EXPECT_EQ(painted.size(), 300u);
    EXPECT_TRUE(painted.count({0, 0}));
    EXPECT_TRUE(painted.count({299, 137}));
    int32_t lastY = 0;
    for (int32_t x = 0; x < 300; ++x) {
        int found = 0;
        for (int32_t y = 0; y < 300; ++y)
            if (painted.count({x, y})) {
                ++found;
                EXPECT_TRUE(y == lastY || y == lastY + 1) << "gap at column " << x;
                lastY = y;
            }
        EXPECT_EQ(found, 1) << "column " << x;
    }
}

TEST(PageInput, ReleaseWithoutPressAndMovesPaintNothing)
{
    openPage();
    const std::vector<uint32_t> before = screenSnapshot();
    MouseInputRecord record;
    const AbsolutePoint at = toAbsolute(bx + 50, by + 50);
    record.dx = at.ax;
    record.dy = at.ay;
    record.flags = releaseFlags;
    sendMouseInput(record);
    record.flags = mouseAbsolute | mouseMove;
    sendMouseInput(record);
    // The press belongs to one gesture only: a second release does not repeat it.
    clickAt(bx + 60, by + 60);
    record.flags = releaseFlags;
    sendMouseInput(record);
    bool offBoard = false;
    EXPECT_EQ(changedSince(before, offBoard), (Pixels{{60, 60}}));
    EXPECT_FALSE(offBoard);
}

TEST(PageInput, ShowingThePageAgainStartsItAfresh)
{
    openPage();
    setPenColour(200, 200, 200);
    clickAt(bx + 1, by + 1);
    showScrivletPage(bx, by);
    EXPECT_EQ(virtualPixel(bx + 1, by + 1), white);
    clickAt(bx + 2, by + 2);
    EXPECT_EQ(virtualPixel(bx + 2, by + 2), 0x000000u);
}

TEST(PageInput, AKeptBoardTakesItsRecordsThenNothingUntilShownAgain)
{
    openPage();
    keepScrivletBoardAfter(3);  // a dot, then a press whose release comes too late
    clickAt(bx + 1, by + 1);
    clickAt(bx + 2, by + 2);
    setPenColour(200, 200, 200);
    EXPECT_EQ(virtualPixel(bx + 1, by + 1), 0x000000u);
    EXPECT_EQ(virtualPixel(bx + 2, by + 2), white);
    EXPECT_EQ(shownPageModel().pen[0], 0) << "a slider took a click past the end";
    showScrivletPage(bx, by);
    clickAt(bx + 3, by + 3);
    EXPECT_EQ(virtualPixel(bx + 3, by + 3), 0x000000u);
}

}  // namespace
