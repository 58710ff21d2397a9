#include "preview/pointer_landing.h"

#include "common/numeric.h"

#include <algorithm>

int32_t pixelFromAbsolute(int32_t a, int32_t size)
{
    const int64_t scaled = int64_t{a} * size;
    // Floor, also for negative coordinates.
    int64_t pixel = scaled / 65536;
    if (scaled % 65536 < 0)
        --pixel;
    return saturateToInt32(pixel);
}

void landingPixel(const MouseInputRecord& record, int32_t primaryWidth, int32_t primaryHeight, const ScreenRect& desk,
                  int32_t& x, int32_t& y)
{
    // The pointer never leaves the screen: coordinates past an edge stop at it.
    ScreenRect over = {0, 0, primaryWidth, primaryHeight};
    if ((record.flags & mouseVirtualDesk) != 0 && desk.width > 0 && desk.height > 0)
        over = desk;
    const auto land = [](int32_t a, int32_t origin, int32_t size) {
        if (size <= 0)
            return origin;
        return saturateToInt32(int64_t{origin} + std::clamp(pixelFromAbsolute(a, size), 0, size - 1));
    };
    x = land(record.dx, over.left, over.width);
    y = land(record.dy, over.top, over.height);
}
