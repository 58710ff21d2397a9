#include "desktop/pen_tracker.h"

#include "desktop/page_layout.h"

#include <algorithm>

namespace {

struct Pen {
    int32_t value[3] = {0, 0, 0};
    bool known[3] = {false, false, false};
};

Pen pen;

}  // namespace

void forgetPen() { pen = Pen{}; }

void notePenClick(int32_t channel, int32_t x, int32_t boardLeft)
{
    if (channel < 0 || channel > 2)
        return;
    const int64_t position = std::clamp<int64_t>(int64_t{x} - boardLeft - sliderLeft, 0, sliderPositions - 1);
    pen.value[channel] = sliderValueAt(position);
    pen.known[channel] = true;
}

int32_t penChannel(int32_t channel) { return channel >= 0 && channel <= 2 ? pen.value[channel] : 0; }

uint32_t penColour()
{
    return packColour(uint32_t(pen.value[0]), uint32_t(pen.value[1]), uint32_t(pen.value[2]));
}

bool penKnown() { return pen.known[0] && pen.known[1] && pen.known[2]; }
