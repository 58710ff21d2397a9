#pragma once
// -repair: after the drawing, the board is read back from the screen and compared
// with the board the run meant to leave; the pixels that differ (input the page
// dropped) are drawn again through the -fast planner, and the board read again, for
// as long as the rounds leave fewer pixels differing than the ones before.

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

// A page that drops a few per cent of all presses, slider clicks included, leaves
// about a tenth of a round's pixels wrong (a lost slider click sends that colour's
// strokes out in the old pen), so even the largest repair, a quarter of the board's
// painted pixels, is down to nothing in five or six rounds; eight leave room for
// unlucky ones, while two rounds in a row that mend nothing end the repair.
inline constexpr int32_t mostRepairRounds = 8;
// More than this share of the painted pixels differing means the page itself draws
// otherwise (another page, a zoomed browser: most of the board differs): redrawing
// would not help. A point is four presses, so a page that loses 3 % of them, slider
// clicks included, spoils up to 12 % of the points of a photo; it must be repaired.
// Unless the pace saw the page lose input amid input it showed: a browser starved
// of time for seconds can lose more than that, and drew all it took as modelled.
inline constexpr int64_t refusalPercent = 25;
// Whether differing of painted pixels say the page draws otherwise than modelled:
// more than refusalPercent, and no input seen lost.
bool drawsOtherwise(int64_t differing, int64_t painted);

// meant: the board the run meant to leave (the page model after the normal pass).
// Reads the board at BoardOrigin.
RepairResult repairBoard(const PageModel& meant, RepairReport& report);
