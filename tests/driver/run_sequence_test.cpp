// The run from start to end: messages, statuses, and what comes before what.

#include "cmdline/argument_table.h"
#include "cmdline/usage.h"
#include "run_sequence_fixture.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST_F(RunSequence, ACompletedRunPrintsTwoLinesAndExitsZero)
{
    const RunOutcome r = run({"-image", black, "-stepx", "10", "-stepy", "10"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, std::string(foundLine) + "Have a day!\n");
    EXPECT_EQ(drawnPoints().size(), 900u);
    // The console went away, then the 5 s wait, then 900 points of 8 ms.
    EXPECT_TRUE(virtualConsoleMinimised());
    ASSERT_FALSE(virtualSleeps().empty());
    EXPECT_EQ(virtualSleeps()[0], 5000);
    EXPECT_EQ(virtualClockMs(), 5000 + 900 * 8);
    EXPECT_EQ(virtualInputLog().front().timeMs, 5000);
    // Screen size from the system; the board origin from the scan.
    EXPECT_EQ(ScreenSize.width, testScreenWidth);
    EXPECT_EQ(ScreenSize.height, testScreenHeight);
    EXPECT_EQ(BoardOrigin.x, 100);
    EXPECT_EQ(BoardOrigin.y, 252);
}

TEST_F(RunSequence, TheWaitAndTheScanComeBeforeAnyOptionIsExamined)
{
    struct EarlyEnd {
        std::vector<std::string> args;
        bool board;
        std::string output;
    } cases[] = {
        {{}, true, std::string(foundLine) + "You must at least supply the name of a image, fool!\n"},
        {{}, false, notFoundLine},
        {{"-image", "missing.tga"}, false, notFoundLine},
        {{"-stepx", "0"}, true, std::string(foundLine) + "You must at least supply the name of a image, fool!\n"},
    };
    // The same on pages whose edge line is longer than their board.
    for (const int32_t edge : {300, 320, 400})
    for (const EarlyEnd& c : cases) {
        SCOPED_TRACE(testing::Message() << "edge " << edge);
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        if (c.board)
            showScrivletPage(100, 252, {edge, 100});
        const RunOutcome r = run(c.args);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.output, c.output);
        EXPECT_TRUE(virtualConsoleMinimised());
        EXPECT_EQ(virtualSleeps(), std::vector<int32_t>{5000});
        // The scan, and the edge measured (found) or what was seen instead looked
        // for in the area and on the desktop (not found).
        EXPECT_EQ(virtualCaptures(), c.board ? 2 : 3);
        EXPECT_TRUE(virtualInputLog().empty());
    }
}

TEST_F(RunSequence, PicturesThatDoNotLoadEndTheRunBeforeDrawing)
{
    struct LoadFailure {
        std::vector<std::string> args;
        std::string lastLine;
    } cases[] = {
        {{"-image"}, "Couldn't load image !\n"},
        {{"-image", "no-such-picture.tga"}, "Couldn't load image no-such-picture.tga!\n"},
        {{"-image", black, "-image2", "no-such-picture.tga"}, "Couldn't load image2!\n"},
        {{"-image", black, "-image2"}, "Couldn't load image2!\n"},
        // -image2 is loaded, and must load, even without a crossfade.
        {{"-image2", "no-such-picture.tga", "-image", black}, "Couldn't load image2!\n"},
    };
    for (const LoadFailure& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome r = run(c.args);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.output, foundLine + c.lastLine);
        EXPECT_TRUE(virtualInputLog().empty());
    }
}

TEST_F(RunSequence, UnusableSettingsAreRefusedAfterThePicturesLoad)
{
    const std::vector<std::string> refused[] = {
        {"-image", black, "-stepx", "0"},
        {"-image", black, "-stepy", "-4"},
        {"-image", black, "-jigfactor", "0"},
        {"-image", black, "-crossfade", "0.5"},
    };
    for (const std::vector<std::string>& args : refused) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome r = run(args);
        EXPECT_EQ(r.status, -1);
        ASSERT_EQ(r.output.rfind(foundLine, 0), 0u) << r.output;
        const std::string refusal = r.output.substr(std::string(foundLine).size());
        EXPECT_NE(refusal.find(args[2]), std::string::npos) << refusal;
        EXPECT_EQ(refusal.find('\n'), refusal.size() - 1) << refusal;
        EXPECT_TRUE(virtualInputLog().empty());
    }
    // A second picture that fails to load is reported before the settings.
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    showScrivletPage(100, 252);
    EXPECT_EQ(run({"-image", black, "-stepx", "0", "-image2", "nothing.tga"}).output,
              std::string(foundLine) + "Couldn't load image2!\n");
}

TEST_F(RunSequence, CommandLinesBeyondTheTableAreRefusedBeforeAnythingHappens)
{
    std::vector<std::string> many(48, "w");
    std::vector<std::string> longWord = {std::string(300, 'x')};
    for (const std::vector<std::string>& args : {many, longWord}) {
        const RunOutcome r = run(args);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
        EXPECT_EQ(r.output.find("Found"), std::string::npos);
        EXPECT_FALSE(virtualConsoleMinimised());
        EXPECT_TRUE(virtualSleeps().empty());
    }
}

