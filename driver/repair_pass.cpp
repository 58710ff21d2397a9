#include "driver/repair_pass.h"

#include "desktop/page_pace.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "driver/control_keys.h"
#include "driver/fast_pass.h"
#include "planner/fast_plan.h"

#include <vector>

namespace {

constexpr int32_t settleStepMs = 200;
constexpr int32_t settleLimitMs = 5000;
constexpr size_t boardPixels = size_t{boardSide} * boardSide;

void readBoard(std::vector<uint32_t>& out)
{
    out.resize(boardPixels);
    captureScreen(BoardOrigin.x, BoardOrigin.y, boardSide, boardSide, out.data());
}

bool escapeDown()
{
    bool paused = false;
    return pollControlKeys(paused) == KeyVerdict::Abort;
}

// The board once two reads settleStepMs apart agree (the page may still be painting
// what it was sent last), or the last read after settleLimitMs.
bool readSettledBoard(std::vector<uint32_t>& board)
{
    std::vector<uint32_t> next;
    readBoard(board);
    for (int32_t waited = 0; waited < settleLimitMs; waited += settleStepMs) {
        if (escapeDown())
            return false;
        sleepMilliseconds(settleStepMs);
        readBoard(next);
        // Still, and no probe of the pace yet to show: a page held up for a moment
        // is not done.
        if (next == board && !paceProbesUnseen())
            return true;
        board.swap(next);
    }
    return true;
}

int64_t markDiffering(const PageModel& meant, const std::vector<uint32_t>& seen, std::vector<uint8_t>& differing)
{
    int64_t count = 0;
    differing.assign(boardPixels, 0);
    for (size_t i = 0; i < boardPixels; ++i)
        if (seen[i] != meant.board[i]) {
            differing[i] = 1;
            ++count;
        }
    return count;
}

}  // namespace

bool drawsOtherwise(int64_t differing, int64_t painted)
{
    return differing * 100 > painted * refusalPercent && !paceSawInputLost();
}

RepairResult repairBoard(const PageModel& meant, RepairReport& report)
{
    report = {};
    for (const uint8_t p : meant.painted)
        report.painted += p;

    std::vector<uint32_t> seen;
    std::vector<uint8_t> firstDiffering;
    std::vector<uint8_t> differing;
    int64_t count = 0;
    int32_t idleRounds = 0;  // rounds in a row that mended nothing
    for (int32_t round = 0;; ++round) {
        if (!readSettledBoard(seen))
            return RepairResult::Aborted;
        const int64_t before = count;
        count = markDiffering(meant, seen, differing);
        idleRounds = round > 0 && count >= before ? idleRounds + 1 : 0;
        if (round == 0) {
            firstDiffering = differing;
            report.firstDiffering = count;
            if (drawsOtherwise(count, report.painted))
                return RepairResult::Refused;
        }
        // With a pixel or two left, one lost press can undo a whole round, so a
        // round that mends nothing gets one more try; a second says the page does
        // not take these pixels, and more of the same would only repeat it.
        if (count == 0 || round == mostRepairRounds || idleRounds == 2)
            break;
        // Untouched pixels are meant to stay white, which the sliders can set too.
        if (drawPlannedGestures(planFastDrawing(meant.board, differing, boardSide)) == PassResult::Aborted)
            return RepairResult::Aborted;
        report.rounds = round + 1;
    }
    report.stillDiffering = count;
    for (size_t i = 0; i < boardPixels; ++i)
        report.repaired += firstDiffering[i] != 0 && differing[i] == 0;
    return RepairResult::Done;
}
