// -order coarse for the normal pass: every point's mark is worked out first, in
// the pass's own order, so the random numbers fall to the same points; then the
// marks go out as an interlaced picture does, every 8th point of every 8th row
// first and the gaps after, so the whole picture shows early and sharpens.

#include "driver/coarse_pass.h"

#include "driver/control_keys.h"

#include "desktop/page_layout.h"

#include <cstdint>
#include <vector>

namespace {


// Adam7's seven passes over an 8 x 8 tile of grid points.
constexpr uint8_t passOfPoint[8][8] = {
    {1, 6, 4, 6, 2, 6, 4, 6}, {7, 7, 7, 7, 7, 7, 7, 7}, {5, 6, 5, 6, 5, 6, 5, 6}, {7, 7, 7, 7, 7, 7, 7, 7},
    {3, 6, 4, 6, 3, 6, 4, 6}, {7, 7, 7, 7, 7, 7, 7, 7}, {5, 6, 5, 6, 5, 6, 5, 6}, {7, 7, 7, 7, 7, 7, 7, 7},
};

}  // namespace

std::vector<int32_t> coarseOrder(int32_t columns, int32_t rows)
{
    std::vector<int32_t> order;
    if (columns <= 0 || rows <= 0 || int64_t{columns} * rows > boardSide * boardSide)
        return order;
    order.reserve(size_t(columns) * size_t(rows));
    for (uint8_t pass = 1; pass <= 7; ++pass)
        for (int32_t j = 0; j < rows; ++j)
            for (int32_t i = 0; i < columns; ++i)
                if (passOfPoint[j % 8][i % 8] == pass)
                    order.push_back(j * columns + i);
    return order;
}

PassResult runCoarseDrawingPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second)
{
    // Steps are at least 1, so at most 300 x 300 points; wide counters as in the pass.
    std::vector<PointMark> marks;
    int32_t columns = 0;
    for (int64_t y = 0; y < boardSide; y += settings.stepy) {
        columns = 0;
        for (int64_t x = 0; x < boardSide; x += settings.stepx, ++columns)
            marks.push_back(markOfPoint(settings, first, second, static_cast<int32_t>(x), static_cast<int32_t>(y)));
    }
    const std::vector<int32_t> order = coarseOrder(columns, columns > 0 ? int32_t(marks.size()) / columns : 0);
    bool paused = false;
    for (size_t k = 0; k < order.size();) {
        const KeyVerdict keys = pollControlKeys(paused);
        if (keys == KeyVerdict::Abort)
            return PassResult::Aborted;
        if (keys == KeyVerdict::Wait)
            continue;  // the same point, polled again at once
        sendMark(settings, marks[size_t(order[k++])]);
    }
    return PassResult::Finished;
}
