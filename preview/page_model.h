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

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int32_t boardSide = 300;

// The layout, as offsets from the board's top-left drawing pixel. The real pages
// follow it too.
inline constexpr int32_t sliderLeft = 365;   // slider pixel 0
inline constexpr int32_t sliderWidth = 52;   // pixels 0..51
inline constexpr int32_t sliderRows[3] = {172, 212, 252};  // centre rows: red, green, blue
inline constexpr int32_t sliderHalfHeight = 2;              // 5 rows tall

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
