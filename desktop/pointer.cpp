#include "desktop/pointer.h"

#include "common/numeric.h"
#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

// The platform maps a normalised coordinate a back to the pixel
// floor(a * size / 65536). The smallest a that lands on pixel p is therefore
// ceil(65536 * p / size); it also lands on p where the mapping rounds instead.
static int32_t normalise(int32_t pixel, int32_t size)
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
    return {normalise(x, ScreenSize.width), normalise(y, ScreenSize.height)};
}

static int64_t recordsSent = 0;

int64_t sentInputRecords() { return recordsSent; }

static void sendRecord(uint32_t flags, int32_t x, int32_t y)
{
    ++recordsSent;
    const AbsolutePoint at = toAbsolute(x, y);
    MouseInputRecord record;
    record.dx = at.ax;
    record.dy = at.ay;
    record.flags = flags;
    sendMouseInput(record);
    // The look at the page before the next gesture fits in the pause after a release.
    if (flags == releaseFlags)
        notePageAfterGesture();
    pauseAfterInput(1);
}

static int32_t shifted(int32_t pixel, int32_t shift) { return saturateToInt32(int64_t{pixel} + shift); }

namespace {

// A gesture's ends, as sent.
struct SentGesture {
    int32_t x1, y1, x2, y2;
};

// The last gesture sent: the one the page may have missed when it went away.
SentGesture lastSent{};

}  // namespace

static void sendPair(const SentGesture& g, const GestureGate& gate)
{
    lastSent = {shifted(g.x1, gate.shiftX), shifted(g.y1, gate.shiftY), shifted(g.x2, gate.shiftX),
                shifted(g.y2, gate.shiftY)};
    sendRecord(pressFlags, lastSent.x1, lastSent.y1);
    sendRecord(releaseFlags, lastSent.x2, lastSent.y2);
}

// Nothing is sent while the page is away; a board that moved meanwhile takes the
// gesture along.
static void sendGesture(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    const GestureGate gate = awaitPageBeforeGesture();
    if (!gate.go)
        return;
    if (gate.repeatLast)
        sendPair(lastSent, gate);
    sendPair({x1, y1, x2, y2}, gate);
}

void clickAt(int32_t x, int32_t y) { sendGesture(x, y, x, y); }

void strokeBetween(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { sendGesture(x1, y1, x2, y2); }
