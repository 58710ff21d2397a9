#include "driver/board_finding.h"

#include "desktop/board_locator.h"
#include "desktop/page_scale.h"
#include "desktop/pointer.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

namespace {

constexpr int32_t edgeToOrigin = edgeGap;
const char* const notFoundLine =
    "Couldn't find upper left corner of Scrivlet page...did you make that window active and to the front?";

// The area the locator looks in, as the edge rows.
constexpr ScreenRect lookedIn = {50, boardEdgeFirstRow, 750, boardEdgeLastRow - boardEdgeFirstRow + 1};

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

// Why a board seen is no board to draw on, or empty when it is one. Neither the
// edge's length nor the display's scaling says: a page's edge may be any length
// from 280 pixels on, and a browser zoomed to undo the display's scaling shows a
// page one to one. What the first strokes do tells instead (the stroke check).
std::string refusalFor()
{
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

bool insideLookedIn(const EdgeRun& edge)
{
    return edge.length >= shortestEdge && edge.left >= lookedIn.left &&
           int64_t{edge.left} + edge.length <= int64_t{lookedIn.left} + lookedIn.width && edge.row >= lookedIn.top &&
           edge.row < lookedIn.top + lookedIn.height;
}

// What was seen instead of a board, said after the not-found line, only where it
// is sure: a board's edge (280 pixels or more) cut by the area's side or outside
// it. A shorter line is no board's edge, whatever scale its length would give.
// One whole inside the area was not there a look before (a page still being
// painted): seenInside is set, and nothing said.
std::string sightingReason(bool& seenInside)
{
    seenInside = false;
    EdgeRun edge;
    if (firstEdgeRunIn(lookedIn, shortestScaledEdge, edge)) {
        const EdgeRun whole = measureEdgeRun(edge.left, edge.row);
        if (whole.length > edge.length)
            edge = whole;
        if (edge.length < shortestEdge && !firstEdgeOnDesktop(shortestEdge, edge))
            return "";
    } else if (!firstEdgeOnDesktop(shortestEdge, edge)) {
        return "";
    }
    if (insideLookedIn(edge)) {
        seenInside = true;
        return "";
    }
    std::string reason = " Its board's top edge was seen at ";
    reason += whereText(edge);
    reason += ", outside the area looked in (columns 50 to 799, rows 200 to 399 of the primary screen): move the "
              "page there, or run with -anywhere.";
    return reason;
}

}  // namespace

bool findBoard(bool anywhere, FoundBoard& found, std::string& refusal)
{
    EdgeRun edge;
    bool located = locateBoardEdge(found.x, found.y, found.edgeRun);
    // Looked for again where the look for what was seen instead finds it in the
    // area after all: a compositor's frames may show the page a look late.
    bool seenInside = false;
    std::string sighting;
    const bool sightingTaken = !located && !anywhere;
    if (sightingTaken) {
        sighting = sightingReason(seenInside);
        located = seenInside && locateBoardEdge(found.x, found.y, found.edgeRun);
    }
    if (located) {
        edge = measureEdgeRun(found.x, found.y - edgeToOrigin);
        if (edge.length == 0)
            edge = {found.x, found.y - edgeToOrigin, found.edgeRun};  // gone between the two looks: the first counts
    } else if (anywhere && firstEdgeOnDesktop(shortestEdge, edge)) {
        found = {edge.left, edge.row + edgeToOrigin, edge.length};
        if (!reachBoardAt(found.x, found.y)) {
            refusal = std::string(notFoundLine) + " Its board's top edge was seen at " + whereText(edge) +
                      ", where the pointer is not moved (only on the primary screen): move the page there.";
            return false;
        }
    } else {
        refusal = notFoundLine + (sightingTaken ? sighting : sightingReason(seenInside));
        return false;
    }
    found.edgeLength = edge.length;
    refusal = refusalFor();
    return refusal.empty();
}
