#include "desktop/platform.h"
#include "planner/colour_order.h"
#include "planner/fast_plan.h"
#include "planner/line_cover.h"
#include "preview/page_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int32_t side = 12;

// A small board drawn as text: '.' not painted, '#' blocked (another colour's,
// finished), 'o' the colour's own pixels.
struct CoverCase {
    const char* name;
    const char* rows[side];
    size_t strokes;  // the fewest, which the cover must find
};

const CoverCase coverCases[] = {
    {"one_row", {"oooooo......"}, 1},
    {"row_broken_by_a_blocked_pixel", {"ooo#oo......"}, 2},
    {"diagonal_down_right", {"o...........", ".o..........", "..o.........", "...o........"}, 1},
    {"diagonal_down_left", {"...o........", "..o.........", ".o..........", "o..........."}, 1},
    {"diagonal_through_open_pixels", {"o...........", ".x..........", "..o........."}, 1},
    {"cross_of_both_diagonals", {"o...o.......", ".o.o........", "..o.........", ".o.o........", "o...o......."}, 2},
    {"square", {"ooo.........", "ooo.........", "ooo........."}, 3},
    {"column_and_row", {"o...........", "o...........", "oooooo......"}, 2},
};

class LineCover : public testing::TestWithParam<CoverCase> {};

TEST_P(LineCover, CoversEveryPixelWithTheFewestStrokesAndCrossesNothingBlocked)
{
    const CoverCase& c = GetParam();
    std::vector<int32_t> pixels;
    std::vector<uint8_t> blocked(side * side, 1);
    for (int32_t y = 0; y < side && c.rows[y] != nullptr; ++y)
        for (int32_t x = 0; c.rows[y][x] != '\0'; ++x) {
            const char p = c.rows[y][x];
            if (p == 'o')
                pixels.push_back(y * side + x);
            blocked[size_t(y * side + x)] = p != 'o' && p != 'x';  // x: a later colour's, open
        }
    const std::vector<LineStroke> strokes = coverWithLines(pixels, blocked, side);
    EXPECT_EQ(strokes.size(), c.strokes);
    EXPECT_EQ(lineCoverSize(pixels, blocked, side), int32_t(strokes.size()));
    std::vector<uint8_t> covered(side * side, 0);
    for (const LineStroke& s : strokes) {
        const int32_t dx = (s.x2 > s.x1) - (s.x2 < s.x1);
        const int32_t dy = (s.y2 > s.y1) - (s.y2 < s.y1);
        const int32_t length = std::max(std::abs(s.x2 - s.x1), std::abs(s.y2 - s.y1));
        ASSERT_TRUE(s.x1 == s.x2 || s.y1 == s.y2 || std::abs(s.x2 - s.x1) == std::abs(s.y2 - s.y1))
            << "not along a row, column or diagonal";
        for (int32_t k = 0; k <= length; ++k) {
            const size_t i = size_t((s.y1 + k * dy) * side + s.x1 + k * dx);
            EXPECT_FALSE(blocked[i]) << "crossed a blocked pixel at " << i;
            covered[i] = 1;
        }
    }
    for (const int32_t i : pixels)
        EXPECT_TRUE(covered[size_t(i)]) << "pixel " << i << " left out";
}

INSTANTIATE_TEST_SUITE_P(Shapes, LineCover, testing::ValuesIn(coverCases),
                         [](const testing::TestParamInfo<CoverCase>& info) { return std::string(info.param.name); });

// A board whose colours interleave: the plan, replayed on a page model, must leave
// it exactly, and touch no pixel left unpainted.
struct PlanCase {
    const char* name;
    uint32_t (*colourAt)(int32_t x, int32_t y);  // 0xFFFFFFFF: not painted
};

uint32_t pen(int32_t r, int32_t g, int32_t b) { return uint32_t(r * 5) | uint32_t(g * 5) << 8 | uint32_t(b * 5) << 16; }

