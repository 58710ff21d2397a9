#include "driver/board_finding.h"

#include "desktop/board_locator.h"
#include "desktop/page_scale.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <array>

namespace {

constexpr int32_t edgeToOrigin = 2;
const char* const notFoundLine =
    "Couldn't find upper left corner of Scrivlet page...did you make that window active and to the front?";

// The area the locator looks in, as the edge rows.
constexpr ScreenRect lookedIn = {50, boardEdgeFirstRow, 750, boardEdgeLastRow - boardEdgeFirstRow + 1};

// How far right of the board's left side the sliders end, and its height.
constexpr int64_t boardAndSlidersWidth = 365 + 52;
constexpr int64_t boardHeight = 300;

// Whether absolute input, scaled by the screen size, reaches the whole board and
// its sliders from this origin: a board on another monitor it may not.
bool withinPointerReach(int32_t x, int32_t y)
{
    return x >= 0 && y >= 0 && x + boardAndSlidersWidth <= ScreenSize.width && y + boardHeight <= ScreenSize.height;
}

std::string whereText(const EdgeRun& edge)
{
    // Texts here are appended piece by piece: MinGW's GCC 12 mistakes a short
    // literal + string for an overlapping copy.
    std::string text = "(";
    text += std::to_string(edge.left);
    text += ", ";
    text += std::to_string(edge.row);
    text += ")";
    return text;
}

// Why an edge seen is no board to draw on, or empty when it is one.
std::string refusalFor(const EdgeRun& edge)
{
    if (!edgeAtOneToOne(edge.length))
        return scaleAdvice(edge.length, displayScalePercent(edge.left, edge.row));
    // Screen pixels that are logical ones of an output scaled by a fraction each
    // show one pixel of a block of one and a half or so: the edge's row, and every
    // pixel read back, may be the block's neighbour.
    const int32_t pixelScale = screenPixelScalePercent();
    if (pixelScale % 100 != 0)
        return "The display is scaled to " + std::to_string(pixelScale) +
               " %, which shows each pixel of the page on part of its own: set the display's scaling to 100 % "
               "(or another whole multiple of it), and run again.";
    return "";
}

// The first edge on the desktop at least shortest long, a monitor at a time.
bool firstEdgeOnDesktop(int32_t shortest, EdgeRun& edge)
{
    std::array<ScreenRect, mostMonitors> monitors;
    const int32_t count = desktopMonitors(monitors.data(), mostMonitors);
    for (int32_t i = 0; i < count; ++i)
        if (firstEdgeRunIn(monitors[size_t(i)], shortest, edge))
            return true;
    return false;
}

// What was seen instead of a board, said after the not-found line: an edge cut by
// the area's side or at another scale in it, else one anywhere on the desktop.
std::string sightingReason()
{
    EdgeRun edge;
    if (firstEdgeRunIn(lookedIn, shortestScaledEdge, edge)) {
        const EdgeRun whole = measureEdgeRun(edge.left, edge.row);
        if (whole.length > edge.length)
            edge = whole;
    } else if (!firstEdgeOnDesktop(shortestScaledEdge, edge)) {
        return "";
    }
    if (edge.length > longestScaledEdge)
        return "";
    std::string reason = " ";
    if (!edgeAtOneToOne(edge.length)) {
        reason += refusalFor(edge);
        return reason;
    }
    reason += "Its board's top edge was seen at ";
    reason += whereText(edge);
    reason += ", outside the area looked in (columns 50 to 799, rows 200 to 399 of the primary screen): move the "
              "page there, or run with -anywhere.";
    return reason;
}

}  // namespace

bool findBoard(bool anywhere, FoundBoard& found, std::string& refusal)
{
    EdgeRun edge;
    if (locateBoardEdge(found.x, found.y, found.edgeRun)) {
        edge = measureEdgeRun(found.x, found.y - edgeToOrigin);
        if (edge.length == 0)
            edge = {found.x, found.y - edgeToOrigin, found.edgeRun};  // gone between the two looks: judged by the first
    } else if (anywhere && firstEdgeOnDesktop(shortestOneToOneEdge, edge)) {
        found = {edge.left, edge.row + edgeToOrigin, edge.length};
        if (edgeAtOneToOne(edge.length) && !withinPointerReach(found.x, found.y)) {
            refusal = std::string(notFoundLine) + " Its board's top edge was seen at " + whereText(edge) +
                      ", where the pointer is not moved (only on the primary screen): move the page there.";
            return false;
        }
    } else {
        refusal = notFoundLine + sightingReason();
        return false;
    }
    refusal = refusalFor(edge);
    return refusal.empty();
}
