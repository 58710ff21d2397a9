#include "driver/fast_pass.h"

#include "driver/drawing_pass.h"
#include "driver/normal_board.h"
#include "pass_fixture.h"
#include "driver/coarse_board.h"
#include "driver/coarse_pass.h"
#include "preview/pointer_landing.h"
#include "preview/scrivlet_page.h"

#include <algorithm>

#include <cstdlib>
#include <string>

namespace {

// A picture with detail everywhere: many pen colours, short runs, some white.
PassPixels busyPicture()
{
    return makePicture(97, 83, [](int32_t x, int32_t y) {
        if ((x / 9 + y / 7) % 5 == 0)
            return Rgb{255, 255, 255};
        return Rgb{(x * 37 + y * 11) % 256, (x * x + 3 * y) % 256, (x * y / 5) % 256};
    });
}

PassPixels flatPicture()
{
    return makePicture(40, 40, [](int32_t x, int32_t y) {
        return x < 20 ? Rgb{250, 250, 250} : (y < 20 ? Rgb{3, 2, 1} : Rgb{200, 40, 90});
    });
}

struct FastCase {
    const char* name;
    RunSettings settings;
    bool scaled1280x800 = false;
    int32_t boardX = testBoardX;  // near the screen's edge, jigged marks leave it
    int32_t boardY = testBoardY;
};

RunSettings with(std::initializer_list<void (*)(RunSettings&)> changes)
{
    RunSettings s;
    for (auto change : changes)
        change(s);
    return s;
}

class FastPass : public DesktopTest, public testing::WithParamInterface<FastCase> {
public:
    // The board a pass leaves on a fresh page, and the records it sent.
    static std::pair<PageModel, size_t> drawOnFreshPage(const FastCase& c, bool fast)
    {
        freshPage(c);
        const PassPixels first = busyPicture();
        const PassPixels second = flatPicture();
        const PassResult result = fast ? runFastPass(c.settings, first, &second) : runDrawingPass(c.settings, first, &second);
        EXPECT_EQ(result, PassResult::Finished);
        return {shownPageModel(), virtualInputLog().size()};
    }
    static void freshPage(const FastCase& c)
    {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        showScrivletPage(c.boardX, c.boardY);
        BoardOrigin = {c.boardX, c.boardY};
        ScreenSize = c.scaled1280x800 ? ScreenDimensions{1280, 800} : ScreenDimensions{testScreenWidth, testScreenHeight};
        resetRandomSource();
    }
    // The run's drawing with -order coarse, and what it printed.
    static PassResult drawCoarse(const FastCase& c, bool fast, std::string& said)
    {
        freshPage(c);
        RunSettings settings = c.settings;
        settings.fast = fast;
        settings.order = runOrderCoarse;
        const PassPixels first = busyPicture();
        const PassPixels second = flatPicture();
        DrawingTally tally;
        testing::internal::CaptureStdout();
        const PassResult result = runDrawing(settings, first, &second, tally);
        said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(tally.records, int64_t(virtualInputLog().size()));
        return result;
    }
};

TEST_P(FastPass, LeavesTheNormalPassesBoardWithStraightStrokesAndFewerRecords)
{
    const FastCase& c = GetParam();
    const auto [normal, normalRecords] = drawOnFreshPage(c, false);
    const std::vector<Gesture> normalGestures = loggedGestures();
    const auto [fast, fastRecords] = drawOnFreshPage(c, true);
    EXPECT_EQ(fast.board, normal.board);
    EXPECT_EQ(fast.painted, normal.painted) << "painted a pixel the normal pass leaves alone, or missed one";
    if (fastRecords == normalRecords) {
        // Where straight strokes would cost more, the normal pass is sent as it is.
        EXPECT_EQ(loggedGestures().size(), normalGestures.size());
        return;
    }
    EXPECT_LT(fastRecords, normalRecords);
    // Only strokes along rows, columns or 45-degree diagonals; a slider clicked only
    // when its channel changes.
    int32_t lastSlider[3] = {-1, -1, -1};
    for (const Gesture& g : loggedGestures()) {
        EXPECT_TRUE(g.x1 == g.x2 || g.y1 == g.y2 || std::abs(g.x2 - g.x1) == std::abs(g.y2 - g.y1))
            << g.x1 << "," << g.y1 << " to " << g.x2 << "," << g.y2;
        for (int channel = 0; channel < 3; ++channel)
            if (g.y1 == c.boardY + sliderRows[channel]) {
                EXPECT_NE(g.x1, lastSlider[channel]) << "slider " << channel << " clicked without a change";
                lastSlider[channel] = g.x1;
            }
    }
}

TEST_P(FastPass, CoarseOrderLeavesTheSameBoardOrIsRefusedBeforeAnyInput)
{
    const FastCase& c = GetParam();
    const auto [normal, normalRecords] = drawOnFreshPage(c, false);
    const auto [fast, fastRecords] = drawOnFreshPage(c, true);
    const bool marksMove = c.settings.uselines || c.settings.jigfactor != 1 || c.scaled1280x800;
    for (const bool withFast : {false, true}) {
        std::string said;
        const PassResult result = drawCoarse(c, withFast, said);
        if (result == PassResult::Aborted) {
            EXPECT_FALSE(withFast) << "-fast keeps the board in any order";
            EXPECT_TRUE(marksMove) << "refused though no mark moves";
            EXPECT_EQ(said, coarseRefusal);
            EXPECT_TRUE(virtualInputLog().empty()) << "refused after some input";
            continue;
        }
        EXPECT_EQ(result, PassResult::Finished);
        EXPECT_EQ(said, "");
        EXPECT_EQ(shownPageModel().board, normal.board) << (withFast ? "-fast" : "normal pass");
        EXPECT_EQ(shownPageModel().painted, normal.painted);
        // The sketch costs at most an eighth of the drawing's gestures more.
        const size_t drawing = withFast ? fastRecords : normalRecords;
        EXPECT_LE(virtualInputLog().size(), drawing + drawing / 8);
    }
}

class CoarseRefusal : public DesktopTest {};

TEST_F(CoarseRefusal, ComesWhereLongJiggedLinesOverlapBeforeAnyInput)
{
    FastCase c{"overlapping", with({[](RunSettings& s) { s.stepx = s.stepy = 2; s.uselines = true; s.jigfactor = 30; }})};
    std::string said;
    EXPECT_EQ(FastPass::drawCoarse(c, false, said), PassResult::Aborted);
    EXPECT_EQ(said, coarseRefusal);
    EXPECT_TRUE(virtualInputLog().empty());
}

TEST_P(FastPass, PreviewAtAShareKeepsTheBoardOfThatManyRecords)
{
    const FastCase& c = GetParam();
    const auto [fast, fastRecords] = drawOnFreshPage(c, true);
    freshPage(c);
    RunSettings settings = c.settings;
    settings.fast = true;
    settings.previewPercent = 40;
    const PassPixels first = busyPicture();
    const PassPixels second = flatPicture();
    DrawingTally tally;
    ASSERT_EQ(runDrawing(settings, first, &second, tally), PassResult::Finished);
    EXPECT_EQ(tally.records, int64_t(fastRecords)) << "the run goes on to the end";
    const PageModel kept = shownPageModel();
    EXPECT_NE(kept.board, fast.board);
    // The same records again, a fresh page taking only the first 40 %.
    const std::vector<LoggedInput> log = virtualInputLog();
    showScrivletPage(c.boardX, c.boardY);
    for (size_t i = 0; i < fastRecords * 40 / 100; ++i) {
        int32_t x = 0;
        int32_t y = 0;
        landingPixel(log[i].record, testScreenWidth, testScreenHeight, VirtualDesk, x, y);
        scrivletPageInput(x, y, log[i].record.flags);
    }
    EXPECT_EQ(kept.board, shownPageModel().board);
}

INSTANTIATE_TEST_SUITE_P(
    EverySetting, FastPass,
    testing::Values(
        FastCase{"plain", with({[](RunSettings& s) { s.stepx = s.stepy = 1; }})},
        FastCase{"sparse_filtered",
                 with({[](RunSettings& s) { s.stepx = 3; s.stepy = 2; s.ignorewhite = s.compresscolor = true; }})},
        FastCase{"lines_jig", with({[](RunSettings& s) { s.stepx = s.stepy = 4; s.uselines = true; s.jigfactor = 4; }})},
        FastCase{"noise_jig_from_centre",
                 with({[](RunSettings& s) {
                     s.stepx = 2; s.stepy = 3; s.randomcolorfactor = 9; s.jigfactor = 3; s.jigfromcenter = true;
                 }})},
        // Colour noise on dots: in the coarse order the random numbers must still fall
        // to the same points.
        FastCase{"noise_dots", with({[](RunSettings& s) { s.stepx = 2; s.stepy = 3; s.randomcolorfactor = 9; }})},
        FastCase{"crossfade_black_skipped",
                 with({[](RunSettings& s) { s.stepx = s.stepy = 2; s.crossfade = 0.5f; s.ignoreblack = true; }})},
        FastCase{"negative_jig_lines", with({[](RunSettings& s) { s.stepx = 5; s.stepy = 5; s.uselines = true; s.jigfactor = -7; }})},
        FastCase{"scaled_pointer", with({[](RunSettings& s) { s.stepx = s.stepy = 3; }}), true},
        FastCase{"board_at_the_edge", with({[](RunSettings& s) { s.stepx = s.stepy = 2; s.uselines = true; s.jigfactor = 30; }}),
                 false, testScreenWidth - 300, testScreenHeight - 300}),
    [](const testing::TestParamInfo<FastCase>& info) { return std::string(info.param.name); });

class FastKeys : public DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        showScrivletPage(testBoardX, testBoardY);
        settings.stepx = settings.stepy = 3;
    }
    RunSettings settings;
    PassPixels picture = busyPicture();
};

