// -pace on the virtual desktop: pages that take their time over the input, that
// drop some of it or show nothing, and screens that are slow to read.

#include "desktop/page_pace.h"
#include "desktop/page_watchdog.h"
#include "driver/drawing_pass.h"
#include "driver/fast_pass.h"
#include "driver/progress.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The budget and what one look of the page may add to it before the lag is seen.
constexpr int64_t lagBoundUs = queuedBudgetUs + 30'000;

int64_t dropEvery = 0;  // 0: the page takes everything
int64_t pressesSeen = 0;
bool dropping = false;

// A page that loses every dropEvery-th gesture on the board, press and release.
void droppingPage(int32_t x, int32_t y, uint32_t flags)
{
    const bool onBoard = x >= testBoardX && x < testBoardX + 300 && y >= testBoardY && y < testBoardY + 300;
    if ((flags & mouseLeftDown) && onBoard)
        dropping = dropEvery > 0 && ++pressesSeen % dropEvery == 0;
    if (dropping) {
        if (flags & mouseLeftUp)
            dropping = false;
        return;
    }
    scrivletPageInput(x, y, flags);
}

void deadPage(int32_t, int32_t, uint32_t) {}

class PagePace : public DesktopTest {
protected:
    void TearDown() override
    {
        disarmPageWatchdog();
        choosePace(paceDefault);
        DesktopTest::TearDown();
    }

    // The pass on a fresh page whose every record costs it costUs, and which shows
    // what it took paintDelayUs later.
    PassResult draw(bool fast, int32_t pace, int32_t costUs, int32_t readCostUs = 0, int32_t paintDelayUs = 0,
                    VirtualClockHook clockHook = nullptr, int32_t paintFrameUs = 0)
    {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(testBoardX, testBoardY);
        setVirtualPageCost(costUs);
        setVirtualReadCost(readCostUs);
        setVirtualPaintDelay(paintDelayUs);
        setVirtualPaintFrames(paintFrameUs);
        setVirtualClockHook(clockHook);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        disarmPageWatchdog();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        choosePace(pace);
        const PassResult result = fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr);
        disarmPageWatchdog();
        return result;
    }

    // A fresh page that takes its input through page, watched, -pace auto chosen.
    static void watchedPage(VirtualInputHandler page, int32_t pageCostUs = 0)
    {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(testBoardX, testBoardY);
        setVirtualInputHandler(page);
        setVirtualPageCost(pageCostUs);
        resetRandomSource();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        choosePace(paceAuto);
    }

    static int64_t closestRecordsUs()
    {
        const std::vector<LoggedInput>& log = virtualInputLog();
        int64_t closest = INT64_MAX;
        for (size_t i = 1; i < log.size(); ++i)
            closest = std::min(closest, log[i].timeUs - log[i - 1].timeUs);
        return closest;
    }

    RunSettings settings;
    PassPixels picture = makePicture(60, 60, [](int32_t x, int32_t y) { return Rgb{x * 4, y * 4, (x * y) % 256}; });
};

struct PaceCase {
    bool fast;
    int32_t pace;
    int32_t pageCostUs;
};

