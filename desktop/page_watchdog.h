#pragma once
// The page watchdog: before every gesture of a drawing, the board's top edge must
// still be where it was found. Otherwise no input is sent; the user is told, the
// screen is looked at again every 100 ms, and drawing goes on once the edge is back
// in place or the board has turned up elsewhere (then BoardOrigin follows it).
// Escape ends the wait and the run; keypad plus resumes at once and turns the
// watchdog off for the rest of the run.
//
// A look is a copy of the edge rows begun right after a gesture's release and
// collected before a later gesture, so it never holds up the input: where copies
// take no time it is the look before the very next gesture; where each waits for
// the screen's next frame, gestures go on meanwhile. Gestures sent after the begin
// of the last look that saw the page are not known to have reached it: when a
// look finds the page gone, they are sent again once it is back. The watchdog
// watches only the desktop it was armed on: a pass sent to a model of the page is
// left alone.

#include <cstdint>

enum class PageCheck {
    Present,  // the edge is where it was found
    Away,     // covered, scrolled or moved
};

// Watches the edge row edgeY over columns edgeX .. edgeX + run - 1 (the grey row,
// with white above it) on the desktop now in use. A board that moved is looked for
// where the locator looks, and with anywhere over the whole desktop after that,
// as far as the pointer reaches.
// edgeLength is the whole edge as found, either way past the run watched (0: the
// run): a board seen again is taken for this one only with an edge as long.
void armPageWatchdog(int32_t edgeX, int32_t edgeY, int32_t run, bool anywhere = false, int32_t edgeLength = 0);
void disarmPageWatchdog();
bool pageWatchdogArmed();
// Whether the desktop in use is the one watched (not a page in memory).
bool pageWatched();
// How many times a page was armed for: a new one is a new page to learn.
int64_t pageWatchArmings();

// One capture of the two rows, the edge and the row above it, waiting for it.
PageCheck checkPage();

// Called right after a gesture's release is sent, with the gesture's two ends:
// whether a look may begin now (the page watched, no look under way; a look under
// way leaves out the columns the pointer passed).
bool pageLookFree(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Begins the next look, with the gestures sent so far and where the gesture ended.
// Looks may be spaced out (a pace bounds what they cost): the resend log covers
// the gestures between them. withBoard: the copy takes in the board below the edge
// too, for collectPageLook.
void beginPageLook(int64_t gesturesSent, int32_t x2, int32_t y2, bool withBoard = false);
// Takes in the look under way if its copy has come. Where the look took in the
// board and saw the page: the board's top-left pixel in the copy, its rows stride
// apart; else null. The pixels stay until the next look begins.
const uint32_t* collectPageLook(int32_t& stride);

// Every gesture counts as arrived: the number given when no page is watched.
inline constexpr int64_t allGesturesArrived = INT64_MAX;

struct GestureGate {
    bool go = true;          // false: Escape ended the run while the page was away
    int32_t shiftX = 0;      // how far the board moved meanwhile: added to the gesture
    int32_t shiftY = 0;
    // Gestures numbered below this are known to have reached the page.
    int64_t arrived = allGesturesArrived;
    // The page may have missed the gestures from arrived on: they are sent again,
    // in order, with the pen they were drawn with (once more at the same pixels
    // with the same pen, a gesture changes nothing where it did arrive).
    bool resend = false;
};

// Called before a gesture is sent, with the gestures sent so far: waits while the
// page is away.
GestureGate awaitPageBeforeGesture(int64_t gesturesSent);

// True once Escape was seen while waiting for the page, until the next arming.
bool pageWatchdogStopped();

// The last look is old (a pause by the keys): the next gesture looks again first.
void forgetPageCheck();
