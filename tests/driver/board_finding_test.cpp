// Finding the board for a whole run: boards whatever their edge's length, pages
// shown at other scales stopped after their first point, what was seen said when
// the board is not found, -anywhere, and the first stroke checked on the screen.

#include "driver/run_sequence.h"

#include "desktop/page_scale.h"
#include "pass_fixture.h"
#include "preview/scrivlet_page.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t grey = 0x999999u;
const std::string notFound =
    "Couldn't find upper left corner of Scrivlet page...did you make that window active and to the front?";

struct RunOutcome {
    int status;
    std::string output;
};

RunOutcome runWith(std::vector<std::string> args)
{
    args.insert(args.begin(), {"scrivdraw", "-wait", "0"});
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    testing::internal::CaptureStdout();
    const int status = runScrivdraw(int(argv.size()), argv.data());
    return {status, testing::internal::GetCapturedStdout()};
}

// A 24-bit Targa picture, 4 x 4, of one colour (red, green, blue).
std::string onePictureColour(const char* name, char red, char green, char blue)
{
    // Test cases may run at the same time: each writes a file of its own.
    const std::string path =
        testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + name;
    std::vector<char> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = bytes[14] = 4;
    bytes[16] = 24;
    for (int i = 0; i < 16; ++i)
        bytes.insert(bytes.end(), {blue, green, red});
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

std::string blackPicture() { return onePictureColour("-black.tga", 0, 0, 0); }

// Bright enough to prove the sliders: (200, 100, 50).
std::string colourPicture() { return onePictureColour("-colour.tga", char(200), char(100), char(50)); }

// A grey line under white that is no board.
void greyLine(int32_t left, int32_t row, int32_t length) { paintVirtualRect(left, row, length, 1, grey); }

class BoardFinding : public DesktopTest {};

TEST_F(BoardFinding, ABoardIsDrawnOnWhateverTheLengthOfItsEdge)
{
    // Edges of 280 and more, the page one to one: the board is at the edge's first
    // column, two rows below it, whatever the line's length.
    for (const int32_t edge : {280, 299, 300, 302, 305, 320, 400, 600, 0}) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252, {edge, 100});
        const RunOutcome r = runWith({"-image", colourPicture(), "-stepx", "100", "-stepy", "100"});
        EXPECT_EQ(r.status, 0) << edge;
        EXPECT_EQ(r.output, "Found start of Scrivlet board at 100 , 252 \nHave a day!\n") << edge;
        EXPECT_EQ(shownPageModel().board[0], 0x3264C8u) << edge;
    }
}

TEST_F(BoardFinding, APageAtAnotherScaleStopsAfterItsFirstPoint)
{
    const struct {
        const char* name;
        int32_t scale;    // the page's, in percent
        int32_t edge;     // its edge line, page pixels (0: to the screen's side)
        int32_t display;  // the display's scaling the desktop tells, 0: none
    } cases[] = {
        {"NearOneToOne", 101, 300, 0},   {"Scale1.1", 110, 300, 0},         {"Scale1.25", 125, 300, 0},
        {"Scale1.5", 150, 300, 0},       {"Scale1.75", 175, 300, 0},        {"Scale2", 200, 300, 0},
        {"OnAScaledDisplay", 125, 300, 125}, {"ZoomedOnAScaledDisplay", 150, 300, 125},
        {"ALongEdge", 125, 400, 0},      {"AnEdgeToTheSide", 150, 0, 0},
    };
    for (const auto& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        setVirtualDisplayScale(c.display);
        // The edge within the rows looked in at every scale.
        const int32_t pageY = c.scale > 150 ? 200 : 250;
        showScrivletPage(100, pageY, {c.edge, c.scale});
        const RunOutcome r = runWith({"-image", colourPicture(), "-stepx", "100", "-stepy", "100"});
        const auto onScreen = [&c](int32_t pagePixel) { return pagePixel * c.scale / 100; };
        const int32_t x = onScreen(100);
        const int32_t y = onScreen(pageY - 2) + 2;
        const int32_t edge = c.edge == 0 ? testScreenWidth - x : onScreen(100 + c.edge) - x;
        const std::string found = "Found start of Scrivlet board at " + std::to_string(x) + " , " +
                                  std::to_string(y) + " \n";
        const std::string stop = "The page does not show what was drawn at (" + std::to_string(x) + ", " +
                                 std::to_string(y) + "): after 6 s it shows #FFFFFF, not the pen's #C86432, so it "
                                 "is not the drawing page or takes no input.";
        const std::string advice = likelyScaleAdvice(edge, c.display);
        EXPECT_EQ(r.status, -1) << c.name;
        EXPECT_EQ(r.output, found + stop + (advice.empty() ? "" : " " + advice) + "\n") << c.name;
        // One point at most: three slider clicks and the mark.
        EXPECT_EQ(virtualInputLog().size(), 8u) << c.name;
    }
    // What the hints suggest, in the lines above.
    EXPECT_EQ(likelyScaleAdvice(375, 0), "The page may be shown at 125 % (its board's edge is 375 pixels long): set "
                                         "the browser's zoom to 80 % (Ctrl and minus) or the display's scaling to "
                                         "100 %, and run again.");
    EXPECT_EQ(likelyScaleAdvice(303, 0), "");
    EXPECT_EQ(likelyScaleAdvice(500, 0), "");  // 167 %: no zoom's or display's
}

