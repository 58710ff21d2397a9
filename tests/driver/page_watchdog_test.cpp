// The page watchdog during whole passes: the page covered, moved, given up on by
// hand, and Escape while waiting for it.

#include "desktop/page_watchdog.h"
#include "desktop/pointer.h"
#include "driver/drawing_pass.h"
#include "driver/fast_pass.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int64_t never = INT64_MAX;
constexpr uint32_t coverColour = 0x404040u;
// With a frame every 17 ms: the look under way may show the frame just before the
// cover, the next one shows the cover a frame later and is collected before the
// gesture after it.
constexpr int64_t recordsAfterCoverAtFrames = 17 + 4;

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

// Input that meets the cover reaches nothing; a cover that never goes is the
// user's own doing (keypad plus says so) and lets it through.
void pageBehindCover(int32_t x, int32_t y, uint32_t flags)
{
    if (!covered || restored || incident.restoreAt == never)
        scrivletPageInput(x, y, flags);
}

// A compositor that puts the pointer's image into its screen copies: a dark
// block from a little above and left of where the pointer is.
struct PointerImage {
    bool shown = false;
    int32_t left = 0, top = 0;
    std::vector<uint32_t> under;
};
PointerImage pointerImage;
constexpr int32_t imageWidth = 12;
constexpr int32_t imageHeight = 20;

void pageWithPointerImage(int32_t x, int32_t y, uint32_t flags)
{
    if (pointerImage.shown)
        for (int32_t r = 0; r < imageHeight; ++r)
            for (int32_t c = 0; c < imageWidth; ++c)
                paintVirtualPixel(pointerImage.left + c, pointerImage.top + r,
                                  pointerImage.under[size_t(r * imageWidth + c)]);
    scrivletPageInput(x, y, flags);
    pointerImage = {true, x - 4, y - 4, std::vector<uint32_t>(imageWidth * imageHeight)};
    for (int32_t r = 0; r < imageHeight; ++r)
        for (int32_t c = 0; c < imageWidth; ++c) {
            pointerImage.under[size_t(r * imageWidth + c)] = virtualPixel(x - 4 + c, y - 4 + r);
            paintVirtualPixel(x - 4 + c, y - 4 + r, 0x101010u);
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
    int32_t frameMs = 0;  // screen copies come with frames this far apart; 0: at once
    int32_t edge = 300;   // the page's edge line (0: to the screen's side)
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
        showScrivletPage(testBoardX, testBoardY, {c.edge, 100});
        setVirtualInputHandler(pageBehindCover);
        setVirtualFrameInterval(c.frameMs);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        // As the locator finds it: the run up to its last column, the whole edge.
        const int32_t whole = c.edge == 0 ? testScreenWidth - testBoardX : c.edge;
        armPageWatchdog(testBoardX, testBoardY - 2, std::min(whole, 800 - testBoardX), false, whole);
        if (c.keyFrom != never)
            holdKeyDuringTime(c.key, c.keyFrom, c.keyFrom + 150);
        return c.fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr);
    }();
    ASSERT_EQ(result, c.result);

    // While covered: only the gestures sent before a look could show the cover:
    // none but the one under way where looks take no time.
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
    EXPECT_LE(sentWhileAway, c.frameMs == 0 ? 0 : recordsAfterCoverAtFrames);
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
    if (c.frameMs == 0) {
        EXPECT_EQ(log.size(), records + 2) << "every gesture sent once, the one before the page went away twice";
    }
    EXPECT_EQ(shownPageModel().board, undisturbed) << "what met the cover was sent again, with its pen";
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
        // One look before each gesture, and beside them, reading the board once and
        // probes now and then (at most three a look), how far the page is behind.
        EXPECT_GE(virtualCaptures(), int64_t(watched.size()) + 1) << "one look before each gesture";
        EXPECT_LE(virtualCaptures(), int64_t(watched.size()) * 3 / 2 + 2) << "probes now and then";
        EXPECT_EQ(std::count_if(virtualStatuses().begin(), virtualStatuses().end(), isPageAwayText), 0);
    }
}

