#pragma once
// What -pace has learnt of the page during a pass, shared by its two halves: the
// pause and the holds (page_pace.cpp), and the probes that tell how far behind the
// page is and the window they set (page_pace_probes.cpp).

#include "desktop/page_pace.h"
#include "desktop/platform.h"

#include <cstdint>

// Records that may be on their way to the page beyond the last it showed: grown a
// quarter a lag while the lag stays short, an eighth fewer when it grows long, halved
// on a drop.
inline constexpr int64_t firstWindow = 32;
inline constexpr int64_t smallestWindow = 8;
// What is let ahead is known taken only a lag later (the page's frame, then a
// look): Chromium takes a record in about 0.44 ms and shows it 25-60 ms later, so
// it needs over a hundred ahead to be kept busy. More only queues input.
inline constexpr int64_t largestWindow = 192;
inline constexpr int64_t windowStep = 2;
// A lag alone never cuts -pace auto's window below this: a busy machine's browser
// paints seldom and late, so its probes look queued however little is, and cut to
// a dozen records the page waited on its input (auto took twice the default's
// time). The holds still bound the queue in time; a drop still halves the window.
inline constexpr int64_t smallestAutoLagWindow = 96;
// Probes on their way at once, taken an eighth of the window apart: with only one,
// the records sent before it would be known taken a whole lag later than they are,
// and the page would get a window's worth only every second lag.
inline constexpr int32_t mostProbes = 8;
inline constexpr int64_t probesPerWindow = 8;
// Reads of probes in one look: the oldest, and those after it while they show.
inline constexpr int32_t mostProbeReads = 3;
inline constexpr int64_t longestPaintUs = 50'000;
// The least lag is taken to be the highest of this many lowest.
inline constexpr int32_t lowLagsKept = 8;
inline constexpr int32_t firstAutoPauseUs = 1000;
inline constexpr int32_t dropsBeforeBlind = 3;
inline constexpr int32_t holdStepMs = 1;
inline constexpr int64_t frameWaitUs = 4000;

struct Probe {
    int32_t x = 0;  // board pixel
    int32_t y = 0;
    uint32_t colour = 0;
    int64_t sentUs = 0;
    int64_t records = 0;  // records sent once it was
    int64_t unseenUs = 0;  // when a read last found the pixel not yet showing it
    // What the pixel showed before the probe (and before a later gesture over it,
    // the probe's own colour then), and what the last read found instead.
    uint32_t before = invalidColour;
    uint32_t between = invalidColour;
    uint32_t seen = invalidColour;
};

struct PaceState {
    int32_t chosen = paceDefault;
    int32_t pauseUs = 0;
    bool started = false;  // the board was read
    bool blind = false;    // the board is no guide: no probes, no holds
    bool watched = false;  // the page is watched (not a page in memory)
    bool boardLooks = false;  // reads wait for frames: probes are read from the looks' boards
    int64_t watchArmings = 0;  // which watch of a page this was learnt on
    Probe probes[mostProbes];  // oldest first
    int32_t probeCount = 0;
    // The last probe given up for not showing within probeDroppedUs, while it may
    // yet show: then the page was stalled (a busy machine), not dropping input.
    Probe overdue;
    bool overdueKept = false;
    int64_t knownRecords = 0;  // the page is known to have taken every record up to this many
    int64_t window = firstWindow;  // records that may be sent beyond those
    int64_t sentRecords = 0;   // records sent so far
    int64_t cutAtRecords = 0;  // records sent when the window was last cut
    int64_t lagSumUs = 0;
    int64_t leastLagUs = 0;
    int64_t lowLags[lowLagsKept] = {};  // the lowest lags seen, lowest first
    int32_t lowLagCount = 0;
    int32_t dropsInARow = 0;
    int64_t lastShownUs = 0;  // when a probe last showed (or the pace started)
    int64_t lookCostUs = 0;
    int64_t lastLookEndUs = 0;
    int64_t firstLookUs = 0;
    int64_t lookCostSumUs = 0;
    bool stopped = false;
    bool pauseAsked = false;
    PaceReport report;
};

extern PaceState pace;
// Probes that did not show while a younger one did since the pace was chosen,
// whatever page was followed meanwhile: input the page lost.
extern int64_t lostAmidShown;

// Whether the board is being followed: the page watched, not blind.
bool paced();
// Records that may be on their way beyond the last the page showed.
int64_t leadWindow();
// How long input may be queued in the page (its painting time aside): the budget
// with a pace, the lead without; and the most records let ahead.
int64_t queueBudgetUs();
int64_t mostLeadRecords();
// The fewest records a lag may cut the window to (a drop cuts further).
int64_t smallestLagWindow();
// -pace auto: a shorter pause while the page keeps up, a longer one when it lags
// or drops, up to ceilingUs. A lag alone never slows it past the default's
// millisecond (the window and the holds bound the queue; past that a busy
// machine's jitter, read as queue, made auto slower than no -pace at all): only a
// page that drops input is given a slower pace.
void scaleAutoPause(int64_t percent, int32_t ceilingUs = slowestAutoPaceUs);
// Gives up the feedback: the page does not paint what it is sent as expected, or
// not at all. What is left goes at the millisecond pace every page takes.
void goBlind();
// A probe older than probeDroppedUs counts as dropped; the page has had time to
// take everything sent.
void checkProbeAge(int64_t now, int64_t recordsSent, int64_t giveUpUs = probeDroppedUs);
