#pragma once
// -fast: the board a normal pass would leave, drawn directly through the planner,
// with a fraction of the input.

#include "cmdline/run_settings.h"
#include "driver/drawing_pass.h"
#include "image/targa_image.h"
#include "planner/fast_plan.h"

#include <vector>

// What a drawing sent: the points of the normal pass (which -fast reproduces) and
// the input records actually sent.
struct DrawingTally {
    int64_t points = 0;
    int64_t records = 0;
};

// The run's drawing: the normal pass, or with -fast the planned one. Its progress
// is shown against the records planned for it, worked out on the page model first.
// With -order coarse a sketch comes first and the normal pass goes coarse to fine;
// where that order would change the board (marks that overlap), a run without
// -fast is refused with one line (Aborted), and -fast keeps the rows order. With
// -previewat the shown page keeps its board after that share of the records.
PassResult runDrawing(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                      DrawingTally& tally);

PassResult runFastPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second);

// Draws planned gestures on the board at BoardOrigin, polling the keys before each
// one as the normal pass does before each point.
PassResult drawPlannedGestures(const std::vector<PlannedGesture>& plan);
