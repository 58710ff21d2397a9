// Whole runs in the modes beside the plain drawing: crossfade, -repair, -preview
// and -fast -preview.

#include "cmdline/argument_table.h"
#include "cmdline/usage.h"
#include "run_sequence_fixture.h"

#include <cstdio>
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
