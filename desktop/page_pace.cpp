#include "desktop/page_pace.h"

#include "desktop/pace_board.h"
#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <algorithm>

namespace {

constexpr int32_t side = paceBoardSide;
constexpr int32_t sliderLeftOffset = 365;
constexpr int32_t sliderLastPosition = 51;
// Records that may be on their way to the page beyond the last it showed: grown a
// quarter while the lag stays short, cut back when it grows long, halved on a drop.
constexpr int64_t firstWindow = 32;
constexpr int64_t smallestWindow = 8;
// Browsers paint input in frames and take only so many events into one (Chromium
// refuses frames with more than 100): a larger window would not go faster anyway.
constexpr int64_t largestWindow = 128;
constexpr int64_t windowStep = 2;
// Probes on their way at once, taken an eighth of the window apart: with only one,
// the records sent before it would be known taken a whole lag later than they are,
// and the page would get a window's worth only every second lag.
constexpr int32_t mostProbes = 8;
constexpr int64_t probesPerWindow = 8;
// Reads of probes in one look: the oldest, and those after it while they show.
constexpr int32_t mostProbeReads = 3;
constexpr int64_t shortQueueUs = queuedBudgetUs / 4;
constexpr int64_t longQueueUs = queuedBudgetUs / 2;
constexpr int64_t longestPaintUs = 50'000;
constexpr int32_t firstAutoPauseUs = 1000;
constexpr int32_t dropsBeforeBlind = 3;
constexpr int32_t holdStepMs = 1;
constexpr int64_t frameWaitUs = 4000;

const char* const stalledText =
    "scrivdraw waiting \xC2\xB7 the page shows nothing of what it was sent (Escape stops)";

struct Probe {
    int32_t x = 0;  // board pixel
    int32_t y = 0;
    uint32_t colour = 0;
    int64_t sentUs = 0;
    int64_t records = 0;  // records sent once it was
    int64_t unseenUs = 0;  // when a read last found the pixel not yet showing it
};

struct Pace {
    int32_t chosen = paceDefault;
    int32_t pauseUs = 0;
    bool started = false;  // the board was read
    bool blind = false;    // the board is no guide: no probes, no holds
    uint32_t pen[3] = {0, 0, 0};
    bool penKnown[3] = {false, false, false};
    Probe probes[mostProbes];  // oldest first
    int32_t probeCount = 0;
    int64_t knownRecords = 0;  // the page is known to have taken every record up to this many
    int64_t window = firstWindow;  // records that may be sent beyond those
    int64_t sentRecords = 0;   // records sent so far
    int64_t cutAtRecords = 0;  // records sent when the window was last cut
    int64_t lagSumUs = 0;
    int64_t leastLagUs = 0;
    int32_t dropsInARow = 0;
    int64_t lookCostUs = 0;
    int64_t lastLookEndUs = 0;
    int64_t firstLookUs = 0;
    int64_t lookCostSumUs = 0;
    bool stopped = false;
    PaceReport report;
};

Pace pace;

bool paced() { return pace.chosen != paceDefault && pageWatched() && !pace.blind; }

// -pace auto: a shorter pause while the page keeps up, a longer one when it lags
// or drops.
void scaleAutoPause(int64_t percent)
{
    if (pace.chosen == paceAuto)
        pace.pauseUs = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{pace.pauseUs} * percent / 100, fastestPaceUs, slowestAutoPaceUs));
}

uint32_t penColour() { return pace.pen[0] | pace.pen[1] << 8 | pace.pen[2] << 16; }

bool onBoard(int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < side && y < side; }

// Gives up the feedback: the page does not paint what it is sent as expected, or
// not at all. What is left goes at the millisecond pace every page takes.
void goBlind()
{
    pace.blind = true;
    pace.probeCount = 0;
    pace.pauseUs = slowestFixedPaceUs;
}

