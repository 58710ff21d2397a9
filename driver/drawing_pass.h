#pragma once
// The main loop: walks the grid over the board, samples the pictures, sets the pen
// colour and marks each point, watching Escape, keypad minus and keypad plus.

#include "cmdline/run_settings.h"
#include "image/targa_image.h"

enum class PassResult {
    Finished,
    Aborted,  // Escape was down: the run ends at once with status -1
};

// second is read only when settings.crossfade is above 0. With -order coarse the
// points go in the coarse order (coarse_pass.h).
PassResult runDrawingPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second);

// What one grid point draws, worked out as the pass does, random numbers and all.
struct PointMark {
    bool drawn = false;  // false: the point is skipped (-ignorewhite, -ignoreblack)
    int32_t pen[3] = {0, 0, 0};
    int32_t x = 0;  // the grid point on the board
    int32_t y = 0;
    int32_t dx = 0;  // the move to the click, or to the line's end
    int32_t dy = 0;
};
PointMark markOfPoint(const RunSettings& settings, const PassPixels& first, const PassPixels* second, int32_t x,
                      int32_t y);

// The pen set and the mark made, as the pass sends them.
void sendMark(const RunSettings& settings, const PointMark& mark);
