#pragma once
// -repair: after the drawing, the board is read back from the screen and compared
// with the board the run meant to leave; the pixels that differ (input the page
// dropped) are drawn again through the -fast planner, and the board read again, at
// most three times.

#include "preview/page_model.h"

#include <cstdint>

enum class RepairResult {
    Done,     // the board read back; differing pixels redrawn where there were any
    Refused,  // too much differed after the drawing: the page does not draw as modelled
    Aborted,  // Escape
};

struct RepairReport {
    int64_t painted = 0;         // pixels the run paints
    int64_t firstDiffering = 0;  // pixels that differed after the drawing
    int64_t repaired = 0;        // of those, pixels that are right now
    int64_t stillDiffering = 0;  // pixels that differ at the end
    int32_t rounds = 0;          // redrawing rounds
};

inline constexpr int32_t mostRepairRounds = 3;
// More than this share of the painted pixels differing means the page itself draws
// otherwise (another page, a zoomed browser): redrawing would not help.
inline constexpr int64_t refusalPercent = 10;

// meant: the board the run meant to leave (the page model after the normal pass).
// Reads the board at BoardOrigin.
RepairResult repairBoard(const PageModel& meant, RepairReport& report);
