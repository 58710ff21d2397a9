#include "preview/page_model.h"

#include "desktop/platform.h"
#include "tests/common/line_table.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using Pixels = std::set<std::pair<int64_t, int64_t>>;

// Every line of the table, pressed and released on a model page: it paints the
// table's pixels that lie on the board and nothing else.
TEST(PageModelLines, PaintTheTablesPixelsOnTheBoard)
{
    constexpr int32_t bx = 40;
    constexpr int32_t by = 30;
    for (const TableLine& line : lineTable()) {
        PageModel page;
        resetPageModel(page, bx, by, 0xFFFFFFu);
        pageModelInput(page, static_cast<int32_t>(bx + line.x0), static_cast<int32_t>(by + line.y0), mouseLeftDown);
        pageModelInput(page, static_cast<int32_t>(bx + line.x1), static_cast<int32_t>(by + line.y1), mouseLeftUp);
        Pixels expected;
        for (const auto& [x, y] : line.pixels)
            if (x >= 0 && y >= 0 && x < boardSide && y < boardSide)
                expected.emplace(x, y);
        Pixels painted;
        for (int64_t y = 0; y < boardSide; ++y)
            for (int64_t x = 0; x < boardSide; ++x)
                if (page.painted[size_t(y * boardSide + x)] != 0)
                    painted.emplace(x, y);
        EXPECT_EQ(painted, expected) << line.text;
    }
}

}  // namespace