TEST_F(PageWatchdog, LooksThatWaitForFramesTakeNoDrawingTime)
{
    for (const bool fast : {false, true}) {
        ASSERT_EQ(draw(fast, false), PassResult::Finished);
        const std::vector<Gesture> unwatched = loggedGestures();
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(testBoardX, testBoardY);
        setVirtualFrameInterval(17);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        ASSERT_EQ(fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr),
                  PassResult::Finished);
        const std::vector<Gesture> watched = loggedGestures();
        ASSERT_EQ(watched.size(), unwatched.size());
        for (size_t i = 0; i < watched.size(); ++i)
            ASSERT_EQ(watched[i].timeMs, unwatched[i].timeMs) << "a look held up gesture " << i;
        // Looks still come one a frame, many gestures each, with the read of a
        // probe beside each.
        const int64_t frames = virtualClockMs() / 17;
        EXPECT_GE(virtualCaptures(), frames * 9 / 10);
        EXPECT_LE(virtualCaptures(), 2 * frames + 4);
    }
}

TEST_F(PageWatchdog, TakesNoPointerImageInTheLooksForThePageGone)
{
    settings.stepx = settings.stepy = 3;
    for (const bool fast : {false, true}) {
        ASSERT_EQ(draw(fast, false), PassResult::Finished);
        const size_t unwatched = virtualInputLog().size();
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(testBoardX, testBoardY);
        pointerImage = {};
        setVirtualInputHandler(pageWithPointerImage);
        setVirtualFrameInterval(17);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        holdKeyDuringTime(ControlKey::Escape, 600'000, never);  // a watchdog fooled for good
        ASSERT_EQ(fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr),
                  PassResult::Finished);
        EXPECT_EQ(virtualInputLog().size(), unwatched) << "nothing was taken for the page gone";
        EXPECT_EQ(std::count_if(virtualStatuses().begin(), virtualStatuses().end(), isPageAwayText), 0);
    }
}

// The cover arriving at every moment of a frame: how many records reach it.
TEST_F(PageWatchdog, SendsAboutAFrameOfRecordsAfterThePageGoes)
{
    int64_t most = 0;
    for (int64_t coverAt = 40; coverAt < 40 + 17; ++coverAt) {
        incident = {coverAt, coverAt + 300};
        covered = restored = false;
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        setVirtualClockHook(applyIncident);
        showScrivletPage(testBoardX, testBoardY);
        setVirtualInputHandler(pageBehindCover);
        setVirtualFrameInterval(17);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        ASSERT_EQ(runDrawingPass(settings, picture, nullptr), PassResult::Finished);
        int64_t sent = 0;
        for (const LoggedInput& input : virtualInputLog())
            sent += input.timeMs >= coverAt && input.timeMs < coverAt + 300;
        most = std::max(most, sent);
    }
    EXPECT_LE(most, recordsAfterCoverAtFrames);
    std::printf("at most %lld records sent after the page went, with a frame every 17 ms\n",
                static_cast<long long>(most));
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
    // Looks that come a frame after they are asked for: gestures go on meanwhile.
    {"covered_then_back_frames", false, {40, 1000}, ControlKey::Escape, never, PassResult::Finished, 17},
    {"covered_then_back_fast_frames", true, {41, 733}, ControlKey::Escape, never, PassResult::Finished, 17},
    {"moved_frames", false, {never, 100, 519, 400}, ControlKey::Escape, never, PassResult::Finished, 17},
    {"moved_while_covered_fast_frames", true, {60, 900, 519, 210}, ControlKey::Escape, never, PassResult::Finished,
     17},
    {"escape_while_waiting_frames", false, {50}, ControlKey::Escape, 600, PassResult::Aborted, 17},
    // Pages whose edge is longer than the board: one of 400, one to the screen's
    // side, cut shorter by it once the page has moved right.
    {"covered_then_back_long_edge", false, {40, 1000}, ControlKey::Escape, never, PassResult::Finished, 0, 400},
    {"moved_long_edge_fast", true, {never, 100, 519, 400}, ControlKey::Escape, never, PassResult::Finished, 0, 400},
    {"moved_while_covered_edge_to_the_side", false, {60, 900, 519, 210}, ControlKey::Escape, never,
     PassResult::Finished, 17, 0},
};

