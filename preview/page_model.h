#pragma once
// The drawing page's behaviour, apart from any screen: a pen set by three sliders and
// a 300 x 300 board that takes dots and 1-pixel lines. The page shown on the virtual
// desktop is one of these; the drawing planner runs a whole pass against another to
// learn the board that pass leaves.
//   - a press on slider pixel p (0..51 from the slider's left end) sets that
//     channel to min(255, 5p);
//   - a press and release at one board pixel paints it in the pen colour;
//   - a press on the board and a release elsewhere paints a 1-pixel line between
//     them (both ends, Bresenham), clipped to the board;
//   - anything else does nothing.

#include "desktop/page_layout.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The layout is the page's (page_layout.h); how far above and below its click row
// a slider takes a press is this page's own: 5 rows.
inline constexpr int32_t sliderHalfHeight = 2;

struct PageModel {
    int32_t boardX = 0;  // screen position of the board's top-left drawing pixel
    int32_t boardY = 0;
    uint8_t pen[3] = {0, 0, 0};  // red, green, blue; the page starts with a black pen
    bool pressedOnBoard = false;
    int32_t pressX = 0;
    int32_t pressY = 0;
    // Board pixels, row by row: the colour (0x00BBGGRR) and whether anything painted it.
    std::vector<uint32_t> board;
    std::vector<uint8_t> painted;
    // Called for every board pixel painted, with its screen position; may be null.
    void (*mirror)(int32_t x, int32_t y, uint32_t colour) = nullptr;
};

// A fresh page: white board, nothing painted, black pen, board at (boardX, boardY).
void resetPageModel(PageModel& page, int32_t boardX, int32_t boardY, uint32_t boardColour);

// One input record at screen pixel (x, y), with the record's button flags.
void pageModelInput(PageModel& page, int32_t x, int32_t y, uint32_t flags);
