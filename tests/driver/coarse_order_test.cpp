// -order coarse's parts: the interlaced order of the grid, and the board the
// model learns under it.

#include "driver/coarse_pass.h"
#include "driver/normal_board.h"
#include "pass_fixture.h"

#include <algorithm>

namespace {

struct InterlaceCase {
    int32_t columns, rows;
    size_t firstPass;  // points in the first of the seven passes
};

class CoarseOrder : public testing::TestWithParam<InterlaceCase> {};

TEST_P(CoarseOrder, VisitsEveryPointOnceEveryEighthOfEveryEighthRowFirst)
{
    const InterlaceCase& c = GetParam();
    std::vector<int32_t> order = coarseOrder(c.columns, c.rows);
    ASSERT_EQ(order.size(), size_t(c.columns) * size_t(c.rows));
    for (size_t k = 0; k < c.firstPass; ++k)
        EXPECT_TRUE(order[k] % c.columns % 8 == 0 && order[k] / c.columns % 8 == 0) << "point " << order[k];
    if (c.firstPass < order.size()) {
        EXPECT_FALSE(order[c.firstPass] % c.columns % 8 == 0 && order[c.firstPass] / c.columns % 8 == 0);
    }
    std::sort(order.begin(), order.end());
    for (size_t k = 0; k < order.size(); ++k)
        ASSERT_EQ(order[k], int32_t(k)) << "a point missed or visited twice";
}

INSTANTIATE_TEST_SUITE_P(Grids, CoarseOrder,
                         testing::Values(InterlaceCase{300, 300, 38 * 38}, InterlaceCase{1, 1, 1},
                                         InterlaceCase{100, 3, 13}, InterlaceCase{7, 20, 3}));

TEST(CoarseOrder, NoGridBeyondTheBoard) { EXPECT_TRUE(coarseOrder(301, 300).empty()); }

// -repair restores, and -fast draws, the rows order's board even under -order
// coarse, where overlapping marks leave another board in the coarse order.
TEST(NormalBoard, IsTheRowsOrdersWhateverTheOrderAsked)
{
    resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
    useDesktop(virtualDesktop());
    ScreenSize = {testScreenWidth, testScreenHeight};
    BoardOrigin = {testBoardX, testBoardY};
    resetRandomSource();
    const PassPixels stripes = makePicture(50, 40, [](int32_t x, int32_t y) { return Rgb{x * 5, y * 6, (x + y) * 2}; });
    RunSettings settings;
    settings.stepx = settings.stepy = 2;
    settings.uselines = true;
    settings.jigfactor = 30;
    NormalBoard rows;
    ASSERT_EQ(learnNormalBoard(settings, stripes, nullptr, rows), PassResult::Finished);
    settings.order = runOrderCoarse;
    NormalBoard asked;
    NormalBoard coarse;
    ASSERT_EQ(learnNormalBoard(settings, stripes, nullptr, asked), PassResult::Finished);
    ASSERT_EQ(learnBoardAsOrdered(settings, stripes, nullptr, coarse), PassResult::Finished);
    EXPECT_EQ(asked.page.board, rows.page.board);
    EXPECT_NE(coarse.page.board, rows.page.board) << "the marks here must overlap";
    EXPECT_EQ(coarse.records, rows.records);
}

}  // namespace
