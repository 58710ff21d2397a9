#include "preview/scrivlet_page.h"

#include "preview/virtual_desktop.h"

#include <cstdint>

namespace {

PageModel page;
ScrivletPageLooks looks;
int64_t recordsToKeep = -1;  // input records the page still takes; -1: no end

int64_t floorDivide(int64_t value, int64_t by) { return value / by - (value % by < 0 ? 1 : 0); }

// A page position (its pixel's left or top side) on the screen, and the page pixel
// a screen pixel shows, at the looks' scale: each page pixel is a block.
int64_t onScreen(int64_t position) { return floorDivide(position * looks.scalePercent, 100); }
int64_t onPage(int64_t pixel) { return floorDivide(pixel * 100, looks.scalePercent); }

void paintPageRect(int64_t left, int64_t top, int64_t width, int64_t height, uint32_t colour)
{
    const int64_t x = onScreen(left);
    const int64_t y = onScreen(top);
    const int64_t w = onScreen(left + width) - x;
    const int64_t h = onScreen(top + height) - y;
    // Layout offsets are small, but the board may be placed anywhere: paint only
    // what can be addressed in 32 bits.
    if (x < INT32_MIN || y < INT32_MIN || x + w > INT32_MAX || y + h > INT32_MAX || w <= 0 || h <= 0)
        return;
    paintVirtualRect(static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(w),
                     static_cast<int32_t>(h), colour);
}

void mirrorPixel(int32_t x, int32_t y, uint32_t colour) { paintPageRect(x, y, 1, 1, colour); }

// The page's layout, without its board's content, over the whole screen.
void paintLayout(int32_t boardX, int32_t boardY)
{
    int32_t width = 0;
    int32_t height = 0;
    virtualDesktop().primaryScreenSize(&width, &height);
    // The page fills the screen; the board is part of its white.
    paintVirtualRect(0, 0, width, height, pageBackground);
    const int64_t edgeLength = looks.edgeLength > 0 ? looks.edgeLength : onPage(width) - boardX;
    paintPageRect(boardX, int64_t{boardY} + boardEdgeRow, edgeLength, 1, boardEdgeColour);
    for (const int32_t row : sliderRows)
        paintPageRect(int64_t{boardX} + sliderLeft, int64_t{boardY} + row - sliderHalfHeight, sliderPositions,
                      2 * sliderHalfHeight + 1, sliderColour);
}

}  // namespace

void showScrivletPage(int32_t boardX, int32_t boardY, const ScrivletPageLooks& pageLooks)
{
    looks = pageLooks;
    if (looks.scalePercent < 1)
        looks.scalePercent = 100;
    resetPageModel(page, boardX, boardY, pageBackground);
    recordsToKeep = -1;
    page.mirror = mirrorPixel;
    paintLayout(boardX, boardY);
    setVirtualInputHandler(scrivletPageInput);
}

void moveScrivletPage(int32_t boardX, int32_t boardY)
{
    page.boardX = boardX;
    page.boardY = boardY;
    paintLayout(boardX, boardY);
    for (int32_t y = 0; y < boardSide; ++y)
        for (int32_t x = 0; x < boardSide; ++x)
            paintPageRect(int64_t{boardX} + x, int64_t{boardY} + y, 1, 1, page.board[size_t(y) * boardSide + size_t(x)]);
}

void scrivletPageInput(int32_t x, int32_t y, uint32_t flags)
{
    if (recordsToKeep == 0)
        return;
    if (recordsToKeep > 0)
        --recordsToKeep;
    const int64_t pageX = onPage(x);
    const int64_t pageY = onPage(y);
    if (pageX < INT32_MIN || pageX > INT32_MAX || pageY < INT32_MIN || pageY > INT32_MAX)
        return;
    pageModelInput(page, static_cast<int32_t>(pageX), static_cast<int32_t>(pageY), flags);
}

void keepScrivletBoardAfter(int64_t records) { recordsToKeep = records < 0 ? 0 : records; }

const PageModel& shownPageModel() { return page; }
