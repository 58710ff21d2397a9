#include "desktop/page_pace_state.h"

#include "desktop/pace_board.h"
#include "desktop/pen_tracker.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

constexpr int32_t side = boardSide;

bool onBoard(int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < side && y < side; }

// Probes that will never show: fewer records are let ahead, and after a few drops
// in a row the board is no guide. Unless the page has only stalled: a busy machine
// holds a browser up for seconds at a time, and without the feedback the input would
// run on unbounded and the page lose it.
void noteDropped(int64_t probes, bool stalled = false)
{
    pace.report.dropped += probes;
    pace.window = std::max(pace.window / 2, smallestWindow);
    scaleAutoPause(150);
    if (++pace.dropsInARow >= dropsBeforeBlind &&
        (!stalled || clockMicroseconds() - pace.lastShownUs >= stallBlindUs))
        goBlind();
}

// Whether a read half a probe's time in or later found its pixel as it was before
// the probe: a page that draws otherwise changes it, one held up does not. Reads
// that stopped coming (frames no longer sent) tell nothing.
bool untouchedLately(const Probe& probe, int64_t giveUpUs)
{
    const bool asBefore = probe.seen != invalidColour && (probe.seen == probe.before || probe.seen == probe.between);
    return asBefore && probe.unseenUs - probe.sentUs >= giveUpUs / 2;
}

}  // namespace

void checkProbeAge(int64_t now, int64_t recordsSent, int64_t giveUpUs)
{
    if (pace.probeCount == 0 || now - pace.probes[0].sentUs < giveUpUs)
        return;
    // Held back for long enough that the page has taken whatever was queued.
    pace.overdue = pace.probes[0];
    pace.overdueKept = true;
    pace.probeCount = 0;
    pace.knownRecords = recordsSent;
    noteDropped(1, untouchedLately(pace.overdue, giveUpUs));
}

