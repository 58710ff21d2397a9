#include "preview/scrivlet_page.h"

#include "desktop/platform.h"
#include "preview/virtual_desktop.h"

#include <cstdint>

namespace {

struct PageState {
    int32_t boardX = 0;
    int32_t boardY = 0;
    uint8_t pen[3] = {0, 0, 0};  // red, green, blue; the page starts with a black pen
    bool pressedOnBoard = false;
    int32_t pressX = 0;
    int32_t pressY = 0;
};

PageState page;

bool onBoard(int64_t x, int64_t y)
{
    return x >= page.boardX && x < int64_t{page.boardX} + boardSide && y >= page.boardY &&
           y < int64_t{page.boardY} + boardSide;
}

uint32_t penColour()
{
    return uint32_t{page.pen[0]} | uint32_t{page.pen[1]} << 8 | uint32_t{page.pen[2]} << 16;
}

void paintOnBoard(int64_t x, int64_t y)
{
    // Only board pixels take paint; onBoard also keeps the values in 32 bits.
    if (onBoard(x, y))
        paintVirtualPixel(static_cast<int32_t>(x), static_cast<int32_t>(y), penColour());
}

// The integer Bresenham line from (x0, y0) to (x1, y1), both ends included, walked
// from the press towards the release with one error term for all octants. The real
// pages walk it the same way, so both mark exactly the same pixels.
void paintLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    const int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    const int64_t sx = x0 < x1 ? 1 : -1;
    const int64_t sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        paintOnBoard(x0, y0);
        if (x0 == x1 && y0 == y1)
            return;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

// The slider under (x, y): 0, 1, 2 for red, green, blue, or -1.
int sliderAt(int64_t x, int64_t y)
{
    const int64_t left = int64_t{page.boardX} + sliderLeft;
    if (x < left || x >= left + sliderWidth)
        return -1;
    for (int channel = 0; channel < 3; ++channel) {
        const int64_t centre = int64_t{page.boardY} + sliderRows[channel];
        if (y >= centre - sliderHalfHeight && y <= centre + sliderHalfHeight)
            return channel;
    }
    return -1;
}

void press(int32_t x, int32_t y)
{
    page.pressedOnBoard = false;
    if (onBoard(x, y)) {
        page.pressedOnBoard = true;
        page.pressX = x;
        page.pressY = y;
        return;
    }
    const int channel = sliderAt(x, y);
    if (channel >= 0) {
        const int64_t value = 5 * (int64_t{x} - (int64_t{page.boardX} + sliderLeft));
        page.pen[channel] = static_cast<uint8_t>(value > 255 ? 255 : value);
    }
}

void release(int32_t x, int32_t y)
{
    if (!page.pressedOnBoard)
        return;
    page.pressedOnBoard = false;
    // A release on the press pixel is a dot; the line below covers it as its only point.
    paintLine(page.pressX, page.pressY, x, y);
}

void handleInput(int32_t x, int32_t y, uint32_t flags)
{
    // A record that both presses and releases does so in that order, as the
    // system's input queue takes it.
    if (flags & mouseLeftDown)
        press(x, y);
    if (flags & mouseLeftUp)
        release(x, y);
}

}  // namespace

void showScrivletPage(int32_t boardX, int32_t boardY)
{
    page = PageState{};
    page.boardX = boardX;
    page.boardY = boardY;

    int32_t width = 0;
    int32_t height = 0;
    virtualDesktop().primaryScreenSize(&width, &height);
    // The page fills the screen; the board is part of its white.
    paintVirtualRect(0, 0, width, height, pageBackground);
    // Layout offsets are small, but the board may be placed anywhere: paint only
    // what can be addressed in 32 bits.
    const int64_t edgeRow = int64_t{boardY} + boardEdgeRow;
    if (edgeRow >= INT32_MIN)
        paintVirtualRect(boardX, static_cast<int32_t>(edgeRow), boardSide, 1, boardEdgeColour);
    const int64_t left = int64_t{boardX} + sliderLeft;
    for (const int32_t row : sliderRows) {
        const int64_t top = int64_t{boardY} + row - sliderHalfHeight;
        if (left <= INT32_MAX && top <= INT32_MAX)
            paintVirtualRect(static_cast<int32_t>(left), static_cast<int32_t>(top), sliderWidth,
                             2 * sliderHalfHeight + 1, sliderColour);
    }
    setVirtualInputHandler(handleInput);
}