INSTANTIATE_TEST_SUITE_P(Incidents, PageWatchdog, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<WatchCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// The user zooms the page mid-run (Ctrl and plus, or minus): its board grows to
// 375 pixels (or shrinks to 270) and moves; 1.5 s later it is back at 1:1 where it
// was.
struct Zoom {
    int32_t left = 125;
    int32_t row = 310;
    int32_t length = 375;
    int64_t inAt = 0;
    int64_t backAt = 0;
    bool in = false;
    bool back = false;
};
Zoom zoom;

void applyZoom(int64_t nowMs)
{
    if (!zoom.in && nowMs >= zoom.inAt) {
        zoom.in = true;
        paintVirtualRect(0, 0, testScreenWidth, testScreenHeight, 0xFFFFFFu);
        paintVirtualRect(zoom.left, zoom.row, zoom.length, 1, 0x999999u);
    }
    if (!zoom.back && nowMs >= zoom.backAt) {
        zoom.back = true;
        moveScrivletPage(testBoardX, testBoardY);
    }
}

void pageUnlessZoomed(int32_t x, int32_t y, uint32_t flags)
{
    if (!zoom.in || zoom.back)
        scrivletPageInput(x, y, flags);
}

bool isScaleText(const std::string& text)
{
    return text.find("shown at " + std::to_string(zoom.length / 3) + " %") != std::string::npos;
}

}  // namespace

TEST_F(PageWatchdog, NeverResumesOntoABoardOfAnotherScale)
{
    for (const int32_t length : {375, 270})
    for (const bool fast : {false, true}) {
        ASSERT_EQ(draw(fast, false), PassResult::Finished);
        const std::vector<uint32_t> undisturbed = shownPageModel().board;

        zoom = Zoom{};
        if (length == 270)
            zoom = Zoom{90, 223, 270};
        zoom.inAt = virtualClockMs() / 3;
        zoom.backAt = zoom.inAt + 1500;
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        setVirtualClockHook(applyZoom);
        showScrivletPage(testBoardX, testBoardY);
        setVirtualInputHandler(pageUnlessZoomed);
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        armPageWatchdog(testBoardX, testBoardY - 2, 300);
        ASSERT_EQ(fast ? runFastPass(settings, picture, nullptr) : runDrawingPass(settings, picture, nullptr),
                  PassResult::Finished);

        int64_t sentWhileZoomed = 0;
        for (const LoggedInput& input : virtualInputLog())
            if (input.timeMs >= zoom.inAt + 2 && input.timeMs < zoom.backAt)
                ++sentWhileZoomed;
        EXPECT_EQ(sentWhileZoomed, 0) << "fast " << fast;
        // Said once, with the scale, and taken away when drawing goes on.
        const std::vector<std::string>& statuses = virtualStatuses();
        EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(), isScaleText), 1) << "fast " << fast;
        EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(), isPageAwayText), 0) << "fast " << fast;
        const auto told = std::find_if(statuses.begin(), statuses.end(), isScaleText);
        ASSERT_NE(told, statuses.end());
        ASSERT_NE(told + 1, statuses.end());
        EXPECT_EQ(told[1], "");
        EXPECT_EQ(BoardOrigin.x, testBoardX);
        EXPECT_EQ(BoardOrigin.y, testBoardY);
        EXPECT_EQ(shownPageModel().board, undisturbed) << "fast " << fast;
        setVirtualClockHook(nullptr);
    }
}

namespace {

// A board off the band on a desktop of two monitors, the primary on the right:
// covered mid-run, and back at another place, on either monitor.
struct Wander {
    int32_t fromX, fromY;
    int32_t toX, toY;
    int64_t coverAt = 0;
    int64_t backAt = 0;
    bool covered = false;
    bool back = false;
};
Wander wander;

void applyWander(int64_t nowMs)
{
    if (!wander.covered && nowMs >= wander.coverAt) {
        wander.covered = true;
        paintVirtualRect(wander.fromX - 20, wander.fromY - 30, 500, 360, coverColour);
    }
    if (!wander.back && nowMs >= wander.backAt) {
        wander.back = true;
        paintVirtualRect(-1280, 0, 2560, 1024, 0xFFFFFFu);  // the page's window, all of it, in front again
        moveScrivletPage(wander.toX, wander.toY);
    }
}

void pageUnlessWandering(int32_t x, int32_t y, uint32_t flags)
{
    if (!wander.covered || wander.back)
        scrivletPageInput(x, y, flags);
}

}  // namespace

