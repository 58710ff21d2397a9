#include "driver/coarse_board.h"

#include <algorithm>

CoarseCheck checkCoarseOrder(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                             const NormalBoard& normal)
{
    RunSettings coarse = settings;
    coarse.order = runOrderCoarse;
    NormalBoard reordered;
    if (learnBoardAsOrdered(coarse, first, second, reordered) == PassResult::Aborted)
        return CoarseCheck::Aborted;
    const bool same = reordered.page.board == normal.page.board && reordered.page.painted == normal.page.painted;
    return same ? CoarseCheck::SameBoard : CoarseCheck::ChangesBoard;
}

int64_t sketchGestures(int64_t drawingGestures) { return std::min<int64_t>(drawingGestures / 8, 4000); }
