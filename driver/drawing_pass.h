#pragma once
// The main loop: walks the grid over the board, samples the pictures, sets the pen
// colour and marks each point, watching Escape, keypad minus and keypad plus.

#include "cmdline/run_settings.h"
#include "image/targa_image.h"

enum class PassResult {
    Finished,
    Aborted,  // Escape was down: the run ends at once with status -1
};

// second is read only when settings.crossfade is above 0.
PassResult runDrawingPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second);
