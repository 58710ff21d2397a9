#pragma once
// -order coarse's promise, the same board: proved on the page model before any
// input, as the normal pass's marks may overlap (lines, jigged points, a scaled
// pointer), and then the later mark wins, whichever order they came in.

#include "cmdline/run_settings.h"
#include "driver/normal_board.h"
#include "image/targa_image.h"

#include <cstdint>

enum class CoarseCheck {
    SameBoard,
    ChangesBoard,
    Aborted,  // a stop was asked for meanwhile
};

// Runs the pass in the coarse order on the model and compares its board with the
// rows order's (normal). Leaves the run as learnNormalBoard does.
CoarseCheck checkCoarseOrder(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                             const NormalBoard& normal);

// The one line that refuses -order coarse where it would change the board.
inline constexpr const char* coarseRefusal =
    "Bad -order coarse: marks overlap here (-uselines, -jigfactor or a scaled pointer), so the order would change "
    "the board; -fast -order coarse keeps it!\n";

// The sketch's share of a drawing of this many gestures: an eighth, at most 4,000.
int64_t sketchGestures(int64_t drawingGestures);
