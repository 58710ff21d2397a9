#pragma once
// -order coarse for the normal pass: the same marks, the whole picture first.

#include "cmdline/run_settings.h"
#include "driver/drawing_pass.h"
#include "image/targa_image.h"

#include <cstdint>
#include <vector>

// The grid's points (row by row, columns x rows) in interlaced order: Adam7's seven
// passes, every 8th point of every 8th row first. Empty beyond 300 x 300 points.
std::vector<int32_t> coarseOrder(int32_t columns, int32_t rows);

// The marks worked out in the normal pass's order, sent in coarseOrder's, with the
// keys polled before each point as the pass does.
PassResult runCoarseDrawingPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second);
