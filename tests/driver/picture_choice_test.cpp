// Where the run's pictures come from: -image, a lone word, standard input, and
// -image2 from the same sources.

#include "run_sequence_fixture.h"

#include <cstdio>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const std::string noPicture = "You must at least supply the name of a image, fool!\n";

// Each point's slider settings and where its mark went.
std::vector<std::vector<int32_t>> pointPlaces()
{
    std::vector<std::vector<int32_t>> places;
    for (const DrawnPoint& p : drawnPoints())
        places.push_back({p.slider[0], p.slider[1], p.slider[2], p.mark.x1, p.mark.y1});
    return places;
}

TEST_F(RunSequence, ALoneWordThatNamesAFileDrawsAsMinusImageDoes)
{
    const RunOutcome given = run({"-image", black, "-stepx", "10", "-stepy", "10"});
    const auto givenPoints = pointPlaces();
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    showScrivletPage(100, 252);
    const RunOutcome bare = run({"-stepx", "10", black, "-stepy", "10"});
    EXPECT_EQ(bare.status, 0);
    EXPECT_EQ(bare.output, given.output);
    EXPECT_EQ(pointPlaces(), givenPoints);
    EXPECT_EQ(givenPoints.size(), 900u);
}

TEST_F(RunSequence, AWordThatNamesNoPictureGetsTheOldAnswerAfterTheBoardLine)
{
    const std::vector<std::string> refused[] = {
        {"photo.jpg"},                    // no such file: perhaps a mistyped option
        {"-stepx", "10", "rose"},
        {black, white},                   // two words: not guessed between
        {testing::TempDir()},             // a folder
        {"-stepx", black},                // the file is -stepx's value, not a word of its own
    };
    for (const std::vector<std::string>& args : refused) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome r = run(args);
        EXPECT_EQ(r.status, -1) << args[0];
        EXPECT_EQ(r.output, foundLine + noPicture) << args[0];
        EXPECT_TRUE(virtualInputLog().empty());
    }
}

TEST_F(RunSequence, MinusImageWinsOverALoneWord)
{
    const std::string missing = testing::TempDir() + "not-there.tga";
    const RunOutcome r = run({"-image", missing, black});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output, foundLine + ("Couldn't load image " + missing + "!\n"));
}

#if !defined(_WIN32)
// Standard input given the bytes of a file for the length of one run.
class PipedRun : public RunSequence {
protected:
    static RunOutcome runWithInput(const std::string& path, const std::vector<std::string>& args)
    {
        const int saved = dup(0);
        const int file = open(path.c_str(), O_RDONLY);
        dup2(file, 0);
        close(file);
        clearerr(stdin);
        RunOutcome r = run(args);
        dup2(saved, 0);
        close(saved);
        clearerr(stdin);
        return r;
    }
};

TEST_F(PipedRun, MinusImageMinusReadsThePictureFromStandardInput)
{
    const RunOutcome fromFile = run({"-image", black, "-stepx", "10", "-stepy", "10"});
    const auto filePoints = pointPlaces();
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-image", "-", "-stepx", "10", "-stepy", "10"},
                                                 std::vector<std::string>{"-stepx", "10", "-stepy", "10", "-"}}) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome piped = runWithInput(black, args);
        EXPECT_EQ(piped.status, 0);
        EXPECT_EQ(piped.output, fromFile.output);
        EXPECT_EQ(pointPlaces(), filePoints);
    }
    const std::string empty = testing::TempDir() + "empty-input";
    std::fclose(std::fopen(empty.c_str(), "wb"));
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    showScrivletPage(100, 252);
    const RunOutcome nothing = runWithInput(empty, {"-image", "-"});
    EXPECT_EQ(nothing.status, -1);
    EXPECT_EQ(nothing.output, foundLine + std::string("Couldn't load image from standard input! Nothing came in.\n"));
}

TEST_F(PipedRun, MinusImage2TakesTheSameSourcesAsMinusImage)
{
    const std::vector<std::string> blend = {"-crossfade", "0.4", "-stepx", "30", "-stepy", "30"};
    const auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), blend.begin(), blend.end());
        return args;
    };
    const RunOutcome fromFile = run(with({"-image", black, "-image2", white}));
    const auto filePoints = pointPlaces();
    ASSERT_EQ(fromFile.status, 0);
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    showScrivletPage(100, 252);
    const RunOutcome piped = runWithInput(white, with({"-image", black, "-image2", "-"}));
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.output, fromFile.output);
    EXPECT_EQ(pointPlaces(), filePoints);

    const std::string empty = testing::TempDir() + "empty-second-input";
    std::fclose(std::fopen(empty.c_str(), "wb"));
    const std::string bothMinus = "Standard input holds one picture: -image and -image2 cannot both be -.\n";
    const struct {
        std::vector<std::string> args;
        std::string line;
    } refused[] = {
        {{"-image", black, "-image2", "-"}, "Couldn't load image2 from standard input! Nothing came in.\n"},
        // Refused before either is read.
        {{"-image", "-", "-image2", "-"}, bothMinus},
        {{"-image2", "-", "-"}, bothMinus},
        // Nothing listens on port 1 of this machine.
        {{"-image", black, "-image2", "http://127.0.0.1:1/rose.png"},
         "Couldn't load image2 http://127.0.0.1:1/rose.png! Its server could not be reached.\n"},
        {{"-image", black, "-image2", "no-such-picture.tga"}, "Couldn't load image2!\n"},
    };
    for (const auto& [args, line] : refused) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        showScrivletPage(100, 252);
        const RunOutcome r = runWithInput(empty, args);
        EXPECT_EQ(r.status, -1) << args[1];
        EXPECT_EQ(r.output, foundLine + line) << args[1];
        EXPECT_TRUE(virtualInputLog().empty());
    }
}
#endif

}  // namespace
