#pragma once
// How large the drawing page may be shown. A zoomed browser or a scaled display
// draws the board and the sliders larger or smaller, so that every click lands
// somewhere else than meant. The screen alone cannot prove it: a page's edge line
// may be any length from 280 pixels on, and a browser zoomed to undo the display's
// scaling shows a page one to one on a scaled display. So the edge's length and
// the display's scaling are hints only, for saying what is likely wrong once the
// page did not draw what was aimed at it; what decides is whether it does.

#include "desktop/page_layout.h"
#include "desktop/platform.h"

#include <cstdint>
#include <string>

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

// length against reference in whole percent, rounded; 100 when reference is not
// positive.
int32_t percentOfLength(int32_t length, int32_t reference);

// Whether a scale is one the browsers zoom to or displays are scaled to (within a
// point), and so worth naming when a page looks that much larger or smaller.
bool commonScale(int32_t percent);

// The scale the hints suggest for a page whose board's edge is length pixels long,
// on a display scaled by displayPercent (0: not known), or 0 when they suggest
// none: the display's scaling where the edge agrees or is no 1:1 board's; else the
// edge's length against the board's 300 where that is a common scale.
int32_t likelyScalePercent(int32_t length, int32_t displayPercent);

// One sentence, without a line end, for a page that did not draw as aimed: the
// likely scale and what to change; empty when the hints suggest none.
std::string likelyScaleAdvice(int32_t length, int32_t displayPercent);

// The first grey-under-white run at least shortest pixels long in the rows of the
// area (the row above it read too), top to bottom, left to right, from one copy.
// False when there is none or the area is too large to copy.
bool firstEdgeRunIn(const ScreenRect& area, int32_t shortest, EdgeRun& found);

// The same over the whole desktop, a monitor at a time, each in one copy.
bool firstEdgeOnDesktop(int32_t shortest, EdgeRun& found);
