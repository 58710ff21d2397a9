#include "desktop/page_pace.h"

#include "desktop/pace_board.h"
#include "desktop/page_pace_state.h"
#include "desktop/pen_tracker.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <algorithm>

PaceState pace;
int64_t lostAmidShown = 0;

bool paced() { return pace.watched && !pace.blind; }

int64_t leadWindow() { return pace.window; }

int64_t queueBudgetUs() { return pace.chosen == paceDefault ? defaultLeadUs : queuedBudgetUs; }

int64_t mostLeadRecords() { return pace.chosen == paceDefault ? defaultLeadRecords : largestWindow; }

int64_t smallestLagWindow() { return pace.chosen == paceAuto ? smallestAutoLagWindow : smallestWindow; }

namespace {

const char* const stalledText =
    "scrivdraw waiting \xC2\xB7 the page shows nothing of what it was sent (Escape stops)";

void start(int64_t recordsSent)
{
    pace.started = true;
    const int64_t before = clockMicroseconds();
    readPaceBoard(BoardOrigin.x, BoardOrigin.y);
    const int64_t after = clockMicroseconds();
    pace.knownRecords = recordsSent;
    pace.lastShownUs = after;
    // A desktop whose reads wait for the compositor's next frame cannot answer a
    // probe between two gestures: there the probes are read from the looks.
    if (activeDesktop().beginCapture != nullptr && after - before >= frameWaitUs)
        pace.boardLooks = true;
}

// How far apart looks are kept, so that they cost at most lookShare of the time
// (without a pace every gesture is looked after).
int64_t lookIntervalUs()
{
    return pace.chosen == paceDefault ? 0 : static_cast<int64_t>(double(pace.lookCostUs) / lookShare);
}

PaceState freshPace(int32_t chosen)
{
    PaceState state;
    state.chosen = chosen;
    state.pauseUs = chosen == paceAuto ? firstAutoPauseUs : chosen;
    // Without a pace the whole lead is let ahead from the start: a page that keeps
    // up never waits for the window to grow.
    if (chosen == paceDefault)
        state.window = defaultLeadRecords;
    return state;
}

bool mustHold(int64_t now, int64_t recordsSent)
{
    // No probe on its way: every gesture since the last one shown paints what the
    // board already shows (any that would change a pixel is a probe), so however far
    // behind the page is with them, nothing on the board is waiting; the next probe
    // waits for all of it. Held instead, a board already drawn (a second run) had
    // the input stop for the budget every window's worth of records.
    if (pace.probeCount == 0)
        return false;
    // The page is at least that far behind (looks far apart see it later). A page
    // that paints in frames shows a probe up to a frame late however little is
    // queued: the window bounds the queue, this only a page that stopped taking it.
    if (pace.probeCount > 0 && now - pace.probes[0].sentUs > queueBudgetUs() + pace.leastLagUs + lookIntervalUs())
        return true;
    return recordsSent + 2 - pace.knownRecords > leadWindow();
}

}  // namespace

void choosePace(int32_t chosen)
{
    pace = freshPace(chosen);
    lostAmidShown = 0;
    forgetPen();
}

int32_t chosenPace() { return pace.chosen; }

int32_t currentPauseMicroseconds() { return pace.chosen == paceDefault ? 1000 : pace.pauseUs; }

void pauseAfterRecord()
{
    if (pace.chosen == paceDefault)
        pauseAfterInput(1);
    else
        pauseAfterInputMicroseconds(pace.pauseUs);
}

bool paceStopped() { return pace.stopped; }

bool pacePauseAsked()
{
    const bool asked = pace.pauseAsked;
    pace.pauseAsked = false;
    return asked;
}

void paceFollowPage(bool watched, int64_t watchArmings)
{
    // A page newly watched: nothing learnt of another page's pace holds for it.
    if (watchArmings != pace.watchArmings) {
        pace = freshPace(pace.chosen);
        pace.watchArmings = watchArmings;
    }
    pace.watched = watched;
}

void paceBeforeGesture(int64_t recordsSent, void (*lookWhileHeld)())
{
    if (pace.stopped || !paced())
        return;
    if (!pace.started)
        start(recordsSent);
    int64_t now = clockMicroseconds();
    checkProbeAge(now, recordsSent);
    if (pace.blind || !mustHold(now, recordsSent))
        return;
    ++pace.report.holds;
    bool told = false;
    for (;;) {
        // Escape ends the hold: the point or gesture under way is finished, as
        // without a pace, and the pass ends at its next look at the keys.
        if (isKeyDown(ControlKey::Escape)) {
            pace.stopped = true;
            break;
        }
        // Keypad minus tapped while held is kept for the pass's next look at the keys.
        if (isKeyDown(ControlKey::KeypadMinus))
            pace.pauseAsked = true;
        sleepMilliseconds(holdStepMs);
        // Nothing is sent meanwhile, so looks may come closer, within a fifth of the
        // time. Looks that come with frames are kept coming, one a frame.
        if (pace.boardLooks && lookWhileHeld != nullptr) {
            lookWhileHeld();
        } else if (clockMicroseconds() - pace.lastLookEndUs >= lookIntervalUs() / 4) {
            const int64_t began = clockMicroseconds();
            paceLook();
            noteLookCost(clockMicroseconds() - began);
        }
        now = clockMicroseconds();
        checkProbeAge(now, recordsSent);
        if (pace.blind || !mustHold(now, recordsSent))
            break;
        if (!told && pace.probeCount > 0 && now - pace.probes[0].sentUs >= probeAwayUs) {
            showStatus(stalledText);
            told = true;
        }
    }
    if (told)
        showStatus("");
}

bool paceSawInputLost() { return lostAmidShown > 0; }

bool paceReadsBoardLooks() { return paced() && pace.boardLooks; }

bool paceProbesUnseen(int64_t giveUpUs)
{
    if (!paced() || !pace.started || pace.probeCount == 0)
        return false;
    paceLook();
    checkProbeAge(clockMicroseconds(), pace.sentRecords, giveUpUs);
    return paced() && pace.probeCount > 0;
}

bool paceLookDue()
{
    if (pace.chosen == paceDefault)
        return true;
    return double(clockMicroseconds() - pace.lastLookEndUs) * lookShare >= double(pace.lookCostUs);
}

void noteLookCost(int64_t lookCostUs)
{
    const int64_t cost = std::clamp<int64_t>(lookCostUs, 0, probeDroppedUs);
    pace.lookCostUs = (3 * pace.lookCostUs + cost) / 4;
    pace.lastLookEndUs = clockMicroseconds();
    if (pace.report.looks++ == 0)
        pace.firstLookUs = pace.lastLookEndUs - cost;
    pace.lookCostSumUs += cost;
}

PaceReport paceReport()
{
    PaceReport report = pace.report;
    report.meanLagUs = pace.report.probes > 0 ? pace.lagSumUs / pace.report.probes : 0;
    report.window = pace.window;
    report.pauseUs = currentPauseMicroseconds();
    if (report.looks > 0) {
        report.meanLookCostUs = pace.lookCostSumUs / report.looks;
        report.lookSpacingUs = (pace.lastLookEndUs - pace.firstLookUs) / report.looks;
    }
    return report;
}
