#include "desktop/pace_board.h"

#include "tests/common/line_table.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// -pace's copy of the board follows the page's lines: each passes exactly the
// table's pixels (and the ones beside them only where the table says so).
TEST(PaceBoardLines, CoverTheTablesPixels)
{
    for (const TableLine& line : lineTable()) {
        const std::set<std::pair<int64_t, int64_t>> onLine(line.pixels.begin(), line.pixels.end());
        for (const auto& [x, y] : line.pixels) {
            EXPECT_TRUE(lineCovers(line.x0, line.y0, line.x1, line.y1, x, y)) << line.text << " at " << x << "," << y;
            for (const auto& [bx, by] : {std::pair{x + 1, y}, std::pair{x, y + 1}, std::pair{x - 1, y - 1}})
                EXPECT_EQ(lineCovers(line.x0, line.y0, line.x1, line.y1, bx, by), onLine.count({bx, by}) == 1)
                    << line.text << " at " << bx << "," << by;
        }
    }
}

// A jig's far end may lie screens away: only its start counts.
TEST(PaceBoardLines, AFarJigCoversOnlyItsStart)
{
    constexpr int64_t far = 2 * int64_t{paceBoardSide} + 1;
    EXPECT_TRUE(lineCovers(10, 10, 10 + far, 10, 10, 10));
    EXPECT_FALSE(lineCovers(10, 10, 10 + far, 10, 11, 10));
    EXPECT_FALSE(lineCovers(10, 10, 10, 10 - far, 10, 9));
    EXPECT_TRUE(lineCovers(10, 10, 10 + far - 1, 10, 11, 10));
}

}  // namespace
