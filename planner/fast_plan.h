#pragma once
// Plans how to draw a finished board with as little input as possible: colour by
// colour (in the order colour_order.h chooses), each slider clicked only when its
// channel changes, and each run of a colour drawn as one stroke along a row, a
// column or a 45-degree diagonal. Pages agree on which pixels such a 1-pixel line
// covers, whatever their line algorithm, so the plan leaves exactly the board it
// was given on any of them.

#include <cstdint>
#include <vector>

enum class GestureKind : uint8_t {
    Slider,  // a click on slider `channel` at position x1 (0..51)
    Stroke,  // press at board pixel (x1, y1), release at (x2, y2); a dot when equal
};

struct PlannedGesture {
    GestureKind kind = GestureKind::Stroke;
    uint8_t channel = 0;
    int16_t x1 = 0;
    int16_t y1 = 0;
    int16_t x2 = 0;
    int16_t y2 = 0;
};

// colours: the board's pixels row by row (side x side, 0x00BBGGRR, every channel a
// value the sliders can set); painted: which of them to draw (the others are left
// alone). Every painted pixel ends in its colour and no other pixel is touched.
std::vector<PlannedGesture> planFastDrawing(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted,
                                            int32_t side);

// Every gesture is a press and a release.
inline int64_t plannedRecords(const std::vector<PlannedGesture>& plan) { return 2 * int64_t(plan.size()); }

// However the colours are ordered, the last stroke over a pixel has the pixel's
// colour, so each pen needs at least the strokes that cover its pixels with every
// painted pixel open to cross, and each pen past the first a slider click. The
// bound for strokes along rows and columns only, exact, for the benchmarks.
struct PlanBound {
    int64_t pens = 0;
    int64_t strokes = 0;
};
PlanBound rowAndColumnBound(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted, int32_t side);
