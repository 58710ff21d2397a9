#include "driver/run_sequence.h"

#include "cmdline/argument_table.h"
#include "cmdline/usage.h"
#include "preview/scrivlet_page.h"
#include "pass_fixture.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const foundLine = "Found start of Scrivlet board at 100 , 252 \n";
const char* const notFoundLine =
    "Couldn't find upper left corner of Scrivlet page...did you make that window active and to the front?\n";

// A top-first 24-bit uncompressed Targa file of one colour.
std::string writeTarga(const std::string& name, int32_t width, int32_t height, Rgb colour)
{
    // Test cases may run at the same time: each writes files of its own.
    const std::string path = testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name;
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = uint8_t(width);
    bytes[13] = uint8_t(width >> 8);
    bytes[14] = uint8_t(height);
    bytes[15] = uint8_t(height >> 8);
    bytes[16] = 24;
    bytes[17] = 0x20;
    for (int32_t i = 0; i < width * height; ++i) {
        bytes.push_back(uint8_t(colour.b));
        bytes.push_back(uint8_t(colour.g));
        bytes.push_back(uint8_t(colour.r));
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A page that takes the first point (three slider clicks and a mark) and no more.
void firstPointOnly(int32_t x, int32_t y, uint32_t flags)
{
    static int64_t taken = 0;
    if (virtualInputLog().size() == 1)
        taken = 0;
    if (taken++ < 8)
        scrivletPageInput(x, y, flags);
}

struct RunOutcome {
    int status;
    std::string output;
};

class RunSequence : public DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        // The board sits at (100, 252): its edge line is two rows above.
        showScrivletPage(100, 252);
        ScreenSize = {};
        BoardOrigin = {};
        black = writeTarga("black.tga", 30, 20, {0, 0, 0});
        white = writeTarga("white.tga", 5, 5, {255, 255, 255});
    }

    static RunOutcome run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "scrivdraw");
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        testing::internal::CaptureStdout();
        const int status = runScrivdraw(int(argv.size()), argv.data());
        return {status, testing::internal::GetCapturedStdout()};
    }

    std::string black;
    std::string white;
};

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
    for (const EarlyEnd& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        if (c.board)
            showScrivletPage(100, 252);
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

TEST_F(RunSequence, CrossfadeDrawsTheBlendOfBothPictures)
{
    const RunOutcome r = run({"-image", black, "-image2", white, "-crossfade", "0.5", "-stepx", "300", "-stepy", "300"});
    EXPECT_EQ(r.status, 0);
    const std::vector<DrawnPoint> points = drawnPoints();
    ASSERT_EQ(points.size(), 1u);
    // 0 x 0.5 + 255 x 0.5 = 127.5, truncated to 127.
    EXPECT_EQ(points[0].slider[0] + 365 + testBoardX, BoardOrigin.x + 365 + 127 / 5);
}

TEST_F(RunSequence, RepairSaysHowItWentJustBeforeTheClosingLine)
{
    const struct {
        bool page;  // else a page that takes the first point and drops the rest
        bool fast;
        std::string line;
    } cases[] = {
        {true, false, "Repaired 0 pixels, 0 still differ.\n"},
        {true, true, "Repaired 0 pixels, 0 still differ.\n"},
        {false, false, "The page does not draw as expected: 899 of 900 painted pixels differ, so no repair!\n"},
    };
    for (const auto& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        if (!c.page)
            setVirtualInputHandler(firstPointOnly);
        std::vector<std::string> args = {"-image", black, "-stepx", "10", "-stepy", "10", "-repair"};
        if (c.fast)
            args.push_back("-fast");
        const RunOutcome r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output, std::string(foundLine) + c.line + "Have a day!\n");
    }
    // A page in memory has nothing to repair.
    const RunOutcome preview = run({"-image", black, "-stepx", "10", "-stepy", "10", "-repair", "-preview",
                                    testing::TempDir() + "repair-preview.png"});
    EXPECT_EQ(preview.status, 0);
    EXPECT_EQ(preview.output.find("Repaired"), std::string::npos);
    EXPECT_EQ(preview.output.find("not draw"), std::string::npos);
}

TEST_F(RunSequence, PreviewRunsOnThePageModelAndWritesTheBoard)
{
    const std::string png = testing::TempDir() + "run-sequence-preview.png";
    std::remove(png.c_str());
    const RunOutcome r = run({"-image", black, "-stepx", "10", "-stepy", "10", "-preview", png});
    EXPECT_EQ(r.status, 0);
    // The preview's own lines, then what the real run would cost: 900 points of
    // eight records, a millisecond each after the five-second wait.
    EXPECT_EQ(r.output, "Found start of Scrivlet board at " + std::to_string(defaultBoardX) + " , " +
                            std::to_string(defaultBoardY) +
                            " \nHave a day!\nA real run draws 900 points with 7,200 input records: about 13 s.\n");
    std::ifstream file(png, std::ios::binary);
    char signature[8] = {};
    file.read(signature, 8);
    EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");

    // An unwritable path is refused before the run, with one line.
    const RunOutcome unwritable =
        run({"-image", black, "-stepx", "100", "-stepy", "100", "-preview", testing::TempDir() + "no/such/dir.png"});
    EXPECT_EQ(unwritable.status, -1);
    EXPECT_EQ(unwritable.output.rfind("Couldn't write the preview ", 0), 0u);
    EXPECT_EQ(unwritable.output.find('\n'), unwritable.output.size() - 1);
}

}  // namespace

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

TEST_F(RunSequence, FastPreviewWritesTheSameBoardAsTheNormalPreview)
{
    const std::string gradient = writeTarga("gradient.tga", 3, 2, {10, 200, 77});
    const std::vector<std::vector<std::string>> options = {
        {"-image", black, "-image2", white, "-crossfade", "0.4", "-stepx", "2", "-stepy", "3"},
        {"-image", gradient, "-stepx", "4", "-stepy", "4", "-uselines", "-jigfactor", "6", "-randomcolorfactor", "30"},
        {"-image", white, "-stepx", "5", "-stepy", "5", "-jigfactor", "9", "-jigfromcenter", "-1280x800"},
    };
    for (const std::vector<std::string>& base : options) {
        std::string boards[2];
        for (const bool fast : {false, true}) {
            const std::string png = testing::TempDir() + "fast-preview-" + std::to_string(fast) + ".png";
            std::vector<std::string> args = base;
            if (fast)
                args.insert(args.begin(), "-FAST");
            args.insert(args.end(), {"-preview", png});
            const RunOutcome r = run(args);
            EXPECT_EQ(r.status, 0);
            std::ifstream file(png, std::ios::binary);
            boards[fast].assign(std::istreambuf_iterator<char>(file), {});
        }
        EXPECT_FALSE(boards[0].empty());
        EXPECT_TRUE(boards[0] == boards[1]) << "the boards differ for " << base[1] << " ... " << base.back();
    }
}
