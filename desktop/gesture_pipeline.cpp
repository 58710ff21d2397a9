// One gesture's way through, in order: the gates that may hold it or turn it away
// (the first-stroke check, the pace, the page watchdog), the resend of what the
// page may have missed, the two records, and what follows them (the pen, the
// pace's probes, the watchdog's look, the first-stroke check's read). The stages
// know nothing of each other: this file alone includes them and hands each what
// it needs.

#include "desktop/drawing_stop.h"
#include "desktop/pointer.h"

#include "common/numeric.h"
#include "desktop/page_pace.h"
#include "desktop/page_watchdog.h"
#include "desktop/pen_tracker.h"
#include "desktop/platform.h"
#include "desktop/resend_log.h"
#include "desktop/screen.h"
#include "desktop/stroke_check.h"

namespace {

int64_t recordsSent = 0;
int64_t gesturesSent = 0;
int32_t restX = 0;  // where the pointer rests: the last gesture's end
int32_t restY = 0;

void sendRecord(uint32_t flags, int32_t x, int32_t y)
{
    ++recordsSent;
    const AbsolutePoint at = toAbsolute(x, y);
    MouseInputRecord record;
    record.dx = at.ax;
    record.dy = at.ay;
    record.flags = VirtualDesk.width > 0 ? flags | mouseVirtualDesk : flags;
    sendMouseInput(record);
}

// The watchdog's look, and the pace's read of its probes with it, begin in the
// pause after the release, spaced as the pace allows. Where reads wait for the
// compositor's frames, the look takes in the board and the probes are read from it
// once it has come.
void lookAfterGesture(const SentGesture& g)
{
    if (!pageLookFree(g.x1, g.y1, g.x2, g.y2) || !paceLookDue())
        return;
    const int64_t began = clockMicroseconds();
    const bool withBoard = paceReadsBoardLooks();
    beginPageLook(gesturesSent, g.x2, g.y2, withBoard);
    if (!withBoard)
        paceLook();
    noteLookCost(clockMicroseconds() - began);
}

// A look that has come brings the board, for the pace's probes.
void takeLookedBoard()
{
    int32_t stride = 0;
    if (const uint32_t* board = collectPageLook(stride))
        paceSeesBoard(board, stride);
}

// While the pace holds the input, looks that come with frames go on, one a frame.
void lookWhileHeld()
{
    takeLookedBoard();
    if (!pageLookFree(restX, restY, restX, restY))
        return;
    const int64_t began = clockMicroseconds();
    beginPageLook(gesturesSent, restX, restY, true);
    noteLookCost(clockMicroseconds() - began);
}

void sendPair(const SentGesture& g)
{
    if (g.channel != boardGesture)
        notePenClick(g.channel, g.x1, BoardOrigin.x);
    sendRecord(pressFlags, g.x1, g.y1);
    pauseAfterRecord();
    sendRecord(releaseFlags, g.x2, g.y2);
    restX = g.x2;
    restY = g.y2;
    paceAfterGesture(g.channel, g.x1, g.y1, g.x2, g.y2, recordsSent);
    lookAfterGesture(g);
    pauseAfterRecord();
}

int32_t shifted(int32_t pixel, int32_t shift) { return saturateToInt32(int64_t{pixel} + shift); }

// A page covered or moved while the first stroke was awaited proves nothing either
// way: the watchdog sees to it, and a later stroke is checked instead.
bool pageAwayNow() { return pageWatchdogArmed() && checkPage() == PageCheck::Away; }

// Nothing is sent while the page is away; what it may have missed meanwhile is sent
// again once it is back, and a board that moved takes the gestures along.
void sendGesture(int32_t channel, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (strokeCheckFailed())
        return;  // the page did not show the first strokes: nothing more goes to it
    // A page too far behind takes nothing more until it catches up.
    paceFollowPage(pageWatched(), pageWatchArmings());
    if (paceReadsBoardLooks())
        takeLookedBoard();
    paceBeforeGesture(recordsSent, lookWhileHeld);
    const GestureGate gate = awaitPageBeforeGesture(gesturesSent);
    if (!gate.go)
        return;
    paceFollowPage(pageWatched(), pageWatchArmings());  // keypad plus may have ended the watch
    dropArrivedGestures(gate.arrived);
    if (gate.shiftX != 0 || gate.shiftY != 0)
        shiftResendLog(gate.shiftX, gate.shiftY);
    if (gate.resend)
        for (const SentGesture& again : gesturesToResend())
            sendPair(again);
    SentGesture gesture;
    gesture.x1 = shifted(x1, gate.shiftX);
    gesture.y1 = shifted(y1, gate.shiftY);
    gesture.x2 = shifted(x2, gate.shiftX);
    gesture.y2 = shifted(y2, gate.shiftY);
    gesture.channel = channel;
    gesture.number = gesturesSent++;
    if (gate.arrived != allGesturesArrived)  // only a watched page can miss it
        logSentGesture(gesture);
    strokeCheckBefore(channel, gesture.x1, gesture.y1);
    sendPair(gesture);
    strokeCheckAfter(pageAwayNow);
}

}  // namespace

int64_t sentInputRecords() { return recordsSent; }

void clickAt(int32_t x, int32_t y) { sendGesture(boardGesture, x, y, x, y); }

void clickPenSlider(int32_t channel, int32_t x, int32_t y) { sendGesture(channel, x, y, x, y); }

void strokeBetween(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { sendGesture(boardGesture, x1, y1, x2, y2); }

DrawingStop drawingStop()
{
    if (strokeCheckFailed())
        return DrawingStop::StrokeNotShown;
    // The pace's stop counts for the page it held the input for, the one watched.
    paceFollowPage(pageWatched(), pageWatchArmings());
    if (pageWatchdogStopped() || (paceStopped() && pageWatched()))
        return DrawingStop::Escape;
    return DrawingStop::None;
}

bool drawingPauseAsked()
{
    // Both asked: each is taken once, so both are asked now.
    const bool byPace = pacePauseAsked();
    const bool byStrokeCheck = strokeCheckPauseAsked();
    return byPace || byStrokeCheck;
}

void drawingPausedByKeys() { forgetPageCheck(); }
