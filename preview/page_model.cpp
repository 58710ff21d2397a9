#include "preview/page_model.h"

#include "common/line_walk.h"
#include "desktop/platform.h"

#include <cstddef>

namespace {

bool onBoard(const PageModel& page, int64_t x, int64_t y)
{
    return x >= page.boardX && x < int64_t{page.boardX} + boardSide && y >= page.boardY &&
           y < int64_t{page.boardY} + boardSide;
}

uint32_t penColour(const PageModel& page)
{
    return uint32_t{page.pen[0]} | uint32_t{page.pen[1]} << 8 | uint32_t{page.pen[2]} << 16;
}

void paintOnBoard(PageModel& page, int64_t x, int64_t y)
{
    // Only board pixels take paint; onBoard also keeps the values in 32 bits.
    if (!onBoard(page, x, y))
        return;
    const size_t i = size_t(y - page.boardY) * boardSide + size_t(x - page.boardX);
    page.board[i] = penColour(page);
    page.painted[i] = 1;
    if (page.mirror != nullptr)
        page.mirror(static_cast<int32_t>(x), static_cast<int32_t>(y), page.board[i]);
}

// The page's line from press to release; only its board pixels take paint.
void paintLine(PageModel& page, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    walkLine(x0, y0, x1, y1, [&page](int64_t x, int64_t y) {
        paintOnBoard(page, x, y);
        return false;
    });
}

// The slider under (x, y): 0, 1, 2 for red, green, blue, or -1.
int sliderAt(const PageModel& page, int64_t x, int64_t y)
{
    const int64_t left = int64_t{page.boardX} + sliderLeft;
    if (x < left || x >= left + sliderPositions)
        return -1;
    for (int channel = 0; channel < 3; ++channel) {
        const int64_t centre = int64_t{page.boardY} + sliderRows[channel];
        if (y >= centre - sliderHalfHeight && y <= centre + sliderHalfHeight)
            return channel;
    }
    return -1;
}

void press(PageModel& page, int32_t x, int32_t y)
{
    page.pressedOnBoard = false;
    if (onBoard(page, x, y)) {
        page.pressedOnBoard = true;
        page.pressX = x;
        page.pressY = y;
        return;
    }
    const int channel = sliderAt(page, x, y);
    if (channel >= 0) {
        page.pen[channel] = static_cast<uint8_t>(sliderValueAt(int64_t{x} - (int64_t{page.boardX} + sliderLeft)));
    }
}

void release(PageModel& page, int32_t x, int32_t y)
{
    if (!page.pressedOnBoard)
        return;
    page.pressedOnBoard = false;
    // A release on the press pixel is a dot; the line below covers it as its only point.
    paintLine(page, page.pressX, page.pressY, x, y);
}

}  // namespace

void resetPageModel(PageModel& page, int32_t boardX, int32_t boardY, uint32_t boardColour)
{
    page.boardX = boardX;
    page.boardY = boardY;
    page.pen[0] = page.pen[1] = page.pen[2] = 0;
    page.pressedOnBoard = false;
    page.pressX = page.pressY = 0;
    page.board.assign(size_t{boardSide} * boardSide, boardColour);
    page.painted.assign(size_t{boardSide} * boardSide, 0);
}

void pageModelInput(PageModel& page, int32_t x, int32_t y, uint32_t flags)
{
    // A record that both presses and releases does so in that order, as the
    // system's input queue takes it.
    if (flags & mouseLeftDown)
        press(page, x, y);
    if (flags & mouseLeftUp)
        release(page, x, y);
}