void start(int64_t recordsSent)
{
    pace.started = true;
    const int64_t before = clockMicroseconds();
    readPaceBoard(BoardOrigin.x, BoardOrigin.y);
    const int64_t after = clockMicroseconds();
    pace.knownRecords = recordsSent;
    // A desktop whose reads wait for the compositor's next frame cannot answer a
    // probe between two gestures: there the pace is kept without feedback.
    if (activeDesktop().beginCapture != nullptr && after - before >= frameWaitUs)
        goBlind();
}

// Probes that will never show: fewer records are let ahead, and after a few drops
// in a row the board is no guide.
void noteDropped(int64_t probes)
{
    pace.report.dropped += probes;
    pace.window = std::max(pace.window / 2, smallestWindow);
    scaleAutoPause(150);
    if (++pace.dropsInARow >= dropsBeforeBlind)
        goBlind();
}

void checkProbeAge(int64_t now, int64_t recordsSent)
{
    if (pace.probeCount == 0 || now - pace.probes[0].sentUs < probeDroppedUs)
        return;
    // Held back for long enough that the page has taken whatever was queued.
    pace.probeCount = 0;
    pace.knownRecords = recordsSent;
    noteDropped(1);
}

// How far apart looks are kept, so that they cost at most lookShare of the time.
int64_t lookIntervalUs() { return static_cast<int64_t>(double(pace.lookCostUs) / lookShare); }

bool mustHold(int64_t now, int64_t recordsSent)
{
    // The page is at least that far behind (looks far apart see it later).
    if (pace.probeCount > 0 && now - pace.probes[0].sentUs > longQueueUs + pace.leastLagUs + lookIntervalUs())
        return true;
    return recordsSent + 2 - pace.knownRecords > pace.window;
}

// Reads the oldest probe's pixel: true if it showed (and is done with).
bool readOldestProbe()
{
    Probe& probe = pace.probes[0];
    uint32_t colour = invalidColour;
    captureScreen(BoardOrigin.x + probe.x, BoardOrigin.y + probe.y, 1, 1, &colour);
    const int64_t now = clockMicroseconds();
    if (colour != probe.colour) {
        probe.unseenUs = now;
        return false;
    }
    const int64_t seenLagUs = now - probe.sentUs;
    pace.report.longestLagUs = std::max(pace.report.longestLagUs, seenLagUs);
    pace.lagSumUs += seenLagUs;
    // The page showed it somewhere between the last read that did not find it and
    // this one. Looks spaced out for their cost see it late: that lateness is the
    // looks', not input queued in the page, so the middle of the two is the lag.
    const int64_t lag = (seenLagUs + std::max<int64_t>(probe.unseenUs - probe.sentUs, 0)) / 2;
    ++pace.report.probes;
    pace.knownRecords = std::max(pace.knownRecords, probe.records);
    pace.dropsInARow = 0;
    std::copy(pace.probes + 1, pace.probes + pace.probeCount, pace.probes);
    --pace.probeCount;
    // What the page takes to show a gesture however little is queued (its frames,
    // its compositor) is the least lag seen lately; the rest is queued input.
    // It never rises (a page grown slower is taken to be queueing, which errs on
    // the safe side) and never counts past what a page takes to paint.
    pace.leastLagUs = std::min(pace.report.probes == 1 ? lag : std::min(lag, pace.leastLagUs), longestPaintUs);
    const int64_t queued = lag - pace.leastLagUs;
    // With a probe every eighth of the window, each lag brings about eight: the
    // window grows by about a quarter a lag. Probes sent before the last cut tell of
    // the queue the cut already answered: one cut a lag.
    if (queued <= shortQueueUs) {
        pace.window = std::min(pace.window + std::max(windowStep, pace.window / 32), largestWindow);
        scaleAutoPause(97);
    } else if (queued > longQueueUs && probe.records > pace.cutAtRecords) {
        pace.window = std::max(pace.window * 3 / 4, smallestWindow);
        pace.cutAtRecords = pace.sentRecords;
        scaleAutoPause(125);
    }
    return true;
}

