#include "desktop/page_pace.h"

#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

constexpr int32_t side = 300;  // the board
constexpr int32_t sliderLeftOffset = 365;
constexpr int32_t sliderLastPosition = 51;
// Records that may be on their way to the page beyond the last it showed: grown a
// little while the lag stays short, cut back when it grows long, halved on a drop.
constexpr int64_t firstWindow = 32;
constexpr int64_t smallestWindow = 8;
// Browsers paint input in frames and take only so many events into one (Chromium
// refuses frames with more than 100): a larger window would not go faster anyway.
constexpr int64_t largestWindow = 128;
constexpr int64_t windowStep = 4;
constexpr int64_t shortQueueUs = queuedBudgetUs / 4;
constexpr int64_t longQueueUs = queuedBudgetUs / 2;
constexpr int64_t longestPaintUs = 50'000;
constexpr int32_t firstAutoPauseUs = 1000;
constexpr int64_t longestLineWalked = 2 * side;
constexpr int32_t dropsBeforeBlind = 3;
constexpr int32_t holdStepMs = 1;
constexpr int64_t frameWaitUs = 4000;

const char* const stalledText =
    "scrivdraw waiting \xC2\xB7 the page shows nothing of what it was sent (Escape stops)";

struct Probe {
    bool active = false;
    int32_t x = 0;  // board pixel
    int32_t y = 0;
    uint32_t colour = 0;
    int64_t sentUs = 0;
    int64_t records = 0;  // records sent once it was
};

