#include "planner/fast_plan.h"

#include "desktop/sliders.h"
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

// The order colours are drawn in. Sorting by red, then green position keeps slider
// changes to about one per colour; within a red and green pair the order is free,
// so the colours with most pixels come first: their strokes may then run across the
// smaller colours drawn over them later.
std::vector<uint32_t> drawingOrder(const std::vector<int64_t>& pixelsPerKey)
{
    std::vector<uint32_t> order;
    for (uint32_t key = 0; key < pixelsPerKey.size(); ++key)
        if (pixelsPerKey[key] > 0)
            order.push_back(key);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        if ((a >> 6) != (b >> 6))
            return (a >> 6) < (b >> 6);
        if (pixelsPerKey[a] != pixelsPerKey[b])
            return pixelsPerKey[a] > pixelsPerKey[b];
        return a < b;
    });
    return order;
}

}  // namespace

std::vector<PlannedGesture> planFastDrawing(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted,
                                            int32_t side)
{
    std::vector<PlannedGesture> plan;
    if (side <= 0 || side > 32767)
        return plan;
    const size_t count = size_t(side) * size_t(side);
    if (colours.size() < count || painted.size() < count)
        return plan;

    std::vector<int64_t> pixelsPerKey(size_t{1} << 18, 0);
    std::vector<uint32_t> keys(count, 0);
    std::vector<uint8_t> blocked(count, 1);  // unpainted, or finished in its colour
    for (size_t i = 0; i < count; ++i) {
        if (!painted[i])
            continue;
        keys[i] = penKey(colours[i]);
        ++pixelsPerKey[keys[i]];
        blocked[i] = 0;
    }
    const std::vector<uint32_t> order = drawingOrder(pixelsPerKey);

    // Each colour's pixels, row by row.
    std::vector<int32_t> rank(size_t{1} << 18, 0);
    for (size_t r = 0; r < order.size(); ++r)
        rank[order[r]] = int32_t(r);
    std::vector<std::vector<int32_t>> pixelsOf(order.size());
    for (size_t i = 0; i < count; ++i)
        if (painted[i])
            pixelsOf[size_t(rank[keys[i]])].push_back(int32_t(i));

    int32_t slider[3] = {-1, -1, -1};  // unknown until first set: the user may have moved them
    for (size_t r = 0; r < order.size(); ++r) {
        for (int channel = 0; channel < 3; ++channel) {
            const int32_t position = keyChannel(order[r], channel);
            if (slider[channel] == position)
                continue;
            slider[channel] = position;
            plan.push_back({GestureKind::Slider, uint8_t(channel), int16_t(position), 0, 0, 0});
        }
        for (const CoverStroke& s : coverWithStrokes(pixelsOf[r], blocked, side)) {
            if (s.alongRow)
                plan.push_back({GestureKind::Stroke, 0, int16_t(s.from), int16_t(s.line), int16_t(s.to), int16_t(s.line)});
            else
                plan.push_back({GestureKind::Stroke, 0, int16_t(s.line), int16_t(s.from), int16_t(s.line), int16_t(s.to)});
        }
        for (const int32_t i : pixelsOf[r])
            blocked[size_t(i)] = 1;
    }
    return plan;
}