// The oldest probe is long overdue: if the newest shows, the page took everything
// up to it, and the oldest never will show (pages take their input in order).
// Those between are not read: they count neither way.
void readNewestProbe()
{
    const Probe& newest = pace.probes[pace.probeCount - 1];
    uint32_t colour = invalidColour;
    captureScreen(BoardOrigin.x + newest.x, BoardOrigin.y + newest.y, 1, 1, &colour);
    if (colour != newest.colour)
        return;
    pace.knownRecords = std::max(pace.knownRecords, newest.records);
    pace.probeCount = 0;
    noteDropped(1);
    pace.dropsInARow = 0;  // the newest showed: the board is a guide
}

}  // namespace

void choosePace(int32_t chosen)
{
    pace = Pace{};
    pace.chosen = chosen;
    pace.pauseUs = chosen == paceAuto ? firstAutoPauseUs : chosen;
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

void paceBeforeGesture(int64_t recordsSent)
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
    const int64_t heldFrom = now;
    bool told = false;
    for (;;) {
        // Escape ends the hold: the point or gesture under way is finished, as
        // without a pace, and the pass ends at its next look at the keys.
        if (isKeyDown(ControlKey::Escape)) {
            pace.stopped = true;
            break;
        }
        sleepMilliseconds(holdStepMs);
        // Nothing is sent meanwhile, so looks may come closer, within a fifth of the time.
        if (clockMicroseconds() - pace.lastLookEndUs >= lookIntervalUs() / 4) {
            const int64_t began = clockMicroseconds();
            paceLook();
            noteLookCost(clockMicroseconds() - began);
        }
        now = clockMicroseconds();
        checkProbeAge(now, recordsSent);
        // Nothing sent since the last probe seen could be a probe (slider clicks, a
        // pen the board already shows): given the budget, the page has taken it all.
        if (pace.probeCount == 0 && now - heldFrom >= queuedBudgetUs)
            pace.knownRecords = recordsSent;
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

void paceAfterGesture(int32_t channel, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int64_t recordsSent)
{
    if (!paced() || !pace.started)
        return;
    pace.sentRecords = recordsSent;
    if (channel >= 0 && channel <= 2) {
        const int64_t position = std::clamp<int64_t>(int64_t{x1} - BoardOrigin.x - sliderLeftOffset, 0,
                                                     sliderLastPosition);
        pace.pen[channel] = static_cast<uint32_t>(std::min<int64_t>(255, 5 * position));
        pace.penKnown[channel] = true;
        return;
    }
    const int64_t bx = int64_t{x1} - BoardOrigin.x;
    const int64_t by = int64_t{y1} - BoardOrigin.y;
    if (!onBoard(bx, by))
        return;  // the page paints only what is pressed on the board
    const uint32_t colour = penColour();
    const int64_t bx2 = int64_t{x2} - BoardOrigin.x;
    const int64_t by2 = int64_t{y2} - BoardOrigin.y;
    // A later gesture over a probe's pixel: once that shows, the page has taken
    // both, so the probe waits for it instead (and is no younger for it).
    for (int32_t i = 0; i < pace.probeCount; ++i) {
        Probe& probe = pace.probes[i];
        if (lineCovers(bx, by, bx2, by2, probe.x, probe.y)) {
            probe.colour = colour;
            probe.records = recordsSent;
        }
    }
    const bool penKnown = pace.penKnown[0] && pace.penKnown[1] && pace.penKnown[2];
    const bool probeDue = pace.probeCount == 0 ||
                          (pace.probeCount < mostProbes &&
                           recordsSent - pace.probes[pace.probeCount - 1].records >= pace.window / probesPerWindow);
    if (probeDue && penKnown && paceBoardPixel(bx, by) != colour) {
        const int64_t now = clockMicroseconds();
        pace.probes[pace.probeCount++] = {int32_t(bx), int32_t(by), colour, now, recordsSent, now};
    }
    paintPaceBoardLine(bx, by, bx2, by2, colour);
}

void paceLook()
{
    for (int32_t reads = 0; reads < mostProbeReads && paced() && pace.probeCount > 0; ++reads)
        if (!readOldestProbe()) {
            if (pace.probeCount > 1 && clockMicroseconds() - pace.probes[0].sentUs > longQueueUs + pace.leastLagUs)
                readNewestProbe();
            return;
        }
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
