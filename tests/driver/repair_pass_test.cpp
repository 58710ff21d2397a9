// -repair against pages that drop gestures: during the drawing, during the repair,
// too many to repair, none at all.

#include "driver/repair_pass.h"

#include "driver/drawing_pass.h"
#include "driver/normal_board.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <algorithm>
#include <string>

namespace {

// Which gestures the page drops: by their number, counted from the pass's first
// (during the drawing) and from the repair's first (during the repair).
struct DropRule {
    int32_t drawingPerMille = 0;
    int32_t repairPerMille = 0;
    int64_t repairFirstDropped = 0;  // of the repair's gestures, these are dropped too
    int64_t repairDroppedCount = 0;
};

DropRule rule;
bool repairing = false;
int64_t gestureNumber = -1;
bool droppingThisGesture = false;

bool chosen(int64_t n, int32_t perMille) { return (uint64_t(n) * 2654435761u >> 7) % 1000 < uint64_t(perMille); }

// A page that loses whole gestures, press and release together.
void droppingPage(int32_t x, int32_t y, uint32_t flags)
{
    if (flags == pressFlags) {
        ++gestureNumber;
        droppingThisGesture =
            repairing ? chosen(gestureNumber, rule.repairPerMille) ||
                            (gestureNumber >= rule.repairFirstDropped &&
                             gestureNumber < rule.repairFirstDropped + rule.repairDroppedCount)
                      : chosen(gestureNumber, rule.drawingPerMille);
    }
    if (!droppingThisGesture)
        scrivletPageInput(x, y, flags);
}

struct RepairCase {
    const char* name;
    DropRule drops;
    RepairResult result;
    int32_t rounds;  // -1: any up to the most
    bool allRepaired;  // else nothing repaired and everything still differs
};

class Repair : public DesktopTest, public testing::WithParamInterface<RepairCase> {};

TEST_P(Repair, RedrawsWhatThePageDroppedOrRefusesWhenItDrawsOtherwise)
{
    const RepairCase& c = GetParam();
    rule = c.drops;
    repairing = false;
    gestureNumber = -1;
    showScrivletPage(testBoardX, testBoardY);
    setVirtualInputHandler(droppingPage);
    RunSettings settings;
    settings.stepx = settings.stepy = 3;
    const PassPixels picture =
        makePicture(50, 50, [](int32_t x, int32_t y) { return Rgb{(x * 5) % 256, (y * 7) % 256, ((x + y) * 3) % 256}; });

    NormalBoard meant;
    ASSERT_EQ(learnNormalBoard(settings, picture, nullptr, meant), PassResult::Finished);
    ASSERT_EQ(runDrawingPass(settings, picture, nullptr), PassResult::Finished);
    const size_t passRecords = virtualInputLog().size();
    repairing = true;
    gestureNumber = -1;
    RepairReport report;
    ASSERT_EQ(repairBoard(meant.page, report), c.result);

    EXPECT_GT(report.painted, 0);
    EXPECT_EQ(report.firstDiffering > 0, c.drops.drawingPerMille > 0);
    if (c.rounds >= 0) {
        EXPECT_EQ(report.rounds, c.rounds);
    }
    if (c.result == RepairResult::Refused) {
        EXPECT_GT(report.firstDiffering * 10, report.painted);
        EXPECT_EQ(virtualInputLog().size(), passRecords) << "nothing redrawn";
        return;
    }
    EXPECT_LE(report.firstDiffering * 10, report.painted);
    if (c.allRepaired) {
        EXPECT_EQ(report.stillDiffering, 0);
        EXPECT_EQ(report.repaired, report.firstDiffering);
        EXPECT_EQ(shownPageModel().board, meant.page.board);
    } else {
        EXPECT_EQ(report.repaired, 0);
        EXPECT_EQ(report.stillDiffering, report.firstDiffering);
    }
    // Each read waited for the page to settle: two reads 200 ms apart.
    EXPECT_EQ(std::count(virtualSleeps().begin(), virtualSleeps().end(), 200), report.rounds + 1);
}

const RepairCase cases[] = {
    {"nothing_dropped", {}, RepairResult::Done, 0, true},
    {"three_percent_dropped", {30}, RepairResult::Done, 1, true},
    {"dropped_in_the_repair_too", {30, 30}, RepairResult::Done, -1, true},
    {"first_repair_round_lost", {30, 0, 0, 1000000}, RepairResult::Done, 3, false},
    {"some_of_the_first_round_lost", {30, 0, 0, 12}, RepairResult::Done, 2, true},
    {"a_quarter_dropped", {250}, RepairResult::Refused, 0, false},
};

INSTANTIATE_TEST_SUITE_P(DroppingPages, Repair, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<RepairCase>& info) { return std::string(info.param.name); });

TEST_F(Repair, WaitsForAPageStillPaintingButNotForEver)
{
    // A board that never holds still for 200 ms: read for 5 s, then judged as it is.
    showScrivletPage(testBoardX, testBoardY);
    setVirtualClockHook([](int64_t now) { paintVirtualPixel(testBoardX + 7, testBoardY + 9, uint32_t(now)); });
    NormalBoard meant;
    resetPageModel(meant.page, testBoardX, testBoardY, 0xFFFFFFu);
    meant.page.painted.assign(meant.page.painted.size(), 1);
    RepairReport report;
    EXPECT_EQ(repairBoard(meant.page, report), RepairResult::Done);
    setVirtualClockHook(nullptr);
    // Four reads (after the drawing and after each of three rounds), 25 looks each.
    EXPECT_EQ(report.rounds, mostRepairRounds);
    EXPECT_EQ(report.stillDiffering, 1);
    EXPECT_EQ(std::count(virtualSleeps().begin(), virtualSleeps().end(), 200), 100);
}

}  // namespace