struct Pace {
    int32_t chosen = paceDefault;
    int32_t pauseUs = 0;
    bool started = false;  // the board was read
    bool blind = false;    // the board is no guide: no probes, no holds
    std::vector<uint32_t> board;  // what the board shows, as far as known
    uint32_t pen[3] = {0, 0, 0};
    bool penKnown[3] = {false, false, false};
    Probe probe;
    int64_t knownRecords = 0;  // the page is known to have taken every record up to this many
    int64_t window = firstWindow;  // records that may be sent beyond those
    int64_t lagSumUs = 0;
    int64_t leastLagUs = 0;
    int32_t dropsInARow = 0;
    int64_t lookCostUs = 0;
    int64_t lastLookEndUs = 0;
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

void remember(int64_t x, int64_t y, uint32_t colour, int64_t recordsSent)
{
    if (!onBoard(x, y))
        return;
    pace.board[size_t(y) * side + size_t(x)] = colour;
    // A later gesture over the probe's pixel: once that shows, the page has taken
    // both, so the probe waits for it instead (and is no younger for it).
    if (pace.probe.active && pace.probe.x == x && pace.probe.y == y && pace.probe.records < recordsSent) {
        pace.probe.colour = colour;
        pace.probe.records = recordsSent;
    }
}

// The line the page paints from press to release (Bresenham, both ends).
void rememberLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour, int64_t recordsSent)
{
    const int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    if (dx > longestLineWalked || -dy > longestLineWalked) {
        remember(x0, y0, colour, recordsSent);  // a jig far off the board: its start is what counts
        return;
    }
    const int64_t sx = x0 < x1 ? 1 : -1;
    const int64_t sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        remember(x0, y0, colour, recordsSent);
        if (x0 == x1 && y0 == y1)
            return;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

// Gives up the feedback: the page does not paint what it is sent as expected, or
// not at all. What is left goes at the millisecond pace every page takes.
void goBlind()
{
    pace.blind = true;
    pace.probe = Probe{};
    pace.pauseUs = slowestFixedPaceUs;
}

void start(int64_t recordsSent)
{
    pace.started = true;
    pace.board.assign(size_t(side) * side, invalidColour);
    const int64_t before = clockMicroseconds();
    captureScreen(BoardOrigin.x, BoardOrigin.y, side, side, pace.board.data());
    const int64_t after = clockMicroseconds();
    pace.knownRecords = recordsSent;
    // A desktop whose reads wait for the compositor's next frame cannot answer a
    // probe between two gestures: there the pace is kept without feedback.
    if (activeDesktop().beginCapture != nullptr && after - before >= frameWaitUs)
        goBlind();
}

void checkProbeAge(int64_t now, int64_t recordsSent)
{
    if (!pace.probe.active || now - pace.probe.sentUs < probeDroppedUs)
        return;
    // Held back for long enough that the page has taken whatever was queued.
    ++pace.report.dropped;
    pace.probe = Probe{};
    pace.knownRecords = recordsSent;
    pace.window = std::max(pace.window / 2, smallestWindow);
    scaleAutoPause(150);
    if (++pace.dropsInARow >= dropsBeforeBlind)
        goBlind();
}

// How far apart looks are kept, so that they cost at most lookShare of the time.
int64_t lookIntervalUs() { return static_cast<int64_t>(double(pace.lookCostUs) / lookShare); }

bool mustHold(int64_t now, int64_t recordsSent)
{
    // The page is at least that far behind (looks far apart see it later).
    if (pace.probe.active && now - pace.probe.sentUs > longQueueUs + pace.leastLagUs + lookIntervalUs())
        return true;
    return recordsSent + 2 - pace.knownRecords > pace.window;
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
        if (!pace.probe.active && now - heldFrom >= queuedBudgetUs)
            pace.knownRecords = recordsSent;
        if (pace.blind || !mustHold(now, recordsSent))
            break;
        if (!told && pace.probe.active && now - pace.probe.sentUs >= probeAwayUs) {
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
    const bool penKnown = pace.penKnown[0] && pace.penKnown[1] && pace.penKnown[2];
    if (!pace.probe.active && penKnown && pace.board[size_t(by) * side + size_t(bx)] != colour)
        pace.probe = {true, int32_t(bx), int32_t(by), colour, clockMicroseconds(), recordsSent};
    rememberLine(bx, by, int64_t{x2} - BoardOrigin.x, int64_t{y2} - BoardOrigin.y, colour, recordsSent);
}

void paceLook()
{
    if (!paced() || !pace.probe.active)
        return;
    uint32_t colour = invalidColour;
    captureScreen(BoardOrigin.x + pace.probe.x, BoardOrigin.y + pace.probe.y, 1, 1, &colour);
    if (colour != pace.probe.colour)
        return;
    const int64_t now = clockMicroseconds();
    const int64_t lag = now - pace.probe.sentUs;
    pace.report.longestLagUs = std::max(pace.report.longestLagUs, lag);
    pace.lagSumUs += lag;
    ++pace.report.probes;
    pace.knownRecords = std::max(pace.knownRecords, pace.probe.records);
    pace.dropsInARow = 0;
    pace.probe = Probe{};
    // What the page takes to show a gesture however little is queued (its frames,
    // its compositor) is the least lag seen lately; the rest is queued input.
    // It never rises (a page grown slower is taken to be queueing, which errs on
    // the safe side) and never counts past what a page takes to paint.
    pace.leastLagUs = std::min(pace.report.probes == 1 ? lag : std::min(lag, pace.leastLagUs), longestPaintUs);
    const int64_t queued = lag - pace.leastLagUs;
    if (queued <= shortQueueUs) {
        pace.window = std::min(pace.window + std::max(windowStep, pace.window / 8), largestWindow);
        scaleAutoPause(90);
    } else if (queued > longQueueUs) {
        pace.window = std::max(pace.window / 2, smallestWindow);
        scaleAutoPause(125);
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
    pace.lookCostUs = (3 * pace.lookCostUs + std::max<int64_t>(lookCostUs, 0)) / 4;
    pace.lastLookEndUs = clockMicroseconds();
}

PaceReport paceReport()
{
    PaceReport report = pace.report;
    report.meanLagUs = pace.report.probes > 0 ? pace.lagSumUs / pace.report.probes : 0;
    report.window = pace.window;
    report.pauseUs = currentPauseMicroseconds();
    return report;
}
