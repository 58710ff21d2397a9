#pragma once
// -fast: the board a normal pass would leave, drawn directly through the planner,
// with a fraction of the input.

#include "cmdline/run_settings.h"
#include "driver/drawing_pass.h"
#include "image/targa_image.h"
#include "planner/fast_plan.h"

#include <vector>

PassResult runFastPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second);

// Draws planned gestures on the board at BoardOrigin, polling the keys before each
// one as the normal pass does before each point.
PassResult drawPlannedGestures(const std::vector<PlannedGesture>& plan);
