#include "desktop/sliders.h"

#include "desktop/pointer.h"
#include "desktop/screen.h"

#include <algorithm>

void clickSliderPosition(int32_t channel, int32_t position)
{
    // The board origin comes from the screen, so these sums stay far from overflow.
    const int32_t c = std::clamp(channel, 0, 2);
    clickPenSlider(c, BoardOrigin.x + sliderLeft + std::clamp(position, 0, sliderPositions - 1),
                   BoardOrigin.y + sliderRows[c]);
}

void setPenColour(int32_t first, int32_t second, int32_t third)
{
    const int32_t values[3] = {first, second, third};
    for (int32_t channel = 0; channel < 3; ++channel)
        clickSliderPosition(channel, sliderPositionOf(values[channel]));
}
