#pragma once
// -pace: how long to pause after each input record, and, on a watched page, how far
// the input may run ahead of what the page shows.
//
// Without -pace every record is followed by the 1 ms pause it always was, and the
// input is held only where it would run more than defaultLeadUs ahead of the page.
// With a pace, the pause is that many microseconds (-pace N), or follows the page
// (-pace auto). Either way the page's own board says how far behind it is: every
// eighth of the window or so a board gesture that must change a pixel is chosen as
// a probe (a few are on their way at once), and the watchdog's looks read the
// oldest one's pixel until it shows the pen it was drawn with. The time from
// sending it to seeing it, less half the time since the read before, is the page's
// lag: the least lag seen lately is what the page takes to paint at all, the rest
// is input queued before it. Only so many records are let ahead of the last one
// the page showed (a window grown while the queue stays short and cut back, once a
// lag, when it nears queuedBudgetUs), and none while a probe is queued longer than
// that: so Escape or keypad minus leave the board still within about that long
// after the page's own painting time. A probe that does not show within
// probeAwayUs holds the input back (the page is away or stalled); one that does
// not show within probeDroppedUs, or while a younger one does, counts as dropped,
// and -pace auto slows down. A few such in a row end the feedback, unless the
// board still showed, half a second in, what was there before them, and something
// showed within stallBlindUs: a page held up, not one that draws otherwise.

#include <cstdint>

inline constexpr int32_t paceDefault = 0;  // the 1 ms pause, no feedback
inline constexpr int32_t paceAuto = -1;
inline constexpr int32_t fastestPaceUs = 100;  // never closer than this, whatever the page
inline constexpr int32_t slowestFixedPaceUs = 1000;
inline constexpr int32_t slowestAutoPaceUs = 2000;

inline constexpr int64_t queuedBudgetUs = 80'000;
// Without -pace the page is followed too, but only to bound how far the input runs
// ahead of what it has shown: a fixed window of records and a probe budget, about
// 150 ms of input at the millisecond pace. A page that keeps up never comes near
// it; one starved of time (a busy machine) gets its input no faster than it shows
// it, instead of a queue it loses part of.
inline constexpr int64_t defaultLeadRecords = 150;
inline constexpr int64_t defaultLeadUs = 150'000;
inline constexpr int64_t probeAwayUs = 250'000;
inline constexpr int64_t probeDroppedUs = 1'000'000;
inline constexpr int64_t stallBlindUs = 10'000'000;

// paceDefault, paceAuto or microseconds (fastestPaceUs..slowestFixedPaceUs).
// Forgets everything learnt about the page.
void choosePace(int32_t pace);
int32_t chosenPace();

// The pause after a record: 1 ms by default, else the pace's microseconds.
void pauseAfterRecord();
int32_t currentPauseMicroseconds();

// Before a gesture: whether the page is watched (a page in memory is not followed),
// and how many times a page was armed for, so that a new page is learnt afresh.
void paceFollowPage(bool watched, int64_t watchArmings);

// Before a new gesture is sent (with the records sent so far): holds the input while
// the page is estimated too far behind, or until Escape. Where the probes are read
// from the watchdog's looks, lookWhileHeld keeps those coming meanwhile.
void paceBeforeGesture(int64_t recordsSent, void (*lookWhileHeld)());
// True once Escape was seen during a hold, until the next choosePace: the pass ends
// at its next look at the keys, whether the key is still down or not.
bool paceStopped();
// Once: whether keypad minus went down while the input was held.
bool pacePauseAsked();

// After a gesture is sent, with its ends and channel (as the resend log keeps
// them) and the records sent so far: follows the pen and the board, and may take
// the gesture as the next probe.
void paceAfterGesture(int32_t channel, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int64_t recordsSent);

// With a look of the watchdog: reads the probe's pixel, if there is one.
void paceLook();

// A desktop whose reads wait for the compositor's next frame (Wayland) cannot read
// a probe between two gestures: once a read is seen to wait, the probes are read
// from the watchdog's looks instead, which then take in the board too and come
// with the frames, never holding up the input.
bool paceReadsBoardLooks();
// A look's copy of the board as a frame showed it: boardSide rows of boardSide
// pixels, stride apart.
void paceSeesBoard(const uint32_t* board, int32_t stride);

// After the last gesture: reads the probes still on their way, and whether any is
// yet to show (one unseen for giveUpUs counts as dropped, so this ends).
// False where the page is not followed.
bool paceProbesUnseen(int64_t giveUpUs = probeDroppedUs);

// Whether a watchdog look may begin now: when the pace is chosen, looks are spaced
// so that they take at most lookShare of the drawing time. lookCostUs is what the
// last look took.
inline constexpr double lookShare = 0.05;
bool paceLookDue();
void noteLookCost(int64_t lookCostUs);

struct PaceReport {
    int64_t probes = 0;   // probes seen
    int64_t dropped = 0;  // probes that never showed
    int64_t stalls = 0;   // probes taken for dropped that showed after all
    int64_t holds = 0;    // times the input was held back
    int64_t longestLagUs = 0;
    int64_t meanLagUs = 0;
    int64_t window = 0;  // records let ahead of what the page showed, at the end
    int32_t pauseUs = 0;
    int64_t looks = 0;  // the watchdog's looks while paced
    int64_t meanLookCostUs = 0;
    int64_t lookSpacingUs = 0;  // from the first look to the last, by the looks between
};
PaceReport paceReport();
// Whether, since the pace was chosen, a probe never showed while a younger one did:
// the page draws as modelled (what it took shows where aimed) and lost input, as a
// browser starved of time does. A board that differs widely after such a run lost
// it; without such a sign it would be a page that draws otherwise.
bool paceSawInputLost();
