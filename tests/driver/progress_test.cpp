#include "driver/progress.h"

#include "driver/fast_pass.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <string>

namespace {

TEST(Progress, TextsForShareTimeLeftAndPause)
{
    struct Case {
        int64_t sent, total, activeMs;
        bool paused;
        const char* text;
    };
    for (const Case& c : {
             Case{0, 720000, 0, false, "scrivdraw 0%"},
             Case{244800, 720000, 250000, false, "scrivdraw 34% \xC2\xB7 8:06 left"},
             Case{244800, 720000, 250000, true, "scrivdraw 34% \xC2\xB7 paused"},
             Case{719999, 720000, 720000, false, "scrivdraw 99% \xC2\xB7 0:01 left"},
             Case{720000, 720000, 720000, false, "scrivdraw 100% \xC2\xB7 0:00 left"},
             Case{5, 0, 10, false, "scrivdraw 100%"},  // nothing to draw
         })
        EXPECT_EQ(progressText(c.sent, c.total, c.activeMs, c.paused), c.text) << c.sent << " of " << c.total;
}

TEST(Progress, CostOfARealRun)
{
    EXPECT_EQ(costText(90000, 720000, 5000), "A real run draws 90,000 points with 720,000 input records: about 12 min 5 s.\n");
    EXPECT_EQ(costText(90000, 51006, 5000), "A real run draws 90,000 points with 51,006 input records: about 57 s.\n");
    EXPECT_EQ(costText(1, 8, 0), "A real run draws 1 point with 8 input records: about 1 s.\n");
    // A fixed pace is what a record costs; the page's own is only known as it draws.
    EXPECT_EQ(costText(90000, 51006, 5000, 250), "A real run draws 90,000 points with 51,006 input records: about 18 s.\n");
    EXPECT_EQ(costText(90000, 51006, 5000, -1),
              "A real run draws 90,000 points with 51,006 input records: about 57 s at a millisecond a record, an "
              "estimate: with -pace auto the page sets the pace.\n");
    EXPECT_EQ(costText(0, 0, 5000), "A real run draws 0 points with 0 input records: about 5 s.\n");
    EXPECT_EQ(costText(500000, 4000000, 0), "A real run draws 500,000 points with 4,000,000 input records: about 1 h 6 min.\n");
}

class ProgressRun : public DesktopTest {};

TEST_F(ProgressRun, ShowsAtMostFourTimesASecondPausesAtOnceAndClearsAtTheEnd)
{
    showScrivletPage(testBoardX, testBoardY);
    RunSettings settings;
    settings.stepx = settings.stepy = 10;  // 900 points, 7,200 records, 7.2 virtual seconds
    holdKeyDuringPolls(ControlKey::KeypadMinus, 450, 450);
    holdKeyDuringPolls(ControlKey::KeypadPlus, 460, 460);
    const PassPixels picture = solidPicture({10, 20, 30});
    DrawingTally tally;
    ASSERT_EQ(runDrawing(settings, picture, nullptr, tally), PassResult::Finished);
    endProgress();
    EXPECT_EQ(tally.points, 900);
    EXPECT_EQ(tally.records, 7200);

    const std::vector<std::string>& shown = virtualStatuses();
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown.front(), "scrivdraw 0%");
    EXPECT_LE(shown.size(), 7200u / 250 + 4) << "more than four updates a second";
    EXPECT_EQ(shown.back(), "") << "the status stays after the run";
    int pausedShown = 0;
    for (const std::string& s : shown)
        pausedShown += s.find("paused") != std::string::npos;
    EXPECT_EQ(pausedShown, 1);
    // Halfway at an even pace: half of the 7.2 s is left.
    bool halfway = false;
    for (const std::string& s : shown)
        halfway = halfway || s == "scrivdraw 50% \xC2\xB7 0:04 left";
    EXPECT_TRUE(halfway);
}

}  // namespace
