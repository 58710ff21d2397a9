#include "desktop/sliders.h"

#include "desktop/pointer.h"
#include "desktop/screen.h"

#include <algorithm>

static void clickSlider(int32_t value, int32_t row)
{
    const int32_t clamped = std::clamp(value, 0, 255);
    // The board origin comes from the screen, so these sums stay far from overflow.
    clickAt(BoardOrigin.x + 365 + clamped / 5, BoardOrigin.y + row);
}

void setPenColour(int32_t first, int32_t second, int32_t third)
{
    clickSlider(first, 172);
    clickSlider(second, 212);
    clickSlider(third, 252);
}