TEST_F(PageWatchdog, UnderAnywhereFollowsABoardOffTheBandOntoEitherMonitor)
{
    const std::vector<ScreenRect> monitors = {{0, 0, 1280, 1024}, {-1280, 0, 1280, 1024}};
    const struct {
        const char* name;
        bool anywhere;
        bool virtualScreen;  // the desktop normalises flagged input over every monitor
        int32_t fromX, fromY, toX, toY;
        bool follows;  // else it stays paused until Escape
    } cases[] = {
        {"primary_to_left_monitor", true, true, 700, 600, -1180, 500, true},
        {"left_monitor_to_primary", true, true, -1180, 600, 600, 650, true},
        {"left_monitor_to_left_monitor", true, true, -1180, 600, -900, 700, true},
        // Without -anywhere the band alone is looked in, as ever.
        {"primary_to_left_monitor_without_anywhere", false, true, 700, 600, -1180, 500, false},
        // Where the pointer cannot reach it, the board is not taken.
        {"to_a_monitor_the_pointer_misses", true, false, 700, 600, -1180, 500, false},
    };
    for (const auto& c : cases) {
        VirtualDesk = {};
        ASSERT_EQ(draw(false, false), PassResult::Finished);
        const std::vector<uint32_t> undisturbed = shownPageModel().board;

        wander = Wander{c.fromX, c.fromY, c.toX, c.toY};
        wander.coverAt = virtualClockMs() / 3;
        wander.backAt = wander.coverAt + 700;
        resetVirtualDesktop(2560, 1024, 0xFFFFFFu);
        setVirtualScreenLayout(-1280, 0, 1280, 1024);
        setVirtualMonitors(monitors);
        DesktopBackend primaryOnly = virtualDesktop();
        primaryOnly.virtualScreenArea = nullptr;
        useDesktop(c.virtualScreen ? virtualDesktop() : primaryOnly);
        setVirtualClockHook(applyWander);
        showScrivletPage(c.fromX, c.fromY);
        setVirtualInputHandler(pageUnlessWandering);
        BoardOrigin = {c.fromX, c.fromY};
        ASSERT_TRUE(reachBoardAt(c.fromX, c.fromY)) << c.name;
        resetRandomSource();
        armPageWatchdog(c.fromX, c.fromY - 2, 300, c.anywhere);
        // Escape, long after the pass would have ended had it followed the board,
        // so that one that does not ends too.
        const int64_t escapeAt = c.follows ? 4 * wander.coverAt + 20000 : wander.backAt + 1000;
        holdKeyDuringTime(ControlKey::Escape, escapeAt, escapeAt + 150);
        const PassResult result = runDrawingPass(settings, picture, nullptr);
        setVirtualClockHook(nullptr);
        useDesktop(virtualDesktop());

        const std::vector<LoggedInput>& log = virtualInputLog();
        int64_t sentWhileAway = 0;
        for (const LoggedInput& input : log)
            if (input.timeMs >= wander.coverAt + 2 && input.timeMs < wander.backAt)
                ++sentWhileAway;
        EXPECT_EQ(sentWhileAway, 0) << c.name;
        if (!c.follows) {
            EXPECT_EQ(result, PassResult::Aborted) << c.name;
            EXPECT_TRUE(log.empty() || log.back().timeMs < wander.backAt) << c.name << ": nothing after the move";
            EXPECT_EQ(BoardOrigin.x, c.fromX) << c.name;
            continue;
        }
        ASSERT_EQ(result, PassResult::Finished) << c.name;
        EXPECT_EQ(BoardOrigin.x, c.toX) << c.name;
        EXPECT_EQ(BoardOrigin.y, c.toY) << c.name;
        EXPECT_EQ(shownPageModel().board, undisturbed) << c.name << ": finished where the board went";
        // Records go over the virtual screen exactly while the board is where the
        // primary's mapping does not reach.
        for (const LoggedInput& input : log) {
            const bool beforeMove = input.timeMs < wander.backAt;
            const bool offPrimary = (beforeMove ? c.fromX : c.toX) < 0;
            ASSERT_EQ((input.record.flags & mouseVirtualDesk) != 0, offPrimary) << c.name << " at " << input.timeMs;
        }
    }
    VirtualDesk = {};
}