TEST_F(BoardFinding, ALineThatIsNoBoardsEdgeGetsNoReason)
{
    const struct {
        const char* name;
        int32_t left, row, length;
        std::string reason;  // after the not-found line
    } cases[] = {
        {"TooShort", 100, 250, 279, ""},
        {"ZoomedOut", 90, 223, 270, ""},
        {"HalfSize", 50, 300, 150, ""},
        {"AboveTheRowsLookedIn", 100, 150, 400,
         " Its board's top edge was seen at (100, 150), outside the area looked in (columns 50 to 799, rows 200 to "
         "399 of the primary screen): move the page there, or run with -anywhere."},
        {"PastTheLocatorsColumns", 650, 300, 600,
         " Its board's top edge was seen at (650, 300), outside the area looked in (columns 50 to 799, rows 200 to "
         "399 of the primary screen): move the page there, or run with -anywhere."},
    };
    for (const auto& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        greyLine(c.left, c.row, c.length);
        const RunOutcome r = runWith({"-image", colourPicture()});
        EXPECT_EQ(r.status, -1) << c.name;
        EXPECT_EQ(r.output, notFound + c.reason + "\n") << c.name;
        EXPECT_TRUE(virtualInputLog().empty()) << c.name;
    }
}

TEST_F(BoardFinding, ABoardOutsideTheAreaIsSaidWhereAndTakenWithAnywhere)
{
    const std::string outside = " Its board's top edge was seen at (700, 598), outside the area looked in (columns 50 "
                                "to 799, rows 200 to 399 of the primary screen): move the page there, or run with "
                                "-anywhere.";
    const std::string picture = blackPicture();
    const std::vector<ScreenRect> sideBySide = {{0, 0, 1280, 1024}, {1280, 0, 1280, 1024}};
    const struct {
        const char* name;
        ScreenRect screen;                 // the screen of pixels; left of or above the primary: negative
        std::vector<ScreenRect> monitors;  // none: the desktop does not list them
        bool nullOperations;               // a backend without the optional operations
        bool pointerOnPrimaryOnly;         // absolute input scaled to the first monitor, no virtual screen
        int32_t boardX;                    // the board, on the second monitor if there is one
        int32_t boardY;
    } desktops[] = {
        {"OneScreen", {0, 0, 1280, testScreenHeight}, {}, false, false, 700, 600},
        {"OneScreenNoOperations", {0, 0, 1280, testScreenHeight}, {}, true, false, 700, 600},
        {"TwoMonitors", {0, 0, 2560, testScreenHeight}, sideBySide, false, false, 1980, 600},
        {"TwoMonitorsPointerOnPrimaryOnly", {0, 0, 2560, testScreenHeight}, sideBySide, false, true, 1980, 600},
        // The primary on the right: the other monitor's columns are negative, and
        // input reaches them only over the virtual screen.
        {"MonitorLeftOfThePrimary", {-1280, 0, 2560, 1024}, {{0, 0, 1280, 1024}, {-1280, 0, 1280, 1024}}, false,
         false, -1180, 600},
        {"MonitorLeftOfThePrimaryPointerOnPrimaryOnly", {-1280, 0, 2560, 1024},
         {{0, 0, 1280, 1024}, {-1280, 0, 1280, 1024}}, false, true, -1180, 600},
        // Above it, odd sizes, the board at the far corner of its monitor.
        {"MonitorAboveThePrimary", {-3, -769, 1283, 1793}, {{0, 0, 1280, 1024}, {-3, -769, 1283, 769}}, false, false,
         -3 + 1283 - 417, -769 + 3},
    };
    for (const auto& d : desktops) {
        for (const bool anywhere : {false, true}) {
            resetVirtualDesktop(d.screen.width, d.screen.height);
            const bool laidOut = d.screen.left != 0 || d.screen.top != 0;
            if (laidOut)
                setVirtualScreenLayout(d.screen.left, d.screen.top, 1280, 1024);
            setVirtualMonitors(d.monitors);
            DesktopBackend bare = virtualDesktop();
            bare.displayScalePercent = nullptr;
            bare.desktopMonitors = nullptr;
            bare.virtualScreenArea = nullptr;
            DesktopBackend primaryOnly = virtualDesktop();
            primaryOnly.primaryScreenSize = [](int32_t* width, int32_t* height) {
                *width = 1280;
                *height = 1024;
            };
            primaryOnly.virtualScreenArea = nullptr;
            useDesktop(d.nullOperations ? bare : d.pointerOnPrimaryOnly ? primaryOnly : virtualDesktop());
            showScrivletPage(d.boardX, d.boardY);
            std::vector<std::string> args = {"-image", picture, "-stepx", "100", "-stepy", "100"};
            if (anywhere)
                args.push_back("-anywhere");
            const RunOutcome r = runWith(args);
            // Appended piece by piece: MinGW's GCC 12 mistakes a short literal + string
            // for an overlapping copy.
            std::string seenAt = "(";
            seenAt += std::to_string(d.boardX);
            seenAt += ", ";
            seenAt += std::to_string(d.boardY - 2);
            seenAt += ")";
            std::string where = outside;
            where.replace(where.find("(700, 598)"), 10, seenAt);
            if (!anywhere || d.pointerOnPrimaryOnly) {
                if (anywhere)
                    where = " Its board's top edge was seen at " + seenAt +
                            ", where the pointer is not moved (only on the primary screen): move the page "
                            "there.";
                EXPECT_EQ(r.status, -1) << d.name;
                EXPECT_EQ(r.output, notFound + where + "\n") << d.name;
                EXPECT_TRUE(virtualInputLog().empty()) << d.name;
                continue;
            }
            EXPECT_EQ(r.status, 0) << d.name;
            EXPECT_EQ(r.output, "Found start of Scrivlet board at " + std::to_string(d.boardX) + " , " +
                                    std::to_string(d.boardY) + " \nHave a day!\n")
                << d.name;
            EXPECT_EQ(shownPageModel().board[0], 0x000000u) << d.name << ": drawn at the board found";
            // Input goes over the virtual screen only where the primary's mapping does
            // not reach the board: every other run sends what it always did.
            ASSERT_FALSE(virtualInputLog().empty()) << d.name;
            for (const LoggedInput& input : virtualInputLog())
                ASSERT_EQ(input.record.flags & ~mouseVirtualDesk,
                          (input.record.flags & mouseLeftDown) != 0 ? pressFlags : releaseFlags)
                    << d.name;
            for (const LoggedInput& input : virtualInputLog())
                ASSERT_EQ((input.record.flags & mouseVirtualDesk) != 0, laidOut) << d.name;
        }
    }
    useDesktop(virtualDesktop());

    // -anywhere takes a board whose edge is longer than the board, as the area does.
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    showScrivletPage(700, 600, {400, 100});
    const RunOutcome r = runWith({"-image", picture, "-anywhere", "-stepx", "100", "-stepy", "100"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Found start of Scrivlet board at 700 , 600 \nHave a day!\n");
}

// A compositor whose frames showed the page only from the second look on: what
// is seen then, in the area looked in, is looked for again, not said outside it.
void pageFromTheSecondLook(int64_t)
{
    if (virtualCaptures() == 2 && virtualPixel(100, 250) != grey)
        showScrivletPage(100, 252);
}

TEST_F(BoardFinding, ScreenPixelsOfAFractionallyScaledOutputAreRefused)
{
    const std::string picture = blackPicture();
    // 0: not told; 100 and 200: each screen pixel is whole display pixels.
    for (const int32_t pixelScale : {0, 100, 125, 150, 200, -150}) {
        SCOPED_TRACE(pixelScale);
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        // Negative: that scale, and the page a look late.
        const bool late = pixelScale < 0;
        setVirtualScreenPixelScale(std::abs(pixelScale));
        if (late) {
            setVirtualReadCost(1);
            setVirtualClockHook(pageFromTheSecondLook);
        } else {
            showScrivletPage(100, 252);
        }
        const RunOutcome r = runWith({"-image", picture, "-stepx", "100", "-stepy", "100"});
        setVirtualClockHook(nullptr);
        setVirtualReadCost(0);
        if (pixelScale % 100 == 0) {
            EXPECT_EQ(r.status, 0) << pixelScale;
            continue;
        }
        EXPECT_EQ(r.status, -1) << pixelScale;
        EXPECT_EQ(r.output, "The display is scaled to " + std::to_string(std::abs(pixelScale)) +
                                " %, which shows each pixel of the page on part of its own: set the display's "
                                "scaling to 100 % (or another whole multiple of it), and run again.\n");
        EXPECT_TRUE(virtualInputLog().empty()) << pixelScale;
    }
}

// A page that paints what it is sent a little later, as browsers do.
std::vector<LoggedInput> heldInput;
int64_t heldForMs = 40;
void paintLater(int32_t, int32_t, uint32_t) { heldInput.push_back(virtualInputLog().back()); }
void deliverHeld(int64_t nowMs)
{
    while (!heldInput.empty() && heldInput.front().timeMs + heldForMs <= nowMs) {
        const MouseInputRecord& record = heldInput.front().record;
        scrivletPageInput(pixelFromAbsolute(record.dx, testScreenWidth), pixelFromAbsolute(record.dy, testScreenHeight),
                          record.flags);
        heldInput.erase(heldInput.begin());
    }
}

// A page that marks the board in grey wherever it is pressed.
void paintGrey(int32_t x, int32_t y, uint32_t flags)
{
    if ((flags & mouseLeftDown) && x >= 100 && y >= 252 && x < 400 && y < 552)
        paintVirtualRect(x, y, 1, 1, 0x808080u);
}

// A window put over the page just as its first stroke comes, for 3 s.
int64_t coveredUntil = -1;
void coveredAtFirstStroke(int32_t x, int32_t y, uint32_t flags)
{
    if (coveredUntil < 0 && (flags & mouseLeftDown) && x >= 100 && y >= 252 && x < 400 && y < 552) {
        coveredUntil = virtualClockMs() + 3000;
        paintVirtualRect(50, 200, 800, 400, 0x404040u);
    }
    if (coveredUntil < 0 || virtualClockMs() >= coveredUntil)
        scrivletPageInput(x, y, flags);
}
void uncoverAfterwards(int64_t nowMs)
{
    if (coveredUntil >= 0 && nowMs >= coveredUntil && virtualPixel(100, 250) != grey)
        moveScrivletPage(100, 252);
}

TEST_F(BoardFinding, TheFirstStrokeMustShowOnTheScreen)
{
    const std::string picture = blackPicture();
    const auto stopLine = [](const char* after, const char* shows) {
        return std::string("The page does not show what was drawn at (100, 252): after ") + after + " s it shows " +
               shows + ", not the pen's #000000, so it is not the drawing page or takes no input.\n";
    };
    const struct {
        const char* name;
        bool fast;
        int page;  // 0: no input taken, 1: painted heldMs later, 2: no input, the board already black,
                   // 3: covered as the first stroke comes, 4: painted grey
        int64_t heldMs;
        int status;
        std::string after;  // what follows the found line
    } cases[] = {
        {"PageTakesNoInput", false, 0, 0, -1, stopLine("6", "#FFFFFF")},
        {"PageTakesNoInputFast", true, 0, 0, -1, stopLine("6", "#FFFFFF")},
        {"PagePaintsLater", false, 1, 40, 0, "Have a day!\n"},
        {"PagePaintsLaterFast", true, 1, 40, 0, "Have a day!\n"},
        // A page held up by a busy machine, its pixel untouched meanwhile.
        {"PageHeldUpForSeconds", false, 1, 4000, 0, "Have a day!\n"},
        {"PageHeldUpTooLong", true, 1, 7000, -1, stopLine("6", "#FFFFFF")},
        {"NothingToChange", false, 2, 0, 0, "Have a day!\n"},
        {"CoveredAtTheFirstStroke", false, 3, 0, 0, "Have a day!\n"},
        // A page that paints, but not in the pen's colour, is told as soon as before.
        {"PagePaintsAnotherColour", false, 4, 0, -1, stopLine("2", "#808080")},
    };
    for (const auto& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        heldInput.clear();
        showScrivletPage(100, 252);
        if (c.page == 0 || c.page == 2)
            setVirtualInputHandler(nullptr);
        if (c.page == 1) {
            heldForMs = c.heldMs;
            setVirtualInputHandler(paintLater);
            setVirtualClockHook(deliverHeld);
        }
        if (c.page == 4)
            setVirtualInputHandler(paintGrey);
        if (c.page == 2)
            paintVirtualRect(100, 252, 300, 300, 0x000000u);
        if (c.page == 3) {
            coveredUntil = -1;
            setVirtualInputHandler(coveredAtFirstStroke);
            setVirtualClockHook(uncoverAfterwards);
        }
        std::vector<std::string> args = {"-image", picture, "-stepx", "10", "-stepy", "10"};
        if (c.fast)
            args.push_back("-fast");
        const RunOutcome r = runWith(args);
        setVirtualClockHook(nullptr);
        heldForMs = 40;
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.output, "Found start of Scrivlet board at 100 , 252 \n" + c.after) << c.name;
        if (c.page == 3) {
            EXPECT_GE(coveredUntil, 2000) << c.name << ": covered";
            EXPECT_EQ(shownPageModel().board[0], 0x000000u) << c.name << ": the first stroke sent again";
        }
        if (c.status == -1) {
            // Nothing after the first stroke: three slider clicks and one mark.
            EXPECT_EQ(virtualInputLog().size(), 8u) << c.name;
            EXPECT_GE(virtualClockMs(), 2000) << c.name;
        }
    }
}

// Escape tapped while the first stroke is awaited on a page that shows nothing:
// the run ends as Escape ends it, with nothing printed after the found line and
// no input after the stroke, however soon the key is up again.
void escapeTappedAfterFirstStroke(int32_t x, int32_t y, uint32_t flags)
{
    if ((flags & mouseLeftDown) && x >= 100 && y >= 252 && x < 400 && y < 552)
        holdKeyDuringTime(ControlKey::Escape, virtualClockMs() + 500, virtualClockMs() + 700);
}

// Keypad minus tapped while the first stroke is awaited on a page that shows it a
// second late: the drawing pauses once the stroke shows, until plus, which is down
// only at the 50th look at it from the first stroke on (a pass of 36 points that
// did not pause would end before).
int64_t firstStrokeMs = -1;
int64_t plusPoll = -1;
void tapMinusAfterFirstStroke(int32_t x, int32_t y, uint32_t flags)
{
    paintLater(x, y, flags);
    if (firstStrokeMs < 0 && (flags & mouseLeftDown) && x >= 100 && y >= 252 && x < 400 && y < 552) {
        firstStrokeMs = virtualClockMs();
        holdKeyDuringTime(ControlKey::KeypadMinus, firstStrokeMs + 300, firstStrokeMs + 500);
        plusPoll = virtualKeyPolls(ControlKey::KeypadPlus) + 50;
        holdKeyDuringPolls(ControlKey::KeypadPlus, plusPoll, plusPoll);
    }
}

TEST_F(BoardFinding, KeypadMinusWhileTheFirstStrokeIsAwaited)
{
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    heldInput.clear();
    heldForMs = 1000;
    firstStrokeMs = -1;
    showScrivletPage(100, 252);
    setVirtualInputHandler(tapMinusAfterFirstStroke);
    setVirtualClockHook(deliverHeld);
    const RunOutcome r = runWith({"-image", colourPicture(), "-stepx", "50", "-stepy", "50"});
    setVirtualClockHook(nullptr);
    heldForMs = 40;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "Found start of Scrivlet board at 100 , 252 \nHave a day!\n");
    ASSERT_GE(firstStrokeMs, 0);
    EXPECT_GT(virtualKeyPolls(ControlKey::KeypadPlus), plusPoll);
    EXPECT_EQ(virtualInputLog().size(), 36u * 8u);
}

TEST_F(BoardFinding, EscapeWhileTheFirstStrokeIsAwaited)
{
    const std::string picture = blackPicture();
    for (const bool fast : {false, true}) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        setVirtualInputHandler(escapeTappedAfterFirstStroke);
        std::vector<std::string> args = {"-image", picture, "-stepx", "10", "-stepy", "10"};
        if (fast)
            args.push_back("-fast");
        const RunOutcome r = runWith(args);
        EXPECT_EQ(r.status, -1) << fast;
        EXPECT_EQ(r.output, "Found start of Scrivlet board at 100 , 252 \n") << fast;
        EXPECT_EQ(virtualInputLog().size(), 8u) << fast;
        EXPECT_LT(virtualClockMs(), 2000) << fast;
    }
}

}  // namespace
