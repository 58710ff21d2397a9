#include "preview/scrivlet_page.h"

#include "preview/virtual_desktop.h"

#include <cstdint>

namespace {

PageModel page;

void handleInput(int32_t x, int32_t y, uint32_t flags) { pageModelInput(page, x, y, flags); }

}  // namespace

void showScrivletPage(int32_t boardX, int32_t boardY)
{
    resetPageModel(page, boardX, boardY, pageBackground);
    page.mirror = paintVirtualPixel;

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

const PageModel& shownPageModel() { return page; }
