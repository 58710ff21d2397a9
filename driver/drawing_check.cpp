#include "driver/drawing_check.h"

#include "desktop/page_pace.h"
#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "desktop/stroke_check.h"
#include "driver/control_keys.h"
#include "driver/progress.h"
#include "driver/repair_pass.h"

#include <vector>

namespace {

constexpr size_t boardPixels = size_t{boardSide} * boardSide;

int64_t countDiffering(const PageModel& meant, const std::vector<uint32_t>& seen)
{
    int64_t count = 0;
    for (size_t i = 0; i < boardPixels; ++i)
        if (meant.painted[i] != 0 && !coloursNear(seen[i], meant.board[i]))
            ++count;
    return count;
}

bool escapeDown()
{
    bool paused = false;
    return pollControlKeys(paused) == KeyVerdict::Abort;
}

bool pageAway() { return pageWatchdogArmed() && pageWatched() && checkPage() == PageCheck::Away; }

}  // namespace

DrawingCheck checkDrawingShown(const PageModel& meant, DrawingCheckReport& report)
{
    report = {};
    for (const uint8_t p : meant.painted)
        report.painted += p;
    std::vector<uint32_t> seen(boardPixels);
    std::vector<uint32_t> before;
    int32_t stillMs = 0;
    for (int32_t waited = 0;; waited += stillReadEveryMs) {
        const bool away = pageAway();
        if (!away) {
            captureScreen(BoardOrigin.x, BoardOrigin.y, boardSide, boardSide, seen.data());
            report.differing = countDiffering(meant, seen);
            // Shown at once needs no wait; otherwise the page may still be painting.
            if (report.differing == 0)
                return DrawingCheck::Shown;
            stillMs = seen == before && !paceProbesUnseen(endProbeWaitUs) ? stillMs + stillReadEveryMs : 0;
            before = seen;
        }
        if ((!away && stillMs >= stillForMs) || waited >= checkWaitLimitMs)
            break;
        if (escapeDown())
            return DrawingCheck::Aborted;
        sleepMilliseconds(stillReadEveryMs);
    }
    if (drawsOtherwise(report.differing, report.painted))
        return DrawingCheck::Unlike;
    return DrawingCheck::Lost;
}

std::string drawingCheckLine(DrawingCheck check, const DrawingCheckReport& report, bool repaired)
{
    const std::string counts = grouped(report.differing) + " of " + grouped(report.painted) + " pixels drawn";
    if (check == DrawingCheck::Unlike)
        return "The page does not draw as expected: " + counts + " differ from the picture, so it is not the "
               "drawing page, or not shown at 1:1.";
    if (repaired)
        return "The page lost part of the drawing: " + counts + " still differ from the picture after the repair "
               "(the machine was busy?).";
    return "The page lost part of the drawing: " + counts + " differ from the picture (the machine was busy?). "
           "Run again with -repair to mend them.";
}
