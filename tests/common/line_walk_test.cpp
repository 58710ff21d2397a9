#include "common/line_walk.h"

#include "tests/common/line_table.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Pixels = std::vector<std::pair<int64_t, int64_t>>;

TEST(LineWalk, TheTableReads)
{
    const std::vector<TableLine> lines = lineTable();
    EXPECT_GE(lines.size(), 30u);
    for (const TableLine& line : lines)
        EXPECT_FALSE(line.pixels.empty()) << line.text;
}

TEST(LineWalk, MarksThePagesPixelsInThePagesOrder)
{
    for (const TableLine& line : lineTable()) {
        Pixels walked;
        const bool stopped = walkLine(line.x0, line.y0, line.x1, line.y1, [&walked](int64_t x, int64_t y) {
            walked.emplace_back(x, y);
            return false;
        });
        EXPECT_FALSE(stopped) << line.text;
        EXPECT_EQ(walked, line.pixels) << line.text;
    }
}

// -pace asks whether a line passes a pixel and wants the walk to stop there.
TEST(LineWalk, StopsAtThePixelAskedFor)
{
    for (const TableLine& line : lineTable()) {
        const size_t middle = line.pixels.size() / 2;
        size_t visited = 0;
        const bool found = walkLine(line.x0, line.y0, line.x1, line.y1, [&](int64_t x, int64_t y) {
            ++visited;
            return std::pair{x, y} == line.pixels[middle];
        });
        EXPECT_TRUE(found) << line.text;
        EXPECT_EQ(visited, middle + 1) << line.text;
    }
}

}  // namespace
