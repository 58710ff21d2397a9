#include "planner/fast_plan.h"

#include "desktop/sliders.h"
#include "planner/colour_order.h"
#include "planner/line_cover.h"
#include "planner/stroke_cover.h"

#include <algorithm>
#include <cstddef>

namespace {

// A pen colour as its three slider positions, 6 bits each.
uint32_t penKey(uint32_t colour)
{
    return uint32_t(sliderPositionOf(colour & 0xFFu)) << 12 | uint32_t(sliderPositionOf(colour >> 8 & 0xFFu)) << 6 |
           uint32_t(sliderPositionOf(colour >> 16 & 0xFFu));
}
int32_t keyChannel(uint32_t key, int channel) { return int32_t(key >> (12 - 6 * channel) & 63u); }

// The pens in use, numbered in key order, and each one's pixels row by row.
struct BoardPens {
    std::vector<uint32_t> pens;
    std::vector<int32_t> colourAt;  // per board pixel, -1 where nothing is painted
    std::vector<std::vector<int32_t>> pixelsOf;
};

bool groupByPen(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted, int32_t side,
                BoardPens& out)
{
    if (side <= 0 || side > 32767)
        return false;
    const size_t count = size_t(side) * size_t(side);
    if (colours.size() < count || painted.size() < count)
        return false;
    std::vector<int32_t> colourOfKey(size_t{1} << 18, -1);
    for (size_t i = 0; i < count; ++i)
        if (painted[i])
            colourOfKey[penKey(colours[i])] = 0;
    for (uint32_t key = 0; key < colourOfKey.size(); ++key)
        if (colourOfKey[key] == 0) {
            colourOfKey[key] = int32_t(out.pens.size());
            out.pens.push_back(key);
        }
    out.colourAt.assign(count, -1);
    out.pixelsOf.resize(out.pens.size());
    for (size_t i = 0; i < count; ++i)
        if (painted[i]) {
            out.colourAt[i] = colourOfKey[penKey(colours[i])];
            out.pixelsOf[size_t(out.colourAt[i])].push_back(int32_t(i));
        }
    return true;
}

}  // namespace

std::vector<PlannedGesture> planFastDrawing(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted,
                                            int32_t side)
{
    std::vector<PlannedGesture> plan;
    BoardPens board;
    if (!groupByPen(colours, painted, side, board))
        return plan;
    const std::vector<int32_t> order = chooseColourOrder(board.pixelsOf, board.pens, board.colourAt, side);

    std::vector<uint8_t> blocked(board.colourAt.size(), 1);  // unpainted, or finished in its colour
    for (size_t i = 0; i < blocked.size(); ++i)
        blocked[i] = board.colourAt[i] < 0;
    int32_t slider[3] = {-1, -1, -1};  // unknown until first set: the user may have moved them
    for (const int32_t colour : order) {
        for (int channel = 0; channel < 3; ++channel) {
            const int32_t position = keyChannel(board.pens[size_t(colour)], channel);
            if (slider[channel] == position)
                continue;
            slider[channel] = position;
            plan.push_back({GestureKind::Slider, uint8_t(channel), int16_t(position), 0, 0, 0});
        }
        for (const LineStroke& s : coverWithLines(board.pixelsOf[size_t(colour)], blocked, side))
            plan.push_back({GestureKind::Stroke, 0, int16_t(s.x1), int16_t(s.y1), int16_t(s.x2), int16_t(s.y2)});
        for (const int32_t i : board.pixelsOf[size_t(colour)])
            blocked[size_t(i)] = 1;
    }
    return plan;
}

PlanBound rowAndColumnBound(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted, int32_t side)
{
    PlanBound bound;
    BoardPens board;
    if (!groupByPen(colours, painted, side, board))
        return bound;
    std::vector<uint8_t> closed(board.colourAt.size(), 0);
    for (size_t i = 0; i < closed.size(); ++i)
        closed[i] = board.colourAt[i] < 0;
    bound.pens = int64_t(board.pens.size());
    for (const std::vector<int32_t>& pixels : board.pixelsOf)
        bound.strokes += int64_t(coverWithStrokes(pixels, closed, side).size());
    return bound;
}
