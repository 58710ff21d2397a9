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
constexpr int64_t firstRecordCostUs = 1000;  // what every page takes: the 1 ms pace
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
    int64_t knownUs = 0;       // when the page was last known to have taken ...
    int64_t knownRecords = 0;  // ... every record up to this many
    int64_t recordCostUs = firstRecordCostUs;
    int32_t dropsInARow = 0;
    int64_t lookCostUs = 0;
    int64_t lastLookEndUs = 0;
    bool stopped = false;
    PaceReport report;
};

Pace pace;

bool paced() { return pace.chosen != paceDefault && pageWatched() && !pace.blind; }

int32_t autoPause()
{
    // A little faster than the page: the estimate of what is queued holds the rest.
    return static_cast<int32_t>(std::clamp<int64_t>(pace.recordCostUs * 4 / 5, fastestPaceUs, slowestAutoPaceUs));
}

uint32_t penColour() { return pace.pen[0] | pace.pen[1] << 8 | pace.pen[2] << 16; }

bool onBoard(int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < side && y < side; }

void remember(int64_t x, int64_t y, uint32_t colour)
{
    if (onBoard(x, y))
        pace.board[size_t(y) * side + size_t(x)] = colour;
}

// The line the page paints from press to release (Bresenham, both ends).
void rememberLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour)
{
    const int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    if (dx > longestLineWalked || -dy > longestLineWalked) {
        remember(x0, y0, colour);  // a jig far off the board: its start is what counts
        return;
    }
    const int64_t sx = x0 < x1 ? 1 : -1;
    const int64_t sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        remember(x0, y0, colour);
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

// Gives up the feedback: the page does not paint what it is sent as expected.
void goBlind()
{
    pace.blind = true;
    pace.probe = Probe{};
    if (pace.chosen == paceAuto)
        pace.pauseUs = slowestFixedPaceUs;
}

void start(int64_t recordsSent)
{
    pace.started = true;
    pace.board.assign(size_t(side) * side, invalidColour);
    const int64_t before = clockMicroseconds();
    captureScreen(BoardOrigin.x, BoardOrigin.y, side, side, pace.board.data());
    pace.knownUs = clockMicroseconds();
    pace.knownRecords = recordsSent;
    // A desktop whose reads wait for the compositor's next frame cannot answer a
    // probe between two gestures: there the pace is kept without feedback.
    if (activeDesktop().beginCapture != nullptr && pace.knownUs - before >= frameWaitUs)
        goBlind();
}

void checkProbeAge(int64_t now, int64_t recordsSent)
{
    if (!pace.probe.active || now - pace.probe.sentUs < probeDroppedUs)
        return;
    // Held back for long enough that the page has taken whatever was queued.
    ++pace.report.dropped;
    pace.probe = Probe{};
    pace.knownUs = now;
    pace.knownRecords = recordsSent;
    if (pace.chosen == paceAuto) {
        pace.recordCostUs = std::min<int64_t>(pace.recordCostUs * 3 / 2 + 1, slowestAutoPaceUs * 4);
        pace.pauseUs = autoPause();
    }
    if (++pace.dropsInARow >= dropsBeforeBlind)
        goBlind();
}

// How far apart looks are kept, so that they cost at most lookShare of the time.
int64_t lookIntervalUs() { return static_cast<int64_t>(double(pace.lookCostUs) / lookShare); }

bool mustHold(int64_t now, int64_t recordsSent)
{
    // The page is at least that far behind (looks far apart see it later).
    if (pace.probe.active && now - pace.probe.sentUs > queuedBudgetUs + lookIntervalUs())
        return true;
    int64_t costUs = pace.recordCostUs;
    // A probe not yet seen says the page has not finished the records up to it in
    // all the time since the last one was seen: each costs it at least that share.
    if (pace.probe.active && pace.probe.records > pace.knownRecords)
        costUs = std::max(costUs, (now - pace.knownUs) / (pace.probe.records - pace.knownRecords));
    const int64_t queuedUs = (recordsSent - pace.knownRecords) * costUs - (now - pace.knownUs);
    return queuedUs + 2 * costUs > queuedBudgetUs;
}

}  // namespace

void choosePace(int32_t chosen)
{
    pace = Pace{};
    pace.chosen = chosen;
    pace.pauseUs = chosen == paceAuto ? autoPause() : chosen;
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

bool paceBeforeGesture(int64_t recordsSent)
{
    if (pace.stopped)
        return false;
    if (!paced())
        return true;
    if (!pace.started)
        start(recordsSent);
    int64_t now = clockMicroseconds();
    checkProbeAge(now, recordsSent);
    if (pace.blind || !mustHold(now, recordsSent))
        return true;
    ++pace.report.holds;
    const int64_t heldFrom = now;
    bool told = false;
    for (;;) {
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
        if (pace.blind || !mustHold(now, recordsSent))
            break;
        if (!told && pace.probe.active && now - pace.probe.sentUs >= probeAwayUs) {
            showStatus(stalledText);
            told = true;
        }
    }
    if (told)
        showStatus("");
    // The watchdog's last look is as old as the hold.
    if (now - heldFrom >= queuedBudgetUs)
        forgetPageCheck();
    return !pace.stopped;
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
    rememberLine(bx, by, int64_t{x2} - BoardOrigin.x, int64_t{y2} - BoardOrigin.y, colour);
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
    const int64_t taken = pace.probe.records - pace.knownRecords;
    if (taken > 0) {
        // What the records between the last two probes seen cost the page. Where the
        // page was idle part of that time it overstates, which errs on the safe side.
        const int64_t sample = std::max<int64_t>((now - pace.knownUs) / taken, 1);
        pace.recordCostUs = std::clamp<int64_t>((pace.recordCostUs + sample) / 2, 1, 1'000'000);
    }
    pace.report.longestLagUs = std::max(pace.report.longestLagUs, now - pace.probe.sentUs);
    ++pace.report.probes;
    pace.knownUs = now;
    pace.knownRecords = pace.probe.records;
    pace.dropsInARow = 0;
    pace.probe = Probe{};
    if (pace.chosen == paceAuto)
        pace.pauseUs = autoPause();
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
    report.recordCostUs = pace.recordCostUs;
    report.pauseUs = currentPauseMicroseconds();
    return report;
}
