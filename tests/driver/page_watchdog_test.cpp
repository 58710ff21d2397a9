// The page watchdog during whole passes: the page covered, moved, given up on by
// hand, and Escape while waiting for it.

#include "desktop/page_watchdog.h"
#include "driver/drawing_pass.h"
#include "driver/fast_pass.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int64_t never = INT64_MAX;
constexpr uint32_t coverColour = 0x404040u;

// What happens to the page, by virtual time.
struct Incident {
    int64_t coverAt = never;    // a window over the whole page
    int64_t restoreAt = never;  // the page in front again, at (movedX, movedY)
    int32_t movedX = testBoardX;
    int32_t movedY = testBoardY;
};

Incident incident;
bool covered = false;
bool restored = false;

void applyIncident(int64_t nowMs)
{
    if (!covered && nowMs >= incident.coverAt) {
        covered = true;
        paintVirtualRect(testBoardX - 20, testBoardY - 30, 500, 360, coverColour);
    }
    if (!restored && nowMs >= incident.restoreAt) {
        restored = true;
        moveScrivletPage(incident.movedX, incident.movedY);
    }
}

bool isPageAwayText(const std::string& text) { return text.find("covered or has moved") != std::string::npos; }

struct WatchCase {
    const char* name;
    bool fast;
    Incident incident;
    ControlKey key = ControlKey::Escape;
    int64_t keyFrom = never;  // held for 150 ms of virtual time
    PassResult result = PassResult::Finished;
};

class PageWatchdog : public DesktopTest, public testing::WithParamInterface<WatchCase> {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        settings.stepx = settings.stepy = 6;
        covered = restored = false;
    }
    void TearDown() override
    {
        disarmPageWatchdog();
        setVirtualClockHook(nullptr);
    }

    // The pass on a fresh page, the watchdog armed or not.
    PassResult draw(bool fast, bool armed)
    {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(testBoardX, testBoardY);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        disarmPageWatchdog();
        if (armed)
            armPageWatchdog(testBoardX, testBoardY - 2, 300);
        return fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr);
    }

    RunSettings settings;
    PassPixels picture = makePicture(60, 60, [](int32_t x, int32_t y) { return Rgb{x * 4, y * 4, (x * y) % 256}; });
};

TEST_P(PageWatchdog, SendsNothingWhileThePageIsAwayAndFinishesItsBoardWhereThePageIs)
{
    const WatchCase& c = GetParam();
    ASSERT_EQ(draw(c.fast, false), PassResult::Finished);
    const std::vector<uint32_t> undisturbed = shownPageModel().board;
    const size_t records = virtualInputLog().size();

    incident = c.incident;
    const PassResult result = [&] {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        setVirtualClockHook(applyIncident);
        showScrivletPage(testBoardX, testBoardY);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        if (c.keyFrom != never)
            holdKeyDuringTime(c.key, c.keyFrom, c.keyFrom + 150);
        return c.fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr);
    }();
    ASSERT_EQ(result, c.result);

    // While covered: only the gesture whose look came before the cover, if any.
    const std::vector<LoggedInput>& log = virtualInputLog();
    const int64_t awayFrom = std::min(c.incident.coverAt, c.incident.restoreAt);
    const int64_t awayUntil = c.key == ControlKey::KeypadPlus ? c.keyFrom : c.incident.restoreAt;
    int64_t sentWhileAway = 0;
    int64_t firstAfter = never;
    for (const LoggedInput& input : log) {
        if (input.timeMs >= awayFrom + 2 && input.timeMs < awayUntil)
            ++sentWhileAway;
        if (input.timeMs >= awayUntil && firstAfter == never)
            firstAfter = input.timeMs;
    }
    EXPECT_EQ(sentWhileAway, 0);
    // The word to the user: once, taken away when drawing goes on.
    const std::vector<std::string>& statuses = virtualStatuses();
    const auto told = std::find_if(statuses.begin(), statuses.end(), isPageAwayText);
    EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(), isPageAwayText), c.incident.coverAt == never ? 0 : 1);
    if (c.result == PassResult::Aborted) {
        EXPECT_EQ(firstAfter, never);
        return;
    }
    // Drawing goes on within one look of the page's return.
    EXPECT_LE(firstAfter - awayUntil, 100);
    // A page seen elsewhere at the first look needs no word to the user.
    if (told != statuses.end()) {
        ASSERT_NE(told + 1, statuses.end());
        EXPECT_EQ(told[1], "");
    }
    EXPECT_EQ(log.size(), records + 2) << "every gesture sent once, the one before the page went away twice";
    EXPECT_EQ(shownPageModel().board, undisturbed);
    EXPECT_EQ(pageWatchdogArmed(), c.key != ControlKey::KeypadPlus) << "plus turns the watchdog off";
    EXPECT_EQ(BoardOrigin.x, c.key == ControlKey::KeypadPlus ? testBoardX : c.incident.movedX);
    EXPECT_EQ(BoardOrigin.y, c.key == ControlKey::KeypadPlus ? testBoardY : c.incident.movedY);
}

TEST_F(PageWatchdog, LeavesTheInputAsItIsWhileThePageStaysPut)
{
    for (const bool fast : {false, true}) {
        ASSERT_EQ(draw(fast, false), PassResult::Finished);
        const std::vector<Gesture> unwatched = loggedGestures();
        ASSERT_EQ(draw(fast, true), PassResult::Finished);
        const std::vector<Gesture> watched = loggedGestures();
        ASSERT_EQ(watched.size(), unwatched.size());
        for (size_t i = 0; i < watched.size(); ++i) {
            EXPECT_EQ(watched[i].x1, unwatched[i].x1);
            EXPECT_EQ(watched[i].y2, unwatched[i].y2);
            EXPECT_EQ(watched[i].timeMs, unwatched[i].timeMs) << "the look took drawing time";
        }
        EXPECT_EQ(virtualCaptures(), int64_t(watched.size()) + 1) << "one look before each gesture";
        EXPECT_EQ(std::count_if(virtualStatuses().begin(), virtualStatuses().end(), isPageAwayText), 0);
    }
}

const WatchCase cases[] = {
    {"covered_then_back", false, {40, 1000}},
    {"covered_then_back_fast", true, {41, 733}},
    // Moved clear of where it was, so that the gesture sent just before the move
    // lands on nothing.
    {"moved", false, {never, 100, 519, 400}},
    {"moved_while_covered_fast", true, {60, 900, 519, 210}},
    {"plus_draws_on_regardless", false, {50}, ControlKey::KeypadPlus, 500},
    {"escape_while_waiting", false, {50}, ControlKey::Escape, 600, PassResult::Aborted},
    {"escape_while_waiting_fast", true, {55}, ControlKey::Escape, 300, PassResult::Aborted},
};

INSTANTIATE_TEST_SUITE_P(Incidents, PageWatchdog, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<WatchCase>& info) { return std::string(info.param.name); });

}  // namespace
