#pragma once
// A rough sketch of a finished board in a few long strokes along its rows, each
// in the mean colour of the stretch it covers, so that the whole picture shows
// within the first part of a drawing. It crosses only pixels the drawing paints,
// and the drawing paints each of them again afterwards: the sketch changes
// nothing in the board the drawing leaves.

#include "planner/fast_plan.h"

#include <cstdint>
#include <vector>

// colours, painted, side: as for planFastDrawing. At most mostGestures slider
// clicks and strokes; empty where the painted pixels do not lie in runs long
// enough to sketch in that many (a sparse grid).
std::vector<PlannedGesture> planSketch(const std::vector<uint32_t>& colours, const std::vector<uint8_t>& painted,
                                       int32_t side, int64_t mostGestures);
