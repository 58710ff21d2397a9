#include "desktop/pointer.h"

#include "common/numeric.h"
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
    pauseAfterInput(1);
}

void clickAt(int32_t x, int32_t y)
{
    sendRecord(pressFlags, x, y);
    sendRecord(releaseFlags, x, y);
}

void strokeBetween(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    sendRecord(pressFlags, x1, y1);
    sendRecord(releaseFlags, x2, y2);
}