const PlanCase planCases[] = {
    {"stripes_and_dots", [](int32_t x, int32_t y) { return (x * 7 + y * 3) % 5 == 0 ? pen(3, 4, 5) : pen(40, 2, 9); }},
    {"noise_with_holes",
     [](int32_t x, int32_t y) {
         const uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
         return h % 11 == 0 ? 0xFFFFFFFFu : pen(int32_t(h % 3), int32_t(h / 3 % 4), 51);
     }},
    {"diagonal_bands", [](int32_t x, int32_t y) { return pen((x + y) / 9 % 4, (x - y + 300) / 7 % 3, 0); }},
};

class FastPlan : public testing::TestWithParam<PlanCase> {};

TEST_P(FastPlan, ReplayedOnAPageLeavesTheBoardAndNothingElse)
{
    const PlanCase& c = GetParam();
    std::vector<uint32_t> colours(size_t(boardSide) * boardSide, 0);
    std::vector<uint8_t> painted(colours.size(), 0);
    for (int32_t y = 0; y < boardSide; ++y)
        for (int32_t x = 0; x < boardSide; ++x) {
            const uint32_t colour = c.colourAt(x, y);
            painted[size_t(y * boardSide + x)] = colour != 0xFFFFFFFFu;
            colours[size_t(y * boardSide + x)] = painted[size_t(y * boardSide + x)] ? colour : 0;
        }
    const std::vector<PlannedGesture> plan = planFastDrawing(colours, painted, boardSide);
    PageModel page;
    resetPageModel(page, 0, 0, 0xFFFFFFu);
    for (const PlannedGesture& g : plan) {
        const bool slider = g.kind == GestureKind::Slider;
        const int32_t x1 = slider ? sliderLeft + g.x1 : g.x1;
        const int32_t y1 = slider ? sliderRows[g.channel] : g.y1;
        pageModelInput(page, x1, y1, mouseLeftDown);
        pageModelInput(page, slider ? x1 : g.x2, slider ? y1 : g.y2, mouseLeftUp);
    }
    EXPECT_EQ(page.painted, painted);
    for (size_t i = 0; i < colours.size(); ++i) {
        if (painted[i]) {
            ASSERT_EQ(page.board[i], colours[i]) << "pixel " << i;
        }
    }
    const PlanBound bound = rowAndColumnBound(colours, painted, boardSide);
    EXPECT_GT(bound.strokes, 0);
    int64_t sliders = 0;
    for (const PlannedGesture& g : plan)
        sliders += g.kind == GestureKind::Slider;
    EXPECT_GE(sliders, bound.pens) << "every pen needs a slider click";
}

INSTANTIATE_TEST_SUITE_P(Boards, FastPlan, testing::ValuesIn(planCases),
                         [](const testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

// A row A B A B A: A drawn first crosses the B pixels, so three strokes, not five.
TEST(ColourOrder, DrawsTheScatteredColourFirstAcrossTheOther)
{
    std::vector<int32_t> colourAt(side * side, -1);
    const int32_t row[] = {0, 1, 0, 1, 0};
    for (int32_t x = 0; x < 5; ++x)
        colourAt[size_t(x)] = row[x];
    const std::vector<std::vector<int32_t>> pixelsOf = {{0, 2, 4}, {1, 3}};
    EXPECT_EQ(chooseColourOrder(pixelsOf, {1u, 2u}, colourAt, side), (std::vector<int32_t>{0, 1}));
    for (int32_t x = 0; x < 5; ++x)
        colourAt[size_t(x)] = 1 - row[x];  // the same row with the numbers swapped
    EXPECT_EQ(chooseColourOrder({{1, 3}, {0, 2, 4}}, {1u, 2u}, colourAt, side), (std::vector<int32_t>{1, 0}));
}

TEST(ColourOrder, CountsSliderChangesByChannel)
{
    EXPECT_EQ(sliderChanges(0u, 0u), 0);
    EXPECT_EQ(sliderChanges(1u << 12, 0u), 1);
    EXPECT_EQ(sliderChanges(63u | 63u << 6 | 63u << 12, 0u), 3);
}

}  // namespace
