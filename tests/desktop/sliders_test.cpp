#include "desktop/sliders.h"

#include "desktop/pointer.h"
#include "preview/scrivlet_page.h"
#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

namespace {

struct PenCase {
    int32_t red;
    int32_t green;
    int32_t blue;
    int32_t offsets[3];  // x offsets from the board of the three clicks
};

class PenColour : public testing::TestWithParam<PenCase> {};

TEST_P(PenColour, ClicksTheRedGreenAndBlueSlidersInOrder)
{
    freshDesktop(1280, 1024);
    BoardOrigin = {100, 250};
    const PenCase c = GetParam();
    setPenColour(c.red, c.green, c.blue);

    std::vector<LandedPixel> expected;
    const int32_t rows[3] = {172, 212, 252};
    for (int i = 0; i < 3; ++i) {
        expected.push_back({100 + c.offsets[i], 250 + rows[i], pressFlags});
        expected.push_back({100 + c.offsets[i], 250 + rows[i], releaseFlags});
    }
    EXPECT_EQ(landedPixels(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    ClampedAndStepped, PenColour,
    testing::Values(PenCase{300, -20, 128, {416, 365, 390}}, PenCase{4, 5, 9, {365, 366, 366}},
                    PenCase{0, 255, 254, {365, 416, 415}},
                    PenCase{INT32_MIN, INT32_MAX, 250, {365, 416, 415}}));

TEST(PenColourRepeats, ClicksAllThreeSlidersEveryTime)
{
    freshDesktop(1280, 1024);
    BoardOrigin = {100, 250};
    setPenColour(10, 20, 30);
    setPenColour(10, 20, 30);
    const std::vector<LandedPixel> pixels = landedPixels();
    ASSERT_EQ(pixels.size(), 12u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(pixels[i], pixels[i + 6]) << i;
}

// The slider clicks reach the page's slider pixels on screens of every common size:
// each value comes back as the page's step of five, not one step lower.
class PenThroughThePage : public testing::TestWithParam<ScreenDimensions> {};

TEST_P(PenThroughThePage, EveryValueSetsItsSliderStep)
{
    const ScreenDimensions screen = GetParam();
    freshDesktop(screen.width, screen.height);
    showScrivletPage(defaultBoardX, defaultBoardY);
    BoardOrigin = {defaultBoardX, defaultBoardY};
    for (int32_t v = 0; v <= 255; ++v) {
        setPenColour(v, 255 - v, v / 2);
        const int32_t x = defaultBoardX + v % boardSide;
        const int32_t y = defaultBoardY + v / 2;
        clickAt(x, y);
        const auto step = [](int32_t value) { return value >= 255 ? 255u : uint32_t(value / 5 * 5); };
        const uint32_t expected = step(v) | step(255 - v) << 8 | step(v / 2) << 16;
        ASSERT_EQ(virtualPixel(x, y), expected) << "value " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(ScreenSizes, PenThroughThePage,
                         testing::Values(ScreenDimensions{1280, 1024}, ScreenDimensions{1366, 768},
                                         ScreenDimensions{1920, 1080}, ScreenDimensions{3840, 2160},
                                         ScreenDimensions{800, 600}));

}  // namespace
