#include "planner/line_cover.h"

#include "planner/stroke_cover.h"

#include <algorithm>
#include <cstddef>
#include <queue>
#include <utility>

namespace {

// The four directions as steps: along a row, a column, down-right, down-left.
constexpr int32_t stepX[4] = {1, 0, 1, -1};
constexpr int32_t stepY[4] = {0, 1, 1, 1};

// A stretch of a line with no blocked pixel, and the colour's pixels on it in
// order along it.
struct Stretch {
    int direction = 0;
    std::vector<int32_t> members;  // indexes into the colour's pixel list
    int32_t uncovered = 0;
};

// Every open stretch of every direction that holds some of the colour's pixels;
// stretchOf[k * 4 + d] is the stretch of pixel k in direction d.
std::vector<Stretch> openStretches(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked,
                                   int32_t side, std::vector<int32_t>& stretchOf)
{
    const size_t n = pixels.size();
    std::vector<Stretch> stretches;
    stretchOf.assign(n * 4, -1);
    std::vector<int32_t> byLine(n);
    for (int d = 0; d < 4; ++d) {
        // A pixel's line and its position along it; sorting by both walks each line.
        auto key = [&](int32_t k) {
            const int32_t x = pixels[size_t(k)] % side;
            const int32_t y = pixels[size_t(k)] / side;
            const int32_t line = d == 0 ? y : d == 1 ? x : d == 2 ? x - y : x + y;
            return std::pair<int32_t, int32_t>{line, y * side + x};
        };
        for (size_t k = 0; k < n; ++k)
            byLine[k] = int32_t(k);
        std::sort(byLine.begin(), byLine.end(), [&](int32_t a, int32_t b) { return key(a) < key(b); });
        for (size_t j = 0; j < n; ++j) {
            const int32_t k = byLine[j];
            bool joined = false;
            if (j > 0 && key(byLine[j - 1]).first == key(k).first) {
                // Walk from the previous pixel on the line to this one: open all the way?
                const int32_t from = pixels[size_t(byLine[j - 1])];
                int32_t x = from % side + stepX[d];
                int32_t y = from / side + stepY[d];
                joined = true;
                for (; y * side + x != pixels[size_t(k)] && joined; x += stepX[d], y += stepY[d])
                    joined = blocked[size_t(y) * size_t(side) + size_t(x)] == 0;
            }
            if (!joined)
                stretches.push_back({d, {}, 0});
            stretches.back().members.push_back(k);
            ++stretches.back().uncovered;
            stretchOf[size_t(k) * 4 + size_t(d)] = int32_t(stretches.size() - 1);
        }
    }
    return stretches;
}

// Greedy: the stretch with the most pixels still uncovered, drawn from its first
// such pixel to its last, until every pixel is covered.
std::vector<LineStroke> greedyCover(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked,
                                    int32_t side)
{
    std::vector<int32_t> stretchOf;
    std::vector<Stretch> stretches = openStretches(pixels, blocked, side, stretchOf);
    std::priority_queue<std::pair<int32_t, int32_t>> queue;  // uncovered, stretch (newest first on ties)
    for (size_t s = 0; s < stretches.size(); ++s)
        queue.push({stretches[s].uncovered, int32_t(s)});
    std::vector<uint8_t> covered(pixels.size(), 0);
    std::vector<LineStroke> out;
    while (!queue.empty()) {
        const auto [count, s] = queue.top();
        queue.pop();
        Stretch& stretch = stretches[size_t(s)];
        if (count != stretch.uncovered || count == 0)
            continue;  // stale, or nothing left on it
        int32_t first = -1;
        int32_t last = -1;
        for (const int32_t k : stretch.members) {
            if (covered[size_t(k)])
                continue;
            if (first < 0)
                first = k;
            last = k;
            covered[size_t(k)] = 1;
            for (int d = 0; d < 4; ++d) {
                Stretch& other = stretches[size_t(stretchOf[size_t(k) * 4 + size_t(d)])];
                --other.uncovered;
                if (&other != &stretch && other.uncovered > 0)
                    queue.push({other.uncovered, stretchOf[size_t(k) * 4 + size_t(d)]});
            }
        }
        const int32_t a = pixels[size_t(first)];
        const int32_t b = pixels[size_t(last)];
        out.push_back({a % side, a / side, b % side, b / side});
    }
    return out;
}

std::vector<LineStroke> rowsAndColumns(const std::vector<CoverStroke>& cover)
{
    std::vector<LineStroke> out;
    out.reserve(cover.size());
    for (const CoverStroke& s : cover)
        out.push_back(s.alongRow ? LineStroke{s.from, s.line, s.to, s.line} : LineStroke{s.line, s.from, s.line, s.to});
    return out;
}

}  // namespace

std::vector<LineStroke> coverWithLines(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked,
                                       int32_t side)
{
    std::vector<LineStroke> exact = rowsAndColumns(coverWithStrokes(pixels, blocked, side));
    std::vector<LineStroke> greedy = greedyCover(pixels, blocked, side);
    return greedy.size() < exact.size() ? greedy : exact;
}

int32_t lineCoverSize(const std::vector<int32_t>& pixels, const std::vector<uint8_t>& blocked, int32_t side)
{
    return int32_t(coverWithLines(pixels, blocked, side).size());
}