// Whatever the pace and however slow the page, the board is the unpaced run's, the
// page never has more than the budget queued, and records are never closer than
// 100 us.
TEST_F(PagePace, KeepsThePageWithinTheBudgetAndLeavesTheSameBoard)
{
    settings.stepx = 3;
    settings.stepy = 4;
    const PaceCase cases[] = {
        {false, paceAuto, 300}, {false, paceAuto, 1500}, {false, 100, 450}, {false, 1000, 2500},
        {true, paceAuto, 440},  {true, paceAuto, 120},   {true, 250, 700},  {true, 100, 100},
    };
    for (const PaceCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "fast " << c.fast << ", pace " << c.pace << ", page " << c.pageCostUs);
        ASSERT_EQ(draw(c.fast, paceDefault, 0), PassResult::Finished);
        const std::vector<uint32_t> unpaced = board();
        const size_t records = virtualInputLog().size();
        EXPECT_TRUE(virtualMicroPauses().empty()) << "without -pace every pause is the 1 ms one";

        ASSERT_EQ(draw(c.fast, c.pace, c.pageCostUs), PassResult::Finished);
        EXPECT_EQ(virtualInputLog().size(), records);
        EXPECT_LE(longestPageWait(), lagBoundUs);
        EXPECT_GE(closestRecordsUs(), fastestPaceUs);
        const PaceReport report = paceReport();
        EXPECT_EQ(report.dropped, 0);
        EXPECT_GT(report.probes, 10);
        if (c.pace == paceAuto) {
            // Never much slower than the page, and faster than the 1 ms pace where it can.
            EXPECT_LE(meanRecordUs(), std::max(1.25 * c.pageCostUs, 150.0));
        } else {
            EXPECT_GE(meanRecordUs(), double(c.pace));
        }
        EXPECT_TRUE(board() == unpaced);
    }
}

