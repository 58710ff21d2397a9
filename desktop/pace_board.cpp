#include "desktop/pace_board.h"

#include "common/line_walk.h"
#include "desktop/platform.h"

#include <cstddef>
#include <vector>

namespace {

constexpr int64_t side = paceBoardSide;
// A jig's far end may lie well off the board: such a line is not walked.
constexpr int64_t longestLineWalked = 2 * side;

std::vector<uint32_t> board;

bool onBoard(int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < side && y < side; }

// The line the page paints (common/line_walk.h), but for a jig far off the board,
// whose start alone counts.
template <typename At>
bool walkCappedLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, At at)
{
    const int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = y1 > y0 ? y1 - y0 : y0 - y1;
    if (dx > longestLineWalked || dy > longestLineWalked)
        return at(x0, y0);
    return walkLine(x0, y0, x1, y1, at);
}

}  // namespace

void readPaceBoard(int32_t left, int32_t top)
{
    board.assign(size_t(side) * size_t(side), invalidColour);
    captureScreen(left, top, int32_t(side), int32_t(side), board.data());
}

uint32_t paceBoardPixel(int64_t x, int64_t y)
{
    return onBoard(x, y) && !board.empty() ? board[size_t(y) * size_t(side) + size_t(x)] : invalidColour;
}

void paintPaceBoardLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour)
{
    if (board.empty())
        return;
    walkCappedLine(x0, y0, x1, y1, [colour](int64_t x, int64_t y) {
        if (onBoard(x, y))
            board[size_t(y) * size_t(side) + size_t(x)] = colour;
        return false;
    });
}

bool firstPixelToChange(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t colour, int64_t& px, int64_t& py)
{
    if (board.empty())
        return false;
    return walkCappedLine(x0, y0, x1, y1, [colour, &px, &py](int64_t x, int64_t y) {
        if (!onBoard(x, y) || board[size_t(y) * size_t(side) + size_t(x)] == colour)
            return false;
        px = x;
        py = y;
        return true;
    });
}

bool lineCovers(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t px, int64_t py)
{
    return walkCappedLine(x0, y0, x1, y1, [px, py](int64_t x, int64_t y) { return x == px && y == py; });
}
