// Whole runs in the modes beside the plain drawing: crossfade, -repair, -preview
// and -fast -preview.

#include "cmdline/argument_table.h"
#include "cmdline/usage.h"
#include "driver/drawing_check.h"
#include "run_sequence_fixture.h"

#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

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
        bool page;  // else a page that takes the first points and drops the rest
        bool fast;
        std::string line;
    } cases[] = {
        {true, false, "Repaired 0 pixels, 0 still differ.\n"},
        {true, true, "Repaired 0 pixels, 0 still differ.\n"},
        {false, false, "The page does not draw as expected: 830 of 900 painted pixels differ, so no repair!\n"},
        {false, true, "The page does not draw as expected: 623 of 900 painted pixels differ, so no repair!\n"},
    };
    for (const auto& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        if (!c.page)
            setVirtualInputHandler(firstPointsOnly);
        std::vector<std::string> args = {"-image", black, "-stepx", "10", "-stepy", "10", "-repair"};
        if (c.fast)
            args.push_back("-fast");
        const RunOutcome r = run(args);
        // A page that draws otherwise is told so, and the run fails.
        EXPECT_EQ(r.status, c.page ? 0 : -1);
        EXPECT_EQ(r.output, std::string(foundLine) + c.line + (c.page ? "Have a day!\n" : ""));
    }
    // A page in memory has nothing to repair.
    const RunOutcome preview = run({"-image", black, "-stepx", "10", "-stepy", "10", "-repair", "-preview",
                                    testing::TempDir() + "repair-preview.png"});
    EXPECT_EQ(preview.status, 0);
    EXPECT_EQ(preview.output.find("Repaired"), std::string::npos);
    EXPECT_EQ(preview.output.find("not draw"), std::string::npos);
}

// A page on a busy machine: every 29th gesture lost (slider clicks too), or every
// third once the first strokes showed (a third of the marks: more than a page that
// draws otherwise is refused at), or all of them shown a second and a half late.
int64_t gesturesSeen = 0;
int64_t loseEvery = 29;
int64_t loseAfter = 0;
void losingGestures(int32_t x, int32_t y, uint32_t flags)
{
    if (virtualInputLog().size() == 1)
        gesturesSeen = 0;
    if ((flags & mouseLeftDown) != 0)
        ++gesturesSeen;
    if (gesturesSeen <= loseAfter || gesturesSeen % loseEvery != 0)
        scrivletPageInput(x, y, flags);
}
std::vector<LoggedInput> lateInput;
// From this record on the page stalls: its input is shown 6 s late, not 1.5.
size_t stallFromRecord = SIZE_MAX;
std::vector<int64_t> lateByMs;
void showingLate(int32_t, int32_t, uint32_t)
{
    lateInput.push_back(virtualInputLog().back());
    lateByMs.push_back(virtualInputLog().size() > stallFromRecord ? 6000 : 1500);
}
void deliverLate(int64_t nowMs)
{
    size_t shown = 0;
    while (shown < lateInput.size() && lateInput[shown].timeMs + lateByMs[shown] <= nowMs) {
        const MouseInputRecord& record = lateInput[shown].record;
        scrivletPageInput(pixelFromAbsolute(record.dx, testScreenWidth), pixelFromAbsolute(record.dy, testScreenHeight),
                          record.flags);
        ++shown;
    }
    lateInput.erase(lateInput.begin(), lateInput.begin() + std::ptrdiff_t(shown));
    lateByMs.erase(lateByMs.begin(), lateByMs.begin() + std::ptrdiff_t(shown));
}

TEST_F(RunSequence, TheDrawingEndsWithTheBoardReadBack)
{
    const std::string colour = writeTarga("colour.tga", 30, 20, {200, 120, 40});
    const std::string lost = "The page lost part of the drawing: ";
    size_t recordsOf[2] = {};  // records of the normal and the -fast run, as the late page took them
    const struct {
        const char* name;
        int page;  // 0: shows everything, 1: loses gestures, 2: shows them 1.5 s late, 3: and its last
                   // points 6 s late (a browser stalled at the end: what it shows then is not lost),
                   // 4: loses a third of them
        std::vector<std::string> extra;
        int status;
        std::string lastLine;  // its start
    } cases[] = {
        {"Shown", 0, {}, 0, "Have a day!"},
        {"ShownLate", 2, {}, 0, "Have a day!"},
        {"ShownLateFast", 2, {"-fast"}, 0, "Have a day!"},
        {"StalledAtTheEnd", 3, {}, 0, "Have a day!"},
        {"StalledAtTheEndFast", 3, {"-fast"}, 0, "Have a day!"},
        {"Lost", 1, {}, -1, lost},
        {"LostFast", 1, {"-fast"}, -1, lost},
        {"LostAndRepaired", 1, {"-repair"}, 0, "Have a day!"},
        // Most of the board lost, but the probes saw marks lost amid marks shown.
        {"LostMostly", 4, {}, -1, lost},
        {"LostMostlyFast", 4, {"-fast"}, -1, lost},
        {"LostMostlyAndRepaired", 4, {"-repair"}, 0, "Have a day!"},
        // The board lands proportionally off on a screen of another size: not judged.
        {"OverriddenScreenSize", 1, {"-1280x800"}, 0, "Have a day!"},
    };
    for (const auto& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        lateInput.clear();
        lateByMs.clear();
        loseEvery = c.page == 4 ? 3 : 29;
        loseAfter = c.page == 4 ? 100 : 0;
        if (c.page == 1 || c.page == 4)
            setVirtualInputHandler(losingGestures);
        // The last five points' records stall (each run's records as the shown run sent them).
        stallFromRecord = c.page == 3 ? recordsOf[c.extra.empty() ? 0 : 1] - 40 : SIZE_MAX;
        if (c.page == 2 || c.page == 3) {
            setVirtualInputHandler(showingLate);
            setVirtualClockHook(deliverLate);
        }
        std::vector<std::string> args = {"-wait", "0", "-image", colour, "-stepx", "10", "-stepy", "10"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const RunOutcome r = run(args);
        if (c.page == 2)
            recordsOf[c.extra.empty() ? 0 : 1] = virtualInputLog().size();
        setVirtualClockHook(nullptr);
        EXPECT_EQ(r.status, c.status) << c.name;
        const size_t lastLine = r.output.rfind('\n', r.output.size() - 2) + 1;
        EXPECT_EQ(r.output.compare(lastLine, c.lastLine.size(), c.lastLine), 0) << c.name << ": " << r.output;
        if (c.status == -1) {
            EXPECT_NE(r.output.find(" pixels drawn differ from the picture (the machine was busy?). Run again with "
                                    "-repair to mend them.\n"),
                      std::string::npos)
                << c.name;
        }
    }
    // The counts: every 29th gesture of 900 points of one colour, the first three
    // slider clicks among them (the pen stays black for a few points), the marks.
    DrawingCheckReport report{900, 31};
    EXPECT_EQ(drawingCheckLine(DrawingCheck::Lost, report, false),
              "The page lost part of the drawing: 31 of 900 pixels drawn differ from the picture (the machine was "
              "busy?). Run again with -repair to mend them.");
    report = {90000, 1234};
    EXPECT_EQ(drawingCheckLine(DrawingCheck::Lost, report, true),
              "The page lost part of the drawing: 1,234 of 90,000 pixels drawn still differ from the picture after "
              "the repair (the machine was busy?).");
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

}  // namespace