// Without -pace: a page that keeps up is left exactly the millisecond pace it
// always had, and one that falls behind (a busy machine: slower than a record a
// millisecond, or stalled for a moment) gets no more than the lead queued, with
// the same board.
int32_t stalls = 0;
constexpr int64_t stallAtMs[3] = {300, 2000, 3700};
void stallForASecond(int64_t nowMs)
{
    // At 300 ms, 2 s and 3.7 s the page takes 0.9 s over one record.
    const bool stallNow = stalls < 3 && nowMs >= stallAtMs[stalls];
    stalls += stallNow ? 1 : 0;
    setVirtualPageCost(stallNow ? 900'000 : 300);
}

TEST_F(PagePace, TheDefaultPaceBoundsHowFarTheInputRunsAhead)
{
    settings.stepx = 3;
    settings.stepy = 4;

    for (const bool fast : {false, true}) {
        SCOPED_TRACE(testing::Message() << "fast " << fast);
        ASSERT_EQ(draw(fast, paceDefault, 0), PassResult::Finished);
        const std::vector<uint32_t> unpaced = board();
        const std::vector<LoggedInput> unwatched = virtualInputLog();

        // A page that keeps up: not one record later than without the watch.
        ASSERT_EQ(draw(fast, paceDefault, 300), PassResult::Finished);
        ASSERT_EQ(virtualInputLog().size(), unwatched.size());
        for (size_t i = 0; i < unwatched.size(); ++i)
            ASSERT_EQ(virtualInputLog()[i].timeUs, unwatched[i].timeUs) << "record " << i;
        EXPECT_EQ(paceReport().holds, 0);

        // Slower than the pace, and stalled: the queue stays within the lead.
        for (const int32_t costUs : {2500, 0}) {
            stalls = 0;
            ASSERT_EQ(draw(fast, paceDefault, costUs, 0, 0, costUs == 0 ? stallForASecond : nullptr),
                      PassResult::Finished);
            EXPECT_EQ(virtualInputLog().size(), unwatched.size());
            if (costUs > 0) {
                // No more than the lead's records (and the gesture under way) queued.
                EXPECT_LE(longestPageWait(), (defaultLeadRecords + 2) * costUs);
            } else {
                // While the page took nothing, no more than the lead's records went,
                // each of the three times.
                for (const int64_t from : stallAtMs) {
                    int64_t sentWhileStalled = 0;
                    for (const LoggedInput& input : virtualInputLog())
                        sentWhileStalled += input.timeMs > from && input.timeMs < from + 900;
                    EXPECT_LE(sentWhileStalled, defaultLeadRecords + 2) << "stall at " << from << " ms";
                }
            }
            EXPECT_GT(paceReport().holds, 0);
            EXPECT_TRUE(virtualMicroPauses().empty()) << "every pause is still the 1 ms one";
            EXPECT_TRUE(board() == unpaced);
        }
    }
}

// Browser pages show their input a frame or more after taking it, and looks that
// cost time are spaced out: neither is input queued in the page. Nor is the wait
// for the next frame, up to a whole one for what was taken just after the last (a
// busy Chromium paints every 50 ms or so). -pace auto must still come near the
// page's own limit, within the budget.
TEST_F(PagePace, AutoComesNearAPageThatShowsItsInputLate)
{
    settings.stepx = settings.stepy = 1;
    struct LateCase {
        int32_t pageCostUs, paintDelayUs, readCostUs, frameUs;
    };
    const LateCase cases[] = {{450, 10'000, 0, 0},   {450, 10'000, 300, 0},     {450, 30'000, 300, 0},
                              {300, 16'000, 150, 0}, {440, 5'000, 200, 50'000}, {440, 2'000, 200, 60'000}};
    for (const LateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.pageCostUs << " us, shown " << c.paintDelayUs
                                        << " us later, reads " << c.readCostUs << " us, frames " << c.frameUs);
        ASSERT_EQ(draw(true, paceAuto, c.pageCostUs, c.readCostUs, c.paintDelayUs, nullptr, c.frameUs),
                  PassResult::Finished);
        EXPECT_LE(meanRecordUs(), 1.1 * c.pageCostUs);
        EXPECT_LE(longestPageWait(), lagBoundUs);
        EXPECT_EQ(paceReport().dropped, 0);
    }
}

// A page that keeps up at first and then falls behind (the machine got busy): the
// input slows down to what it takes, and the queue stays within the budget.
void slowDownAfterASecond(int64_t nowMs)
{
    if (nowMs >= 1000)
        setVirtualPageCost(900);
}

TEST_F(PagePace, AutoSlowsDownForAPageThatFallsBehind)
{
    settings.stepx = settings.stepy = 1;
    resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
    showScrivletPage(testBoardX, testBoardY);
    setVirtualPageCost(450);
    setVirtualPaintDelay(10'000);
    setVirtualClockHook(slowDownAfterASecond);
    BoardOrigin = {testBoardX, testBoardY};
    resetRandomSource();
    armPageWatchdog(testBoardX, testBoardY - 2, 300);
    choosePace(paceAuto);
    ASSERT_EQ(runFastPass(settings, picture, nullptr), PassResult::Finished);
    disarmPageWatchdog();
    setVirtualClockHook(nullptr);
    const std::vector<LoggedInput>& log = virtualInputLog();
    const auto late = std::find_if(log.begin(), log.end(), [](const LoggedInput& r) { return r.timeUs >= 1'200'000; });
    ASSERT_GT(log.end() - late, 200);
    const double lateRecordUs = double(log.back().timeUs - late->timeUs) / double(log.end() - late - 1);
    EXPECT_GE(lateRecordUs, 0.9 * 900);
    EXPECT_LE(lateRecordUs, 1.2 * 900);
    EXPECT_LE(longestPageWait(), lagBoundUs);
    EXPECT_EQ(paceReport().dropped, 0);
}

// A busy machine's browser paints seldom and late, and reading the screen costs
// more: probes show a frame or more late, or are read far apart, and look queued
// however little is. -pace auto holds for them and cuts its window back, but never
// below what keeps the page busy, nor pauses longer than the millisecond for a
// lag: it ends no later than a run without -pace on the same page. (It took up
// to 2.3 times as long here, and 1.09 times in real runs under load.)
TEST_F(PagePace, AutoIsNeverSlowerThanTheDefaultOnABusyPage)
{
    settings.stepx = settings.stepy = 3;
    struct BusyCase {
        int32_t pageCostUs, paintDelayUs, readCostUs, frameUs;
    };
    const BusyCase cases[] = {{700, 5'000, 3'000, 0}, {700, 40'000, 200, 60'000}, {1300, 40'000, 200, 60'000}};
    for (const BusyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "page " << c.pageCostUs << " us, shown " << c.paintDelayUs
                                        << " us later, reads " << c.readCostUs << " us, frames " << c.frameUs);
        ASSERT_EQ(draw(true, paceDefault, c.pageCostUs, c.readCostUs, c.paintDelayUs, nullptr, c.frameUs),
                  PassResult::Finished);
        const int64_t defaultUs = virtualInputLog().back().timeUs;
        const std::vector<uint32_t> meant = board();
        ASSERT_EQ(draw(true, paceAuto, c.pageCostUs, c.readCostUs, c.paintDelayUs, nullptr, c.frameUs),
                  PassResult::Finished);
        EXPECT_LE(double(virtualInputLog().back().timeUs), 1.01 * double(defaultUs));
        EXPECT_LE(paceReport().pauseUs, 1000);
        EXPECT_EQ(paceReport().dropped, 0);
        EXPECT_TRUE(board() == meant);
    }
}

// A second run over a board that already shows the picture: nothing it sends
// changes a pixel, so no gesture can be a probe, and nothing on the board waits on
// the page. The input is never held for it, at the default pace or with -pace auto
// (it was, for the whole budget every window's worth of records).
TEST_F(PagePace, ABoardAlreadyDrawnIsNeverWaitedFor)
{
    settings.stepx = 3;
    settings.stepy = 4;
    for (const int32_t chosen : {paceDefault, paceAuto}) {
        for (const bool fast : {false, true}) {
            SCOPED_TRACE(testing::Message() << "pace " << chosen << ", fast " << fast);
            ASSERT_EQ(draw(fast, chosen, 300), PassResult::Finished);
            const std::vector<uint32_t> drawn = board();
            const size_t firstRun = virtualInputLog().size();
            resetRandomSource();
            armPageWatchdog(testBoardX, testBoardY - 2, 300);
            choosePace(chosen);
            ASSERT_EQ(fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr),
                      PassResult::Finished);
            disarmPageWatchdog();
            EXPECT_EQ(virtualInputLog().size(), 2 * firstRun);
            EXPECT_EQ(paceReport().probes, 0);
            EXPECT_EQ(paceReport().holds, 0);
            EXPECT_TRUE(board() == drawn);
        }
    }
}

// Escape while the page lags, or paints in frames far apart: the page has shown the
// last of its input within 150 ms of the key.
TEST_F(PagePace, EscapeLeavesAtMostTheBudgetQueued)
{
    settings.stepx = settings.stepy = 2;
    struct EscapeCase {
        bool fast;
        int32_t frameUs;
    };
    for (const EscapeCase& c : {EscapeCase{false, 0}, EscapeCase{true, 0}, EscapeCase{true, 50'000}}) {
        const bool fast = c.fast;
        const int32_t frameUs = c.frameUs;
        for (const int64_t escapeAtMs : {300, 1200, 2100}) {
            SCOPED_TRACE(testing::Message() << "fast " << fast << ", Escape at " << escapeAtMs << " ms, frames "
                                            << frameUs);
            resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
            showScrivletPage(testBoardX, testBoardY);
            setVirtualPageCost(frameUs > 0 ? 440 : 600);
            setVirtualPaintFrames(frameUs);
            holdKeyDuringTime(ControlKey::Escape, escapeAtMs, escapeAtMs + 200);
            resetRandomSource();
            armPageWatchdog(testBoardX, testBoardY - 2, 300);
            choosePace(paceAuto);
            const PassResult result =
                fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr);
            disarmPageWatchdog();
            ASSERT_EQ(result, PassResult::Aborted) << "Escape at " << escapeAtMs << " ms";
            EXPECT_LE(virtualPageBusyUntilUs() - escapeAtMs * 1000, 150'000) << "Escape at " << escapeAtMs << " ms";
        }
    }
}

// A page that drops gestures: the probes among them count as dropped, -pace auto
// slows down, and the lag stays bounded.
TEST_F(PagePace, CountsProbesThatNeverShowAndSlowsDown)
{
    settings.stepx = settings.stepy = 3;
    dropEvery = 7;
    pressesSeen = 0;
    dropping = false;
    watchedPage(droppingPage, 200);
    ASSERT_EQ(runFastPass(settings, picture, nullptr), PassResult::Finished);
    const PaceReport report = paceReport();
    EXPECT_GT(report.dropped, 0);
    EXPECT_GT(report.probes, report.dropped);
    EXPECT_LT(report.window, 128);
    EXPECT_LE(longestPageWait(), lagBoundUs);
    dropEvery = 0;
}

// A page stalled for over a second by a busy machine, once or twice: its probe is
// taken for dropped at first, then seen late, and the slowing down taken back.
int64_t stallsAtMs[2] = {};
void stallThePage(int64_t nowMs)
{
    for (int64_t& at : stallsAtMs)
        if (at > 0 && nowMs >= at) {
            at = 0;
            stallVirtualPage(1'300'000);
        }
}

TEST_F(PagePace, APageThatOnlyStalledIsNotSlowedDownFor)
{
    settings.stepx = settings.stepy = 2;
    ASSERT_EQ(draw(true, paceDefault, 0), PassResult::Finished);
    const std::vector<uint32_t> unpaced = board();
    for (const int64_t secondAtMs : {int64_t{0}, int64_t{2500}}) {
        SCOPED_TRACE(secondAtMs);
        stallsAtMs[0] = 500;
        stallsAtMs[1] = secondAtMs;
        const PassResult result = draw(true, paceAuto, 300, 0, 0, stallThePage);
        setVirtualClockHook(nullptr);
        ASSERT_EQ(result, PassResult::Finished);
        const PaceReport report = paceReport();
        EXPECT_EQ(report.dropped, 0);
        EXPECT_EQ(report.stalls, secondAtMs > 0 ? 2 : 1);
        EXPECT_LE(report.pauseUs, 300);
        EXPECT_TRUE(board() == unpaced);
        EXPECT_NE(paceText(report).find(secondAtMs > 0 ? ", 2 more showed over a second late (the page stalled);"
                                                       : ", 1 more showed"),
                  std::string::npos)
            << paceText(report);
    }
}

// A page that shows nothing at all, its board untouched: held up, as far as the
// probes can tell, so the input is held back, the user told, and a window let
// through a second while nothing shows for ten; then the run goes on without
// feedback at the millisecond pace, to the end. A page that paints its pixels, but
// not in the pen's colour, has no such excuse: three probes and the feedback ends.
void offColourPage(int32_t x, int32_t y, uint32_t flags)
{
    scrivletPageInput(x, y, flags);
    if (flags & mouseLeftUp)
        paintVirtualPixel(x, y, virtualPixel(x, y) ^ 0x000001u);
}

TEST_F(PagePace, APageThatShowsNothingIsWaitedForThenDrawnBlind)
{
    settings.stepx = settings.stepy = 10;
    struct Case {
        VirtualInputHandler page;
        bool untouched;
    };
    for (const Case c : {Case{deadPage, true}, Case{offColourPage, false}}) {
        SCOPED_TRACE(c.untouched);
        watchedPage(c.page);
        ASSERT_EQ(runDrawingPass(settings, picture, nullptr), PassResult::Finished);
        const PaceReport report = paceReport();
        EXPECT_EQ(report.pauseUs, 1000);
        EXPECT_EQ(virtualInputLog().size(), size_t(30 * 30 * 8));
        // A probe given up a second, until the feedback ends.
        EXPECT_EQ(report.dropped, c.untouched ? stallBlindUs / probeDroppedUs : 3);
        EXPECT_GE(virtualClockMs(), report.dropped * probeDroppedUs / 1000);
        const std::vector<std::string>& statuses = virtualStatuses();
        EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(),
                                [](const std::string& s) { return s.find("shows nothing") != std::string::npos; }));
    }
}

// A browser held up for seconds on end by a busy machine: every probe on its way is
// given up in turn, but the board shows it only stalled, so the feedback stays and
// the input waits for the page instead of running on without a bound.
bool longStallDone = false;
void stallFourSeconds(int64_t nowMs)
{
    if (!longStallDone && nowMs >= 500) {
        longStallDone = true;
        stallVirtualPage(4'500'000);
    }
}

TEST_F(PagePace, ALongStallKeepsTheLeadBounded)
{
    settings.stepx = settings.stepy = 2;
    ASSERT_EQ(draw(true, paceDefault, 0), PassResult::Finished);
    const std::vector<uint32_t> meant = board();
    for (const int32_t chosen : {paceDefault, paceAuto}) {
        SCOPED_TRACE(chosen);
        longStallDone = false;
        const PassResult result = draw(true, chosen, 300, 0, 0, stallFourSeconds);
        setVirtualClockHook(nullptr);
        ASSERT_EQ(result, PassResult::Finished);
        int64_t sentWhileStalled = 0;
        for (const LoggedInput& input : virtualInputLog())
            sentWhileStalled += input.timeMs > 500 && input.timeMs < 5000;
        // The lead, then half of it for each second given up, and so on.
        EXPECT_LE(sentWhileStalled, 2 * defaultLeadRecords + 2);
        EXPECT_GE(paceReport().dropped + paceReport().stalls, 3);
        EXPECT_LE(paceReport().pauseUs, 1000);
        EXPECT_TRUE(board() == meant);
    }
}

// Screens that take long to read: looks are spaced so that they take about 5 % of
// the drawing (a fifth of the time while the input is held back, when nothing is
// sent anyway), and the board is still the one meant.
TEST_F(PagePace, SpacesOutLooksThatCostMoreThanAShareOfThePacing)
{
    settings.stepx = settings.stepy = 4;
    for (const int32_t readCostUs : {0, 500, 3000}) {
        SCOPED_TRACE(readCostUs);
        ASSERT_EQ(draw(true, 250, 150, readCostUs), PassResult::Finished);
        const int64_t gestures = int64_t(virtualInputLog().size() / 2);
        const int64_t reads = virtualCaptures() + virtualPixelReads();
        const int64_t readingUs = reads * readCostUs;
        EXPECT_LE(double(readingUs), 0.2 * double(virtualClockUs())) << reads << " reads for " << gestures;
        if (readCostUs == 0) {
            EXPECT_GE(reads, gestures) << "a look with every gesture where looks are free";
        }
        // The closing line's figures: what a look cost, and how far apart they came.
        const PaceReport report = paceReport();
        EXPECT_GE(report.looks, reads / (2 + 3));
        EXPECT_GE(report.meanLookCostUs, readCostUs);
        EXPECT_GE(double(report.lookSpacingUs), 0.9 * double(report.meanLookCostUs) / (4 * lookShare));
        // Looks far apart see the lag later: by up to the time between two of them.
        EXPECT_LE(longestPageWait(), lagBoundUs + int64_t(4 * readCostUs / lookShare));
    }
}

// Without a page to watch (a page in memory) the pace is only the pause.
TEST_F(PagePace, AnUnwatchedPageIsOnlyPaused)
{
    settings.stepx = settings.stepy = 10;
    resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
    showScrivletPage(testBoardX, testBoardY);
    resetRandomSource();
    disarmPageWatchdog();
    choosePace(300);
    ASSERT_EQ(runDrawingPass(settings, picture, nullptr), PassResult::Finished);
    const std::vector<int32_t>& pauses = virtualMicroPauses();
    EXPECT_EQ(pauses.size(), size_t(30 * 30 * 8));
    EXPECT_TRUE(std::all_of(pauses.begin(), pauses.end(), [](int32_t us) { return us == 300; }));
    EXPECT_EQ(virtualCaptures(), 0);
}

}  // namespace
