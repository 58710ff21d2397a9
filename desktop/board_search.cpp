#include "desktop/board_search.h"

#include "desktop/board_locator.h"
#include "desktop/page_layout.h"
#include "desktop/page_scale.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <array>

namespace {

constexpr int32_t edgeToOrigin = edgeGap;

// Whether the run's last pixel is the last column of a monitor.
bool endsAtScreenSide(const EdgeRun& edge)
{
    std::array<ScreenRect, mostMonitors> monitors;
    const int32_t count = desktopMonitors(monitors.data(), mostMonitors);
    const int64_t last = int64_t{edge.left} + edge.length - 1;
    for (int32_t i = 0; i < count; ++i) {
        const ScreenRect& m = monitors[size_t(i)];
        if (last == int64_t{m.left} + m.width - 1 && edge.row >= m.top && int64_t{edge.row} < int64_t{m.top} + m.height)
            return true;
    }
    return false;
}

}  // namespace

bool boardSeenElsewhere(bool anywhere, int32_t& x, int32_t& y, int32_t& run, bool& offBand)
{
    offBand = false;
    if (locateBoardEdge(x, y, run))
        return x != BoardOrigin.x || y != BoardOrigin.y;
    EdgeRun edge;
    if (!anywhere || !firstEdgeOnDesktop(shortestEdge, edge))
        return false;
    x = edge.left;
    y = edge.row + edgeToOrigin;
    run = edge.length;
    offBand = true;
    return x != BoardOrigin.x || y != BoardOrigin.y;
}

int32_t scaleSeenAt(int32_t edgeX, int32_t edgeRow, int32_t foundLength)
{
    const EdgeRun edge = measureEdgeRun(edgeX, edgeRow);
    if (edge.length == 0 || edge.length == foundLength)
        return 100;
    if (edge.length >= shortestEdge && edge.length < foundLength && endsAtScreenSide(edge))
        return 100;
    const int32_t scale = percentOfLength(edge.length, foundLength);
    return scale == 100 ? (edge.length > foundLength ? 101 : 99) : scale;
}

int32_t scaleOfShortEdge(bool anywhere, int32_t foundLength)
{
    constexpr ScreenRect lookedIn = {50, boardEdgeFirstRow, 750, boardEdgeLastRow - boardEdgeFirstRow + 1};
    EdgeRun edge;
    if (!firstEdgeRunIn(lookedIn, shortestScaledEdge, edge) &&
        !(anywhere && firstEdgeOnDesktop(shortestScaledEdge, edge)))
        return 100;
    return scaleSeenAt(edge.left, edge.row, foundLength);
}