namespace {

// The board as a look's frame showed it, while the probes are read from it.
const uint32_t* boardSeen = nullptr;
int32_t boardSeenStride = 0;

// Reads a probe's pixel: false where the read waited for the compositor's next
// frame (a desktop whose copies come with its frames: it could answer only so
// many probes between gestures, and holds would throttle the input to its frame
// rate); the probes are read from the looks' boards from then on. Such reads can
// come at once while the screen is still, as before the first gesture, so every
// read is judged, not only the first.
bool readProbePixel(int32_t x, int32_t y, uint32_t& colour)
{
    if (boardSeen != nullptr) {
        colour = boardSeen[int64_t{y} * boardSeenStride + x];
        return true;
    }
    const int64_t before = clockMicroseconds();
    captureScreen(BoardOrigin.x + x, BoardOrigin.y + y, 1, 1, &colour);
    if (activeDesktop().beginCapture != nullptr && clockMicroseconds() - before >= frameWaitUs) {
        pace.boardLooks = true;
        return false;
    }
    return true;
}

// Keeps the lowLagsKept lowest lags, lowest first.
void noteLowLag(int64_t lag)
{
    int32_t at = std::min(pace.lowLagCount, lowLagsKept - 1);
    if (pace.lowLagCount == lowLagsKept && lag >= pace.lowLags[at])
        return;
    while (at > 0 && pace.lowLags[at - 1] > lag) {
        pace.lowLags[at] = pace.lowLags[at - 1];
        --at;
    }
    pace.lowLags[at] = lag;
    pace.lowLagCount = std::min(pace.lowLagCount + 1, lowLagsKept);
}

// Reads the oldest probe's pixel: true if it showed (and is done with).
bool readOldestProbe()
{
    Probe& probe = pace.probes[0];
    uint32_t colour = invalidColour;
    if (!readProbePixel(probe.x, probe.y, colour))
        return false;
    const int64_t now = clockMicroseconds();
    if (colour != probe.colour) {
        probe.unseenUs = now;
        probe.seen = colour;
        return false;
    }
    pace.lastShownUs = now;
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
    // its compositor) is about the least lag seen; the rest is queued input. It
    // never rises (a page grown slower is taken to be queueing, which errs on the
    // safe side) and never counts past what a page takes to paint. Not the very
    // least: now and then a probe's pixel showed its pen already (a line the page
    // drew wider than the board is followed), and one such would leave every later
    // probe looking queued.
    noteLowLag(lag);
    pace.leastLagUs = std::min(pace.lowLags[pace.lowLagCount < lowLagsKept ? 0 : lowLagsKept - 1],
                               longestPaintUs);
    const int64_t queued = lag - pace.leastLagUs;
    // With a probe every eighth of the window, each lag brings about eight: the
    // window grows by about a quarter a lag. Probes sent before the last cut tell of
    // the queue the cut already answered: one cut a lag, by an eighth. A page that
    // paints in frames shows some probes a frame late however little is queued, so
    // most lags bring one that looks long: cut by a quarter, Chromium's window
    // settled near 70 records and the page waited for input between frames.
    if (queued <= queueBudgetUs() / 4) {
        pace.window = std::min(pace.window + std::max(windowStep, pace.window / 32), mostLeadRecords());
        scaleAutoPause(97);
    } else if (queued > queueBudgetUs() / 2 && probe.records > pace.cutAtRecords) {
        pace.window = std::max(pace.window * 7 / 8, std::min(pace.window, smallestLagWindow()));
        pace.cutAtRecords = pace.sentRecords;
        scaleAutoPause(110, slowestFixedPaceUs);
    }
    return true;
}

// The oldest probe is long overdue: if the newest shows and the oldest still does
// not, the page took everything up to the newest, and the oldest never will show
// (pages take their input in order).
// Those between are not read: they count neither way.
void readNewestProbe()
{
    const Probe& newest = pace.probes[pace.probeCount - 1];
    uint32_t colour = invalidColour;
    if (!readProbePixel(newest.x, newest.y, colour) || colour != newest.colour)
        return;
    pace.lastShownUs = clockMicroseconds();
    // The page may have shown both between the two reads.
    const Probe& oldest = pace.probes[0];
    if (!readProbePixel(oldest.x, oldest.y, colour) || colour == oldest.colour)
        return;  // the next look takes them in order
    pace.knownRecords = std::max(pace.knownRecords, newest.records);
    pace.probeCount = 0;
    pace.dropsInARow = 0;  // the newest showed: the board is a guide
    ++lostAmidShown;
    noteDropped(1);
}

// The probe last given up as dropped, read while it may yet show. If it does, the
// page only stalled, and the slowing down it caused is taken back: a busy machine
// stalls a browser for a second now and then, and each would otherwise leave the
// pace half as fast again for a while. Once a younger probe shows and it still
// does not, it was dropped (pages take their input in order).
void readOverdueProbe(bool youngerShown)
{
    uint32_t colour = invalidColour;
    if (!readProbePixel(pace.overdue.x, pace.overdue.y, colour))
        return;
    if (colour != pace.overdue.colour) {
        pace.overdueKept = !youngerShown;
        lostAmidShown += youngerShown ? 1 : 0;
        return;
    }
    pace.overdueKept = false;
    pace.lastShownUs = clockMicroseconds();
    --pace.report.dropped;
    ++pace.report.stalls;
    pace.dropsInARow = 0;
    pace.window = std::min(pace.window * 2, mostLeadRecords());
    scaleAutoPause(100 * 100 / 150);
}

}  // namespace

void scaleAutoPause(int64_t percent, int32_t ceilingUs)
{
    if (pace.chosen != paceAuto)
        return;
    // A pause a drop made longer is not shortened by a lower ceiling.
    const int64_t ceiling = std::max(ceilingUs, pace.pauseUs);
    const int64_t scaled = std::min<int64_t>(int64_t{pace.pauseUs} * percent / 100, ceiling);
    pace.pauseUs = static_cast<int32_t>(std::clamp<int64_t>(scaled, fastestPaceUs, slowestAutoPaceUs));
}

