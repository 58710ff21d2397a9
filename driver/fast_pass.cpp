#include "driver/fast_pass.h"

#include "desktop/platform.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"
#include "desktop/sliders.h"
#include "driver/control_keys.h"
#include "driver/normal_board.h"
#include "driver/coarse_board.h"
#include "driver/progress.h"
#include "planner/sketch_plan.h"
#include "preview/scrivlet_page.h"

#include <cstdio>

namespace {

void drawGesture(const PlannedGesture& g)
{
    if (g.kind == GestureKind::Slider) {
        clickSliderPosition(g.channel, g.x1);
        return;
    }
    // Board coordinates are 0..299 and the origin comes from the screen: no overflow.
    strokeBetween(BoardOrigin.x + g.x1, BoardOrigin.y + g.y1, BoardOrigin.x + g.x2, BoardOrigin.y + g.y2);
}

}  // namespace

PassResult runDrawing(const RunSettings& settings, const PassPixels& first, const PassPixels* second,
                      DrawingTally& tally)
{
    // The board is always the one the rows order leaves.
    RunSettings rows = settings;
    rows.order = runOrderRows;
    NormalBoard normal;
    if (learnNormalBoard(settings, first, second, normal) == PassResult::Aborted)
        return PassResult::Aborted;
    tally.points = normal.points;
    std::vector<PlannedGesture> plan;
    if (settings.fast)
        plan = planFastDrawing(normal.page.board, normal.page.painted, boardSide);
    // Sparse long lines can be cheaper to send as they are than as straight strokes:
    // then the normal pass is the fast one. It draws the same random numbers again,
    // as the model pass left the source where it found it.
    const bool planned = settings.fast && plannedRecords(plan) < normal.records;
    const int64_t drawingRecords = planned ? plannedRecords(plan) : normal.records;

    std::vector<PlannedGesture> sketch;
    bool coarsePoints = false;
    if (settings.order == runOrderCoarse) {
        sketch = planSketch(normal.page.board, normal.page.painted, boardSide, sketchGestures(drawingRecords / 2));
        if (!planned) {
            CoarseCheck check = checkCoarseOrder(settings, first, second, normal);
            if (check == CoarseCheck::Aborted)
                return PassResult::Aborted;
            // -fast promises the board: where its normal pass would change in the
            // coarse order, the points keep the rows order behind the sketch.
            if (check == CoarseCheck::ChangesBoard && !settings.fast) {
                std::fputs(coarseRefusal, stdout);
                return PassResult::Aborted;
            }
            coarsePoints = check == CoarseCheck::SameBoard;
        }
    }
    // The model passes above went through the pointer too: count from here.
    const int64_t before = sentInputRecords();
    const int64_t total = plannedRecords(sketch) + drawingRecords;
    startProgress(total);
    if (settings.previewPercent < 100)
        keepScrivletBoardAfter(total * settings.previewPercent / 100);
    if (drawPlannedGestures(sketch) == PassResult::Aborted) {
        tally.records = sentInputRecords() - before;
        return PassResult::Aborted;
    }
    const PassResult result = planned        ? drawPlannedGestures(plan)
                              : coarsePoints ? runDrawingPass(settings, first, second)
                                             : runDrawingPass(rows, first, second);
    tally.records = sentInputRecords() - before;
    return result;
}

PassResult runFastPass(const RunSettings& settings, const PassPixels& first, const PassPixels* second)
{
    RunSettings fast = settings;
    fast.fast = true;
    DrawingTally tally;
    return runDrawing(fast, first, second, tally);
}

PassResult drawPlannedGestures(const std::vector<PlannedGesture>& plan)
{
    // The plan names exact pixels, so its gestures are scaled by the screen's real
    // size even where -1280x800 scales the normal pass's (the model pass took that
    // into account already).
    const ScreenDimensions scaledBy = ScreenSize;
    primaryScreenSize(ScreenSize.width, ScreenSize.height);
    PassResult result = PassResult::Finished;
    bool paused = false;
    for (size_t i = 0; i < plan.size();) {
        const KeyVerdict keys = pollControlKeys(paused);
        if (keys == KeyVerdict::Abort) {
            result = PassResult::Aborted;
            break;
        }
        if (keys == KeyVerdict::Wait)
            continue;  // the same gesture, polled again at once
        drawGesture(plan[i++]);
    }
    ScreenSize = scaledBy;
    return result;
}
