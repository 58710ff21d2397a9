#include "desktop/board_reach.h"

#include "common/numeric.h"
#include "desktop/page_layout.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

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