TEST_F(FastKeys, EscapeEndsTheDrawingBetweenGestures)
{
    holdKeyDuringPolls(ControlKey::Escape, 40, 40);
    EXPECT_EQ(runFastPass(settings, picture, nullptr), PassResult::Aborted);
    EXPECT_EQ(virtualInputLog().size(), 80u) << "forty whole gestures, then nothing";
}

TEST_F(FastKeys, EscapeEndsTheCoarseOrderBetweenPointsEveryEighthPointFirst)
{
    holdKeyDuringPolls(ControlKey::Escape, 40, 40);
    settings.order = runOrderCoarse;
    EXPECT_EQ(runCoarseDrawingPass(settings, picture, nullptr), PassResult::Aborted);
    const std::vector<DrawnPoint> points = drawnPoints();
    ASSERT_EQ(points.size(), 40u) << "forty whole points, then nothing";
    for (const DrawnPoint& p : points) {
        // Step 3: grid points 8 apart are 24 pixels apart.
        EXPECT_EQ((p.mark.x1 - testBoardX) % 24, 0);
        EXPECT_EQ((p.mark.y1 - testBoardY) % 24, 0);
    }
}

TEST_F(FastKeys, MinusPausesWithoutInputAndPlusResumesToTheSameBoard)
{
    holdKeyDuringPolls(ControlKey::KeypadMinus, 30, 30);
    holdKeyDuringPolls(ControlKey::KeypadPlus, 500, 500);
    ASSERT_EQ(runFastPass(settings, picture, nullptr), PassResult::Finished);
    // Polls 31..499 waited: the 31st gesture came right after the plus.
    const std::vector<Gesture> gestures = loggedGestures();
    ASSERT_GT(gestures.size(), 31u);
    EXPECT_EQ(virtualKeyPolls(ControlKey::KeypadPlus), int64_t(gestures.size()) + 470);
    const PageModel drawn = shownPageModel();

    resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
    showScrivletPage(testBoardX, testBoardY);
    resetRandomSource();
    ASSERT_EQ(runDrawingPass(settings, picture, nullptr), PassResult::Finished);
    EXPECT_EQ(drawn.board, shownPageModel().board);
}

TEST(NormalBoard, CountsThePassesPointsAndRecordsAndLeavesTheRunAsItWas)
{
    resetVirtualDesktop(testScreenWidth, testScreenHeight, 0x123456u);
    useDesktop(virtualDesktop());
    ScreenSize = {1280, 800};
    BoardOrigin = {testBoardX, testBoardY};
    resetRandomSource();
    RunSettings settings;
    settings.stepx = settings.stepy = 10;
    settings.randomcolorfactor = 5;
    NormalBoard board;
    ASSERT_EQ(learnNormalBoard(settings, busyPicture(), nullptr, board), PassResult::Finished);
    EXPECT_EQ(board.points, 900);
    EXPECT_EQ(board.records, 7200);
    EXPECT_EQ(nextRandom(), 41) << "the random source moved on";
    EXPECT_EQ(&activeDesktop(), &virtualDesktop());
    EXPECT_EQ(ScreenSize.width, 1280);
    EXPECT_EQ(ScreenSize.height, 800);
    EXPECT_TRUE(virtualInputLog().empty());
    EXPECT_EQ(virtualPixel(testBoardX, testBoardY), 0x123456u) << "the model pass reached the screen";
}

}  // namespace
