// What the left button does to the Win32 page: slider presses set the pen, a press
// and release on the board paint a Bresenham line between them; -drop loses some.

#include "common/line_walk.h"
#include "page/win32/page_state.h"

#include <cmath>

namespace scrivletPage {

Page page;

int64_t scaled(int64_t position) { return static_cast<int64_t>(std::floor(double(position) * page.scale + 0.5)); }

// The page pixel whose block (scaled(p) up to scaled(p + 1)) holds screen pixel x.
int64_t pagePixelAt(int64_t x)
{
    return static_cast<int64_t>(std::ceil((double(x) + 0.5) / page.scale)) - 1;
}

void fillRect(int64_t left, int64_t top, int64_t width, int64_t height, uint32_t colour)
{
    const int64_t x0 = left < 0 ? 0 : left;
    const int64_t y0 = top < 0 ? 0 : top;
    const int64_t x1 = left + width > page.width ? page.width : left + width;
    const int64_t y1 = top + height > page.height ? page.height : top + height;
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x)
            page.pixels[y * page.width + x] = colour;
}

bool onBoard(int64_t x, int64_t y)
{
    return x >= page.boardX && x < int64_t{page.boardX} + boardSide && y >= page.boardY &&
           y < int64_t{page.boardY} + boardSide;
}

// The bounding box of everything painted since the last repaint request.
struct Dirty {
    bool any = false;
    int64_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

void paintOnBoard(int64_t x, int64_t y, Dirty& dirty)
{
    if (!onBoard(x, y))
        return;
    // The page pixel's block of screen pixels, clipped to the window.
    const int64_t left = scaled(x);
    const int64_t top = scaled(y);
    const int64_t right = scaled(x + 1) < page.width ? scaled(x + 1) : page.width;
    const int64_t bottom = scaled(y + 1) < page.height ? scaled(y + 1) : page.height;
    if (left < 0 || top < 0 || left >= right || top >= bottom)
        return;
    fillRect(left, top, right - left, bottom - top,
             uint32_t{page.pen[0]} << 16 | uint32_t{page.pen[1]} << 8 | page.pen[2]);
    if (!dirty.any) {
        dirty = Dirty{true, left, top, right, bottom};
        return;
    }
    dirty.left = left < dirty.left ? left : dirty.left;
    dirty.top = top < dirty.top ? top : dirty.top;
    dirty.right = right > dirty.right ? right : dirty.right;
    dirty.bottom = bottom > dirty.bottom ? bottom : dirty.bottom;
}

// Points of the line off the board are walked but not painted.
void paintLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Dirty& dirty)
{
    walkLine(x0, y0, x1, y1, [&dirty](int64_t x, int64_t y) {
        paintOnBoard(x, y, dirty);
        return false;
    });
}

int sliderAt(int64_t x, int64_t y)
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

void logEvent(const char* what, int32_t x, int32_t y)
{
    if (page.log == nullptr)
        return;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const int64_t ticks = now.QuadPart - page.start.QuadPart;
    const int64_t frequency = page.frequency.QuadPart > 0 ? page.frequency.QuadPart : 1;
    const long long micros = static_cast<long long>(ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency);
    std::fprintf(page.log, "%s %ld %ld %lld\n", what, static_cast<long>(x), static_cast<long>(y), micros);
    std::fflush(page.log);
}

// mulberry32's next number as a fraction in [0, 1).
double nextDropUnit()
{
    page.dropState += 0x6D2B79F5u;
    uint32_t t = page.dropState;
    t = (t ^ (t >> 15)) * (t | 1u);
    t ^= t + (t ^ (t >> 7)) * (t | 61u);
    return double(t ^ (t >> 14)) / 4294967296.0;
}

void press(HWND window, int32_t screenX, int32_t screenY)
{
    logEvent("down", screenX, screenY);
    const int64_t x = pagePixelAt(screenX);
    const int64_t y = pagePixelAt(screenY);
    // The release may come anywhere; keep receiving the button until it does.
    SetCapture(window);
    page.pressedOnBoard = false;
    page.dropping = page.dropRate > 0.0 && nextDropUnit() < page.dropRate;
    if (page.dropping)
        return;
    if (onBoard(x, y)) {
        page.pressedOnBoard = true;
        page.pressX = static_cast<int32_t>(x);
        page.pressY = static_cast<int32_t>(y);
        return;
    }
    const int channel = sliderAt(x, y);
    if (channel >= 0) {
        page.pen[channel] = static_cast<uint8_t>(sliderValueAt(int64_t{x} - (int64_t{page.boardX} + sliderLeft)));
    }
}

void release(HWND window, int32_t screenX, int32_t screenY)
{
    logEvent("up", screenX, screenY);
    const int64_t x = pagePixelAt(screenX);
    const int64_t y = pagePixelAt(screenY);
    if (GetCapture() == window)
        ReleaseCapture();
    if (page.dropping || !page.pressedOnBoard)
        return;
    page.pressedOnBoard = false;
    Dirty dirty;
    paintLine(page.pressX, page.pressY, x, y, dirty);
    if (dirty.any) {
        RECT rect = {static_cast<LONG>(dirty.left), static_cast<LONG>(dirty.top), static_cast<LONG>(dirty.right),
                     static_cast<LONG>(dirty.bottom)};
        InvalidateRect(window, &rect, FALSE);
    }
}

}  // namespace scrivletPage
