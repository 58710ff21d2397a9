#pragma once
// How large the drawing page is shown, told by its board's grey top edge: with one
// page pixel to one screen pixel the edge is 300 pixels long. A zoomed browser or a
// scaled display draws it longer or shorter, and the board and the sliders with it,
// so that every click would land somewhere else than meant.

#include "desktop/platform.h"

#include <cstdint>
#include <string>

inline constexpr int32_t boardEdgeLength = 300;
// The shortest run taken for the edge of a page shown one to one: what the
// locator needs.
inline constexpr int32_t shortestOneToOneEdge = 280;
// The shortest grey-under-white run taken for a board's edge at another scale
// (a browser zoomed out to 50 %).
inline constexpr int32_t shortestScaledEdge = 150;
// The longest run measured: 500 %, the most any display or browser scales by.
inline constexpr int32_t longestScaledEdge = 1500;

// A grey-under-white run in one screen row: its first column, the row of the grey
// pixels, and how many there are.
struct EdgeRun {
    int32_t left = 0;
    int32_t row = 0;
    int32_t length = 0;
};

// The whole run through (x, row), however far it goes either way up to
// longestScaledEdge, from one copy of the row and the row above it. Length 0 when
// (x, row) is not grey under white.
EdgeRun measureEdgeRun(int32_t x, int32_t row);

// Whether an edge of this length belongs to a page shown one to one.
bool edgeAtOneToOne(int32_t length);

// The page's scale in whole percent, rounded.
int32_t scalePercentOf(int32_t length);

// One sentence, without a line end: the scale measured from an edge of this length
// and what to change, worded for a display scaled by displayPercent (0: not known).
std::string scaleAdvice(int32_t length, int32_t displayPercent);

// The first grey-under-white run at least shortest pixels long in the rows of the
// area (the row above it read too), top to bottom, left to right, from one copy.
// False when there is none or the area is too large to copy.
bool firstEdgeRunIn(const ScreenRect& area, int32_t shortest, EdgeRun& found);

// The same over the whole desktop, a monitor at a time, each in one copy.
bool firstEdgeOnDesktop(int32_t shortest, EdgeRun& found);
