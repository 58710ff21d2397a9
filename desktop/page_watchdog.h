#pragma once
// The page watchdog: before every gesture of a drawing, the board's top edge must
// still be where it was found. Otherwise no input is sent; the user is told, the
// screen is looked at again every 100 ms, and drawing goes on once the edge is back
// in place or the board has turned up elsewhere (then BoardOrigin follows it).
// Escape ends the wait and the run; keypad plus resumes at once and turns the
// watchdog off for the rest of the run.
//
// The look happens right after the release of each gesture is sent, inside the
// pause that follows it, so it costs no drawing time. It watches only the desktop
// it was armed on: a pass sent to a model of the page is left alone.

#include <cstdint>

enum class PageCheck {
    Present,  // the edge is where it was found
    Away,     // covered, scrolled or moved
};

// Watches the edge row edgeY over columns edgeX .. edgeX + run - 1 (the grey row,
// with white above it) on the desktop now in use.
void armPageWatchdog(int32_t edgeX, int32_t edgeY, int32_t run);
void disarmPageWatchdog();
bool pageWatchdogArmed();

// One capture of the two rows: the edge and the row above it.
PageCheck checkPage();

// Called right after a gesture's last record is sent: the look before the next one.
void notePageAfterGesture();

struct GestureGate {
    bool go = true;          // false: Escape ended the run while the page was away
    int32_t shiftX = 0;      // how far the board moved meanwhile: added to the gesture
    int32_t shiftY = 0;
    // The page went away right after the last look: the gesture sent after that look
    // may have met the cover, so it is sent again (once more at the same pixels with
    // the same pen, it changes nothing where it did arrive).
    bool repeatLast = false;
};

// Called before a gesture is sent: waits while the page is away.
GestureGate awaitPageBeforeGesture();

// True once Escape was seen while waiting for the page, until the next arming.
bool pageWatchdogStopped();

// Forget the last look (a pause by the keys made it old): the next gesture looks again.
void forgetPageCheck();
