#include "desktop/page_scale.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

constexpr uint32_t white = edgeWhite;
constexpr uint32_t grey = edgeGrey;

// An edge of 280 to 304 pixels is what a board as wide as its edge, or one cut
// short or framed in the edge's grey, shows at 1:1: its length suggests no scale.
constexpr int32_t longestPlainEdge = boardSide + 4;

// The zoom levels the browsers step through with Ctrl and plus or minus.
constexpr std::array<int32_t, 15> zoomSteps = {25, 33, 50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

// A copy larger than this (pixels) is not made: 8K, and more than any monitor.
constexpr int64_t largestCopy = int64_t{7680} * 4320 + 7680;

bool edgeAt(const uint32_t* above, const uint32_t* line, int64_t c) { return line[c] == grey && above[c] == white; }

// Scales displays offer beside 100 %.
constexpr std::array<int32_t, 8> displayScales = {125, 150, 175, 200, 225, 250, 300, 350};

// The browser zoom step within a percentage point of the zoom wanted, or 0.
int32_t zoomStepNear(double wanted)
{
    for (const int32_t step : zoomSteps)
        if (std::fabs(wanted - step) <= 1.0)
            return step;
    return 0;
}

std::string percentText(int32_t percent) { return std::to_string(percent) + " %"; }

// What to change: the browser's zoom, the display's scaling, or both.
std::string fixFor(int32_t scale, int32_t displayPercent)
{
    const std::string zoomBack = "set the browser's zoom to 100 % (Ctrl and 0)";
    if (displayPercent == 100 || (displayPercent == 0 && scale < 100))
        return zoomBack;  // the display is not scaled (none scales below 100 %): the browser zooms
    // A zoom that undoes the display's scaling: the one given, else the one that
    // undoes all of what was measured.
    const double wanted = 10000.0 / (displayPercent > 0 ? displayPercent : scale);
    const int32_t step = zoomStepNear(wanted);
    const bool browserZoomed = displayPercent > 0 && std::abs(displayPercent - scale) > 1;
    const double zoomNow = displayPercent > 0 ? 100.0 * scale / displayPercent : 100.0;
    std::string fix;
    if (step != 0)
        fix = "set the browser's zoom to " + percentText(step) + (step < zoomNow ? " (Ctrl and minus)" : " (Ctrl and plus)") +
              " or the display's scaling to 100 %";
    else
        fix = browserZoomed || displayPercent == 0 ? "set the display's scaling and the browser's zoom to 100 % (Ctrl and 0)"
                                                   : "set the display's scaling to 100 %";
    if (step != 0 && browserZoomed)
        fix += " and the browser's zoom to 100 %";
    return fix;
}

}  // namespace

EdgeRun measureEdgeRun(int32_t x, int32_t row)
{
    EdgeRun run;
    const int64_t from = int64_t{x} - longestScaledEdge;
    const int64_t width = int64_t{2} * longestScaledEdge + 1;
    if (from < INT32_MIN || from + width > INT32_MAX || row <= INT32_MIN)
        return run;
    std::unique_ptr<uint32_t[]> rows(new (std::nothrow) uint32_t[size_t(width) * 2]);
    if (!rows)
        return run;
    captureScreen(static_cast<int32_t>(from), row - 1, static_cast<int32_t>(width), 2, rows.get());
    const uint32_t* above = rows.get();
    const uint32_t* line = above + width;
    const int64_t middle = longestScaledEdge;
    if (!edgeAt(above, line, middle))
        return run;
    int64_t first = middle;
    while (first > 0 && edgeAt(above, line, first - 1))
        --first;
    int64_t last = middle;
    while (last + 1 < width && edgeAt(above, line, last + 1))
        ++last;
    run.left = static_cast<int32_t>(from + first);
    run.row = row;
    run.length = static_cast<int32_t>(last - first + 1);
    return run;
}

int32_t percentOfLength(int32_t length, int32_t reference)
{
    if (reference <= 0)
        return 100;
    return static_cast<int32_t>((int64_t{length} * 100 + reference / 2) / reference);
}

bool commonScale(int32_t percent)
{
    if (percent == 100)
        return false;
    if (zoomStepNear(percent) != 0)
        return true;
    for (const int32_t scale : displayScales)
        if (std::abs(percent - scale) <= 1)
            return true;
    return false;
}

int32_t likelyScalePercent(int32_t length, int32_t displayPercent)
{
    const bool plainEdge = length >= shortestEdge && length <= longestPlainEdge;
    const int32_t measured = percentOfLength(length, boardSide);
    if (displayPercent > 0 && displayPercent != 100) {
        // A page of the display's scale with a board-wide edge, or an edge no 1:1
        // board shows: the display's scaling. A plain edge on a scaled display is
        // a browser zoomed to undo it, which says nothing.
        if (std::abs(measured - displayPercent) <= 1 || !plainEdge)
            return displayPercent;
        return 0;
    }
    return !plainEdge && commonScale(measured) ? measured : 0;
}

std::string likelyScaleAdvice(int32_t length, int32_t displayPercent)
{
    const int32_t scale = likelyScalePercent(length, displayPercent);
    if (scale == 0)
        return "";
    std::string text = "The page may be shown at " + percentText(scale) + " (";
    if (displayPercent > 0 && displayPercent != 100)
        text += "the display is scaled to " + percentText(displayPercent) + ", ";
    text += "its board's edge is " + std::to_string(length) + " pixels long): " + fixFor(scale, displayPercent) +
            ", and run again.";
    return text;
}

bool firstEdgeRunIn(const ScreenRect& area, int32_t shortest, EdgeRun& found)
{
    const int64_t width = area.width;
    const int64_t rows = int64_t{area.height} + 1;
    if (width <= 0 || area.height <= 0 || width * rows > largestCopy || area.top <= INT32_MIN ||
        int64_t{area.left} + width > INT32_MAX || shortest <= 0)
        return false;
    std::unique_ptr<uint32_t[]> pixels(new (std::nothrow) uint32_t[size_t(width * rows)]);
    if (!pixels)
        return false;
    captureScreen(area.left, area.top - 1, area.width, area.height + 1, pixels.get());
    for (int64_t r = 1; r < rows; ++r) {
        const uint32_t* above = &pixels[size_t((r - 1) * width)];
        const uint32_t* line = above + width;
        for (int64_t c = 0; c < width;) {
            int64_t end = c;
            while (end < width && edgeAt(above, line, end))
                ++end;
            if (end - c >= shortest) {
                found.left = static_cast<int32_t>(area.left + c);
                found.row = static_cast<int32_t>(area.top + r - 1);
                found.length = static_cast<int32_t>(end - c);
                return true;
            }
            c = end + 1;
        }
    }
    return false;
}

bool firstEdgeOnDesktop(int32_t shortest, EdgeRun& found)
{
    std::array<ScreenRect, mostMonitors> monitors;
    const int32_t count = desktopMonitors(monitors.data(), mostMonitors);
    for (int32_t i = 0; i < count; ++i)
        if (firstEdgeRunIn(monitors[size_t(i)], shortest, found))
            return true;
    return false;
}
