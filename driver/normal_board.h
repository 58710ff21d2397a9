#pragma once
// The board a normal pass would leave, worked out in memory: the same pass, with
// the same settings, pictures and random numbers, sent to a model of the page on a
// model screen of the real screen's size with the board where it was found.

#include "cmdline/run_settings.h"
#include "driver/drawing_pass.h"
#include "image/targa_image.h"
#include "preview/page_model.h"

#include <cstdint>

struct NormalBoard {
    PageModel page;       // the board, and which of its pixels the pass paints
    int64_t points = 0;   // points the pass draws
    int64_t records = 0;  // input records it sends
};

// Runs the pass on the model from the current random state, leaving that state,
// the desktop in use and ScreenSize as they were. Aborted only when a stop was
// asked for meanwhile. In the rows order, whatever -order says: its board is the
// one every order must leave (and -repair must restore).
PassResult learnNormalBoard(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                            NormalBoard& out);

// The same in the order the settings ask for.
PassResult learnBoardAsOrdered(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                               NormalBoard& out);
