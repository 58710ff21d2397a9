#include "planner/stroke_cover.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace {

struct Segment {
    int32_t line = 0;
    int32_t from = std::numeric_limits<int32_t>::max();
    int32_t to = -1;
};

// Numbers the open stretches of each line that hold the colour's pixels, and gives
// every pixel the number of its stretch. along(i) is the pixel's position along its
// line, across(i) the line; open(line, p) says a stroke may cross there.
template <typename Along, typename Across, typename Open>
std::vector<Segment> segmentsOf(const std::vector<int32_t>& order, std::vector<int32_t>& segmentOfPixel,
                                Along along, Across across, Open open)
{
    std::vector<Segment> segments;
    for (size_t k = 0; k < order.size(); ++k) {
        const int32_t line = across(order[k]);
        const int32_t pos = along(order[k]);
        bool joined = false;
        if (!segments.empty() && segments.back().line == line) {
            joined = true;
            for (int32_t p = segments.back().to + 1; p < pos && joined; ++p)
                joined = open(line, p);
        }
        if (!joined)
            segments.push_back({line, pos, pos});
        segments.back().to = pos;
        segmentOfPixel[k] = int32_t(segments.size() - 1);
    }
    return segments;
}

// Kuhn's augmenting paths, iteratively, from each row segment.
struct Matching {
    std::vector<int32_t> rowMate;     // column segment matched to each row segment, or -1
    std::vector<int32_t> columnMate;  // and back
};

Matching maximumMatching(const std::vector<std::vector<int32_t>>& adjacent, size_t columns)
{
    Matching m{std::vector<int32_t>(adjacent.size(), -1), std::vector<int32_t>(columns, -1)};
    std::vector<int32_t> seen(columns, -1);
    std::vector<std::pair<int32_t, size_t>> stack;  // row segment, next edge to try
    std::vector<int32_t> via(columns, -1);          // row segment a column was reached from
    for (int32_t start = 0; start < int32_t(adjacent.size()); ++start) {
        stack.assign(1, {start, 0});
        int32_t freeColumn = -1;
        while (!stack.empty() && freeColumn < 0) {
            auto& [row, next] = stack.back();
            if (next == adjacent[size_t(row)].size()) {
                stack.pop_back();
                continue;
            }
            const int32_t column = adjacent[size_t(row)][next++];
            if (seen[size_t(column)] == start)
                continue;
            seen[size_t(column)] = start;
            via[size_t(column)] = row;
            if (m.columnMate[size_t(column)] < 0)
                freeColumn = column;
            else
                stack.push_back({m.columnMate[size_t(column)], 0});
        }
        // Flip the path back to the start.
        for (int32_t column = freeColumn; column >= 0;) {
            const int32_t row = via[size_t(column)];
            const int32_t previous = m.rowMate[size_t(row)];
            m.rowMate[size_t(row)] = column;
            m.columnMate[size_t(column)] = row;
            column = previous;
        }
    }
    return m;
}

}  // namespace

std::vector<CoverStroke> coverWithStrokes(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked,
                                          int32_t side)
{
    const size_t n = pixels.size();
    std::vector<int32_t> byColumn(pixels);
    std::stable_sort(byColumn.begin(), byColumn.end(), [side](int32_t a, int32_t b) { return a % side < b % side; });

    auto open = [&](size_t i) { return blocked[i] == 0; };
    std::vector<int32_t> rowOf(n);
    std::vector<int32_t> columnOf(n);
    const std::vector<Segment> rows = segmentsOf(
        pixels, rowOf, [side](int32_t i) { return i % side; }, [side](int32_t i) { return i / side; },
        [&](int32_t line, int32_t p) { return open(size_t(line) * size_t(side) + size_t(p)); });
    const std::vector<Segment> columns = segmentsOf(
        byColumn, columnOf, [side](int32_t i) { return i / side; }, [side](int32_t i) { return i % side; },
        [&](int32_t line, int32_t p) { return open(size_t(p) * size_t(side) + size_t(line)); });

    // columnOf is in column order; give each pixel (in row order) its column segment.
    // Sorted back by index, the pairs line up with pixels, which are in row order:
    // no board-sized table, as the planner covers thousands of small colours.
    std::vector<std::pair<int32_t, int32_t>> columnOfPixel(n);
    for (size_t k = 0; k < n; ++k)
        columnOfPixel[k] = {byColumn[k], columnOf[k]};
    std::sort(columnOfPixel.begin(), columnOfPixel.end());
    std::vector<std::vector<int32_t>> adjacent(rows.size());
    for (size_t k = 0; k < n; ++k)
        adjacent[size_t(rowOf[k])].push_back(columnOfPixel[k].second);

    const Matching m = maximumMatching(adjacent, columns.size());
    // König: from the unmatched row segments, walk unmatched edges to columns and
    // matched edges back. The cover is the rows not reached and the columns reached.
    std::vector<uint8_t> rowReached(rows.size(), 0);
    std::vector<uint8_t> columnReached(columns.size(), 0);
    std::vector<int32_t> queue;
    for (size_t r = 0; r < rows.size(); ++r)
        if (m.rowMate[r] < 0) {
            rowReached[r] = 1;
            queue.push_back(int32_t(r));
        }
    for (size_t q = 0; q < queue.size(); ++q)
        for (const int32_t column : adjacent[size_t(queue[q])]) {
            if (columnReached[size_t(column)])
                continue;
            columnReached[size_t(column)] = 1;
            const int32_t mate = m.columnMate[size_t(column)];
            if (mate >= 0 && !rowReached[size_t(mate)]) {
                rowReached[size_t(mate)] = 1;
                queue.push_back(mate);
            }
        }

    std::vector<CoverStroke> out;
    for (size_t r = 0; r < rows.size(); ++r)
        if (!rowReached[r])
            out.push_back({true, rows[r].line, rows[r].from, rows[r].to});
    for (size_t c = 0; c < columns.size(); ++c)
        if (columnReached[c])
            out.push_back({false, columns[c].line, columns[c].from, columns[c].to});
    return out;
}