TEST_F(RunSequence, HelpAndVersionAnswerAtOnceWithoutTouchingTheDesktop)
{
    const std::string usage = usageText();
    const std::string version = std::string("scrivdraw ") + scrivdrawVersion() + "\n";
    struct Answer {
        std::vector<std::string> args;
        std::string output;
    } cases[] = {
        {{"-help"}, usage},
        {{"--HELP"}, usage},
        {{"-h"}, usage},
        {{"-?"}, usage},
        {{"/?"}, usage},
        // Anywhere on the line, before any value is looked at; help wins over the version.
        {{"-image", "none.tga", "-stepx", "0", "-wait", "999", "-H"}, usage},
        {{"-version", "--help"}, usage},
        {{"-Version"}, version},
        {{"-wait", "x", "--version"}, version},
    };
    for (const Answer& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        const RunOutcome r = run(c.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, c.output);
        EXPECT_FALSE(virtualConsoleMinimised());
        EXPECT_TRUE(virtualSleeps().empty());
        EXPECT_EQ(virtualCaptures() + virtualPixelReads(), 0);
    }
    // Every option a run reads has its line.
    for (const char* line : {"-image FILE ", "-image2 FILE ", "-crossfade NUMBER ", "-stepx N ", "-stepy N ",
                             "-randomcolorfactor N ", "-jigfactor N ", "-jigfromcenter ", "-uselines ",
                             "-compresscolor ", "-ignoreblack ", "-ignorewhite ", "-1280x800 ", "-fast ",
                             "-wait SECONDS ", "-preview FILE.png "})
        EXPECT_NE(usage.find(std::string("\n  ") + line), std::string::npos) << line;
}

TEST_F(RunSequence, WaitSetsTheStartUpWaitAndABadOneIsRefusedBeforeTheDesktop)
{
    const std::pair<const char*, int32_t> waits[] = {{"0", 0}, {"600", 600000}, {"07", 7000}};
    for (const auto& [text, ms] : waits) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome r = run({"-image", black, "-stepx", "300", "-stepy", "300", "-WAIT", text});
        EXPECT_EQ(r.status, 0) << text;
        ASSERT_FALSE(virtualSleeps().empty());
        EXPECT_EQ(virtualSleeps()[0], ms);
        EXPECT_EQ(virtualInputLog().front().timeMs, ms);
    }
    // The preview's cost of the real run counts the wait asked for: one point is 8 records.
    const std::string png = testing::TempDir() + "run-sequence-wait-cost.png";
    for (const auto& [text, cost] : {std::pair{"0", "about 1 s.\n"}, std::pair{"600", "about 10 min 1 s.\n"}}) {
        const std::string output =
            run({"-image", black, "-stepx", "300", "-stepy", "300", "-wait", text, "-preview", png}).output;
        EXPECT_EQ(output.substr(output.size() - std::strlen(cost)), cost) << output;
    }
    // Read strictly: a mistyped wait must not start the drawing early.
    for (const char* text : {"601", "-1", "+5", "2.5", "abc", "5s", "99999999999", ""}) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome r = text[0] ? run({"-image", black, "-wait", text}) : run({"-image", black, "-wait"});
        EXPECT_EQ(r.status, -1) << text;
        EXPECT_EQ(r.output, std::string("Bad -wait ") + text + ": the wait must be whole seconds from 0 to 600!\n");
        EXPECT_FALSE(virtualConsoleMinimised());
        EXPECT_TRUE(virtualSleeps().empty());
        EXPECT_EQ(virtualCaptures(), 0);
    }
}

TEST_F(RunSequence, The1280x800OptionScalesThePointerButNotTheScan)
{
    const RunOutcome r = run({"-image", black, "-stepx", "300", "-stepy", "300", "-1280x800"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ScreenSize.width, 1280);
    EXPECT_EQ(ScreenSize.height, 800);
    EXPECT_EQ(BoardOrigin.y, 252);
    // The board click at (100, 252), normalised for 1280 x 800, lands lower on the real 1024 rows.
    const MouseInputRecord& mark = virtualInputLog().back().record;
    EXPECT_EQ(pixelFromAbsolute(mark.dx, 1280), 100);
    EXPECT_EQ(pixelFromAbsolute(mark.dy, 800), 252);
}

TEST_F(RunSequence, EscapeEndsTheRunWithMinusOneAndNothingMorePrinted)
{
    holdKeyDuringPolls(ControlKey::Escape, 3, 3);
    const RunOutcome r = run({"-image", black, "-stepx", "10", "-stepy", "10"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output, foundLine);
    EXPECT_EQ(drawnPoints().size(), 3u);
}

TEST_F(RunSequence, AStopRequestEndsTheRunWithMinusOneAndNothingMorePrinted)
{
    // During the start-up wait: no scan, no drawing, nothing printed.
    requestStop();
    RunOutcome r = run({"-image", black, "-stepx", "10", "-stepy", "10"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(virtualCaptures(), 0);
    EXPECT_TRUE(virtualInputLog().empty());

    // During the pass, in the middle of a gesture: that point is finished.
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    showScrivletPage(100, 252);
    clearStopRequest();
    // The page takes the records as they come, until the stop request.
    recordsBeforeStop() = 8 * 4 + 3;
    setVirtualInputHandler([](int32_t x, int32_t y, uint32_t flags) {
        scrivletPageInput(x, y, flags);
        if (--recordsBeforeStop() == 0)
            requestStop();
    });
    r = run({"-image", black, "-stepx", "10", "-stepy", "10"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output, foundLine);
    EXPECT_EQ(drawnPoints().size(), 5u);
}

}  // namespace
