#include "preview/scrivlet_page.h"

#include "preview/virtual_desktop.h"

#include <cstdint>

namespace {

PageModel page;
int64_t recordsToKeep = -1;  // input records the page still takes; -1: no end


// The page's layout, without its board's content, over the whole screen.
void paintLayout(int32_t boardX, int32_t boardY)
{
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
}

}  // namespace

void showScrivletPage(int32_t boardX, int32_t boardY)
{
    resetPageModel(page, boardX, boardY, pageBackground);
    recordsToKeep = -1;
    page.mirror = paintVirtualPixel;
    paintLayout(boardX, boardY);
    setVirtualInputHandler(scrivletPageInput);
}

void moveScrivletPage(int32_t boardX, int32_t boardY)
{
    page.boardX = boardX;
    page.boardY = boardY;
    paintLayout(boardX, boardY);
    for (int32_t y = 0; y < boardSide; ++y)
        for (int32_t x = 0; x < boardSide; ++x) {
            const int64_t sx = int64_t{boardX} + x;
            const int64_t sy = int64_t{boardY} + y;
            if (sx <= INT32_MAX && sy <= INT32_MAX)
                paintVirtualPixel(static_cast<int32_t>(sx), static_cast<int32_t>(sy),
                                  page.board[size_t(y) * boardSide + size_t(x)]);
        }
}

void scrivletPageInput(int32_t x, int32_t y, uint32_t flags)
{
    if (recordsToKeep == 0)
        return;
    if (recordsToKeep > 0)
        --recordsToKeep;
    pageModelInput(page, x, y, flags);
}

void keepScrivletBoardAfter(int64_t records) { recordsToKeep = records < 0 ? 0 : records; }

const PageModel& shownPageModel() { return page; }
