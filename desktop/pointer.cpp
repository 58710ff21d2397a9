#include "desktop/pointer.h"

#include "common/numeric.h"
#include "desktop/page_pace.h"
#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/resend_log.h"
#include "desktop/screen.h"
#include "desktop/sliders.h"
#include "desktop/stroke_check.h"

// The platform maps a normalised coordinate a back to the pixel
// origin + floor(a * size / 65536). The smallest a that lands on pixel p is therefore
// ceil(65536 * (p - origin) / size); it also lands on p where the mapping rounds instead.
static int32_t normalise(int64_t pixel, int32_t size)
{
    if (size <= 0)
        return 0;
    const int64_t scaled = int64_t{65536} * pixel;
    int64_t quotient = scaled / size;
    if (scaled % size > 0)
        ++quotient;  // ceiling for positive remainders; division already rounds negatives up
    return saturateToInt32(quotient);
}

AbsolutePoint toAbsolute(int32_t x, int32_t y)
{
    if (VirtualDesk.width > 0 && VirtualDesk.height > 0)
        return {normalise(int64_t{x} - VirtualDesk.left, VirtualDesk.width),
                normalise(int64_t{y} - VirtualDesk.top, VirtualDesk.height)};
    return {normalise(x, ScreenSize.width), normalise(y, ScreenSize.height)};
}

// How far right of the board's left side the sliders end, and its height.
static constexpr int64_t boardAndSlidersWidth = sliderLeft + sliderPositions;
static constexpr int64_t boardHeight = boardSide;

static bool boardWithin(int32_t x, int32_t y, int64_t left, int64_t top, int64_t width, int64_t height)
{
    return x >= left && y >= top && x + boardAndSlidersWidth <= left + width && y + boardHeight <= top + height;
}

bool reachBoardAt(int32_t x, int32_t y)
{
    if (boardWithin(x, y, 0, 0, ScreenSize.width, ScreenSize.height)) {
        VirtualDesk = {};
        return true;
    }
    ScreenRect desk;
    if (!virtualScreenArea(desk) || !boardWithin(x, y, desk.left, desk.top, desk.width, desk.height))
        return false;
    VirtualDesk = desk;
    return true;
}

static int64_t recordsSent = 0;
static int64_t gesturesSent = 0;

int64_t sentInputRecords() { return recordsSent; }

static void sendRecord(uint32_t flags, int32_t x, int32_t y)
{
    ++recordsSent;
    const AbsolutePoint at = toAbsolute(x, y);
    MouseInputRecord record;
    record.dx = at.ax;
    record.dy = at.ay;
    record.flags = VirtualDesk.width > 0 ? flags | mouseVirtualDesk : flags;
    sendMouseInput(record);
}

static void sendPair(const SentGesture& g)
{
    sendRecord(pressFlags, g.x1, g.y1);
    pauseAfterRecord();
    sendRecord(releaseFlags, g.x2, g.y2);
    paceAfterGesture(g.channel, g.x1, g.y1, g.x2, g.y2, recordsSent);
    // The look at the page begins in the pause after the release.
    notePageAfterGesture(gesturesSent, g.x1, g.y1, g.x2, g.y2);
    pauseAfterRecord();
}

static int32_t shifted(int32_t pixel, int32_t shift) { return saturateToInt32(int64_t{pixel} + shift); }

// Nothing is sent while the page is away; what it may have missed meanwhile is sent
// again once it is back, and a board that moved takes the gestures along.
static void sendGesture(int32_t channel, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (strokeCheckFailed())
        return;  // the page did not show the first stroke: nothing more goes to it
    // A paced page that is too far behind takes nothing more until it catches up.
    paceBeforeGesture(recordsSent);
    const GestureGate gate = awaitPageBeforeGesture(gesturesSent);
    if (!gate.go)
        return;
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
    strokeCheckAfter();
}

void clickAt(int32_t x, int32_t y) { sendGesture(boardGesture, x, y, x, y); }

void clickPenSlider(int32_t channel, int32_t x, int32_t y) { sendGesture(channel, x, y, x, y); }

void strokeBetween(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { sendGesture(boardGesture, x1, y1, x2, y2); }
