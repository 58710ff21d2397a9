// The pace on a desktop whose reads wait for the compositor's next frame (as on
// Wayland): the probes are read from the watchdog's looks, which come with the
// frames, so the input stays within its lead and -pace auto follows the page.

#include "desktop/page_pace.h"
#include "desktop/page_watchdog.h"
#include "driver/drawing_pass.h"
#include "driver/fast_pass.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int32_t frameMs = 17;

class FramedPace : public DesktopTest {
protected:
    void TearDown() override
    {
        disarmPageWatchdog();
        choosePace(paceDefault);
        setVirtualClockHook(nullptr);
        DesktopTest::TearDown();
    }

    // The pass on a fresh page whose every record costs it costUs, on a desktop
    // whose copies and reads come with frames frameMs apart (or at once, watched
    // false: no page watched, for the board meant).
    PassResult draw(bool fast, int32_t pace, int32_t costUs, bool watched = true, VirtualClockHook hook = nullptr)
    {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(testBoardX, testBoardY);
        setVirtualPageCost(costUs);
        setVirtualFrameInterval(frameMs);
        setVirtualReadsWaitForFrames(true);
        setVirtualClockHook(hook);
        if (escapeAtMs >= 0)
            holdKeyDuringTime(ControlKey::Escape, escapeAtMs, escapeAtMs + 200);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        disarmPageWatchdog();
        if (watched)
            armPageWatchdog(testBoardX, testBoardY - 2, 300);
        choosePace(pace);
        const PassResult result = fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr);
        disarmPageWatchdog();
        setVirtualClockHook(nullptr);
        return result;
    }

    int64_t escapeAtMs = -1;  // Escape held from then for 200 ms; -1: never
    RunSettings settings;
    PassPixels picture = makePicture(60, 60, [](int32_t x, int32_t y) { return Rgb{x * 4, y * 4, (x * y) % 256}; });
};

// Without -pace: a page that keeps up is never held for; one slower than the pace
// has no more than the lead queued (and the frame it is seen in), with the board
// meant. Before, the lead had no bound where reads waited for frames.
TEST_F(FramedPace, TheDefaultPaceBoundsTheLead)
{
    settings.stepx = 3;
    settings.stepy = 4;
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(testing::Message() << "fast " << fast);
        ASSERT_EQ(draw(fast, paceDefault, 0, false), PassResult::Finished);
        const std::vector<uint32_t> meant = board();
        const size_t records = virtualInputLog().size();

        ASSERT_EQ(draw(fast, paceDefault, 300), PassResult::Finished);
        EXPECT_EQ(paceReport().holds, 0);
        EXPECT_GT(paceReport().probes, 10) << "the probes are read from the looks";
        EXPECT_TRUE(board() == meant);

        ASSERT_EQ(draw(fast, paceDefault, 2500), PassResult::Finished);
        EXPECT_EQ(virtualInputLog().size(), records);
        EXPECT_GT(paceReport().holds, 0);
        EXPECT_LE(longestPageWait(), (defaultLeadRecords + 2) * 2500 + 2 * frameMs * 1000);
        EXPECT_TRUE(virtualMicroPauses().empty()) << "every pause is still the 1 ms one";
        EXPECT_TRUE(board() == meant);
    }
}

// -pace auto follows the page through the looks' frames: faster than the
// millisecond where the page takes more, no faster than it takes, within the budget.
TEST_F(FramedPace, AutoFollowsThePage)
{
    settings.stepx = settings.stepy = 2;
    ASSERT_EQ(draw(true, paceDefault, 0, false), PassResult::Finished);
    const std::vector<uint32_t> meant = board();
    for (const int32_t costUs : {300, 1500}) {
        SCOPED_TRACE(costUs);
        ASSERT_EQ(draw(true, paceAuto, costUs), PassResult::Finished);
        const PaceReport report = paceReport();
        EXPECT_GT(report.probes, 10);
        EXPECT_EQ(report.dropped, 0);
        EXPECT_LE(meanRecordUs(), std::max(1.25 * costUs, 450.0));
        EXPECT_LE(longestPageWait(), queuedBudgetUs + 2 * frameMs * 1000 + 30'000);
        EXPECT_TRUE(board() == meant);
    }
}

// Frames that stop coming (a compositor that no longer sends them): the input is
// held while the probes go unseen, a few count as dropped, and the rest goes at the
// millisecond pace without feedback, to the end, with the board meant.
void framesStopAt200Ms(int64_t nowMs)
{
    if (nowMs >= 200)
        setVirtualFrameInterval(1'000'000'000);
}

TEST_F(FramedPace, FramesThatStopEndTheFeedback)
{
    settings.stepx = settings.stepy = 4;
    ASSERT_EQ(draw(true, paceDefault, 0, false), PassResult::Finished);
    const std::vector<uint32_t> meant = board();
    const size_t records = virtualInputLog().size();
    for (const int32_t chosen : {paceDefault, paceAuto}) {
        SCOPED_TRACE(chosen);
        ASSERT_EQ(draw(true, chosen, 300, true, framesStopAt200Ms), PassResult::Finished);
        EXPECT_EQ(virtualInputLog().size(), records);
        EXPECT_EQ(paceReport().dropped, 3);
        EXPECT_EQ(paceReport().pauseUs, 1000);
        EXPECT_TRUE(board() == meant);
    }
}

// Escape on a page that lags: it has shown the last of its input soon after the key.
TEST_F(FramedPace, EscapeLeavesLittleQueued)
{
    settings.stepx = settings.stepy = 2;
    for (const int32_t chosen : {paceDefault, paceAuto}) {
        for (const int64_t escapeAt : {300, 1200}) {
            SCOPED_TRACE(testing::Message() << "pace " << chosen << ", Escape at " << escapeAt << " ms");
            escapeAtMs = escapeAt;
            ASSERT_EQ(draw(true, chosen, chosen == paceDefault ? 1500 : 600), PassResult::Aborted);
            escapeAtMs = -1;
            EXPECT_LE(virtualPageBusyUntilUs() - escapeAt * 1000, 250'000);
        }
    }
}

}  // namespace
