#include "planner/sketch_plan.h"

#include <algorithm>
#include <cstddef>
#include <queue>
#include <tuple>

namespace {

// Painted runs shorter than this are left to the drawing: a sketch of them costs
// about what drawing them does.
constexpr int32_t shortestRun = 6;
// Sketch pens on every third slider position (15 apart in value): few pens, so few
// slider clicks, and no pixel more than 8 off its stretch's mean for that.
constexpr int32_t penGrain = 3;

struct Piece {
    int32_t row = 0;
    int32_t from = 0;  // first and last pixel, both painted
    int32_t to = 0;
};

// Sums and sums of squares of each channel along each row, to tell any stretch's
// mean and squared error at once.
struct RowSums {
    int32_t side = 0;
    std::vector<int64_t> sum[3];     // per channel: row * (side + 1) + pixels summed
    std::vector<int64_t> square[3];
};

RowSums rowSumsOf(const std::vector<uint32_t>& colours, int32_t side)
{
    RowSums sums;
    sums.side = side;
    for (int c = 0; c < 3; ++c) {
        sums.sum[c].assign(size_t(side) * size_t(side + 1), 0);
        sums.square[c].assign(sums.sum[c].size(), 0);
    }
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x)
            for (int c = 0; c < 3; ++c) {
                const int64_t v = colours[size_t(y) * size_t(side) + size_t(x)] >> (8 * c) & 0xFFu;
                const size_t at = size_t(y) * size_t(side + 1) + size_t(x);
                sums.sum[c][at + 1] = sums.sum[c][at] + v;
                sums.square[c][at + 1] = sums.square[c][at] + v * v;
            }
    return sums;
}

int64_t channelSum(const RowSums& sums, int c, const Piece& p)
{
    const size_t base = size_t(p.row) * size_t(sums.side + 1);
    return sums.sum[c][base + size_t(p.to) + 1] - sums.sum[c][base + size_t(p.from)];
}

double squaredError(const RowSums& sums, const Piece& p)
{
    const size_t base = size_t(p.row) * size_t(sums.side + 1);
    const double n = double(p.to - p.from + 1);
    double e = 0;
    for (int c = 0; c < 3; ++c) {
        const double s = double(channelSum(sums, c, p));
        e += double(sums.square[c][base + size_t(p.to) + 1] - sums.square[c][base + size_t(p.from)]) - s * s / n;
    }
    return e;
}

// The split of a piece that lowers the error most: the gain and the last pixel of
// its left part.
std::pair<double, int32_t> bestSplit(const RowSums& sums, const Piece& p)
{
    const double whole = squaredError(sums, p);
    std::pair<double, int32_t> best{0.0, -1};
    for (int32_t k = p.from + shortestRun - 1; k + shortestRun <= p.to; ++k) {
        const double gain = whole - squaredError(sums, {p.row, p.from, k}) - squaredError(sums, {p.row, k + 1, p.to});
        if (gain > best.first)
            best = {gain, k};
    }
    return best;
}

uint32_t sketchPen(const RowSums& sums, const Piece& p)
{
    const int64_t n = p.to - p.from + 1;
    uint32_t key = 0;
    for (int c = 0; c < 3; ++c) {
        const int64_t mean = (channelSum(sums, c, p) + n / 2) / n;
        const int64_t position = std::min<int64_t>(51, (mean * 2 + 5 * penGrain) / (10 * penGrain) * penGrain);
        key |= uint32_t(position) << (12 - 6 * c);
    }
    return key;
}

}  // namespace

std::vector<PlannedGesture> planSketch(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted,
                                       int32_t side, int64_t mostGestures)
{
    std::vector<PlannedGesture> plan;
    if (side <= 0 || side > 32767 || mostGestures <= 0)
        return plan;
    const size_t count = size_t(side) * size_t(side);
    if (colours.size() < count || painted.size() < count)
        return plan;

    // The strokes get three quarters of the gestures; the slider clicks the rest.
    const int64_t mostStrokes = mostGestures * 3 / 4;
    std::vector<Piece> pieces;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side;) {
            int32_t end = x;
            while (end < side && painted[size_t(y) * size_t(side) + size_t(end)])
                ++end;
            if (end - x >= shortestRun)
                pieces.push_back({y, x, end - 1});
            x = end + 1;
        }
    if (pieces.empty() || int64_t(pieces.size()) > mostStrokes)
        return plan;

    const RowSums sums = rowSumsOf(colours, side);
    std::priority_queue<std::tuple<double, int32_t, int32_t>> splits;  // gain, piece, split after
    for (size_t i = 0; i < pieces.size(); ++i) {
        const auto [gain, at] = bestSplit(sums, pieces[i]);
        if (at >= 0)
            splits.push({gain, int32_t(i), at});
    }
    while (int64_t(pieces.size()) < mostStrokes && !splits.empty()) {
        const auto [gain, i, at] = splits.top();
        splits.pop();
        const Piece whole = pieces[size_t(i)];
        pieces[size_t(i)] = {whole.row, whole.from, at};
        pieces.push_back({whole.row, at + 1, whole.to});
        for (const int32_t part : {i, int32_t(pieces.size() - 1)}) {
            const auto [partGain, partAt] = bestSplit(sums, pieces[size_t(part)]);
            if (partAt >= 0)
                splits.push({partGain, part, partAt});
        }
    }

    // Pen by pen, clicking only the sliders that change.
    std::vector<std::pair<uint32_t, Piece>> byPen;
    for (const Piece& p : pieces)
        byPen.push_back({sketchPen(sums, p), p});
    std::sort(byPen.begin(), byPen.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first, a.second.row, a.second.from) < std::tie(b.first, b.second.row, b.second.from);
    });
    int32_t slider[3] = {-1, -1, -1};
    for (const auto& [pen, p] : byPen) {
        for (int channel = 0; channel < 3; ++channel) {
            const int32_t position = int32_t(pen >> (12 - 6 * channel) & 63u);
            if (slider[channel] != position) {
                slider[channel] = position;
                plan.push_back({GestureKind::Slider, uint8_t(channel), int16_t(position), 0, 0, 0});
            }
        }
        plan.push_back({GestureKind::Stroke, 0, int16_t(p.from), int16_t(p.row), int16_t(p.to), int16_t(p.row)});
    }
    // Any part of a sketch is safe to leave out; past the budget, the last pens are.
    if (int64_t(plan.size()) > mostGestures)
        plan.resize(size_t(mostGestures));
    return plan;
}