void goBlind()
{
    pace.blind = true;
    pace.probeCount = 0;
    pace.pauseUs = slowestFixedPaceUs;
}

void paceAfterGesture(int32_t channel, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int64_t recordsSent)
{
    if (!paced() || !pace.started)
        return;
    pace.sentRecords = recordsSent;
    if (channel >= 0 && channel <= 2)
        return;  // the pen tracker follows the sliders
    const int64_t bx = int64_t{x1} - BoardOrigin.x;
    const int64_t by = int64_t{y1} - BoardOrigin.y;
    if (!onBoard(bx, by))
        return;  // the page paints only what is pressed on the board
    const uint32_t colour = penColour();
    const int64_t bx2 = int64_t{x2} - BoardOrigin.x;
    const int64_t by2 = int64_t{y2} - BoardOrigin.y;
    // What is drawn over a probe given up as dropped can no longer tell whether it was.
    if (pace.overdueKept && lineCovers(bx, by, bx2, by2, pace.overdue.x, pace.overdue.y))
        pace.overdueKept = false;
    // A later gesture over a probe's pixel: once that shows, the page has taken
    // both, so the probe waits for it instead (and is no younger for it).
    for (int32_t i = 0; i < pace.probeCount; ++i) {
        Probe& probe = pace.probes[i];
        if (lineCovers(bx, by, bx2, by2, probe.x, probe.y)) {
            probe.between = probe.colour;
            probe.colour = colour;
            probe.records = recordsSent;
        }
    }
    const bool probeDue = pace.probeCount == 0 ||
                          (pace.probeCount < mostProbes &&
                           recordsSent - pace.probes[pace.probeCount - 1].records >= leadWindow() / probesPerWindow);
    // Any pixel the gesture changes will do: a stroke over pixels already in its pen
    // at its press still shows where it paints anew.
    int64_t px = 0;
    int64_t py = 0;
    if (probeDue && penKnown() && firstPixelToChange(bx, by, bx2, by2, colour, px, py)) {
        const int64_t now = clockMicroseconds();
        pace.probes[pace.probeCount++] = {int32_t(px), int32_t(py), colour, now, recordsSent, now,
                                          paceBoardPixel(px, py), invalidColour, invalidColour};
    }
    paintPaceBoardLine(bx, by, bx2, by2, colour);
}

namespace {

void readProbes()
{
    const int64_t seenBefore = pace.report.probes;
    // A board already copied costs nothing to read: every probe that shows is taken.
    const int32_t most = boardSeen != nullptr ? mostProbes : mostProbeReads;
    for (int32_t reads = 0; reads < most && paced() && pace.probeCount > 0; ++reads)
        if (!readOldestProbe()) {
            if (pace.probeCount > 1 && clockMicroseconds() - pace.probes[0].sentUs > queueBudgetUs() / 2 + pace.leastLagUs)
                readNewestProbe();
            break;
        }
    if (pace.overdueKept && paced())
        readOverdueProbe(pace.report.probes > seenBefore);
}

}  // namespace

void paceSeesBoard(const uint32_t* board, int32_t stride)
{
    if (!paced() || !pace.started || board == nullptr || stride < side)
        return;
    boardSeen = board;
    boardSeenStride = stride;
    readProbes();
    boardSeen = nullptr;
}

void paceLook()
{
    if (!pace.boardLooks) {
        readProbes();
        return;
    }
    // Outside the looks (the end of the drawing): one read of the whole board, one
    // frame's wait, instead of one for every probe.
    if (!paced() || (pace.probeCount == 0 && !pace.overdueKept))
        return;
    static std::vector<uint32_t> board;
    board.resize(size_t(side) * size_t(side));
    captureScreen(BoardOrigin.x, BoardOrigin.y, side, side, board.data());
    paceSeesBoard(board.data(), side);
}
