#include "driver/drawing_pass.h"

#include "pass_fixture.h"

#include <map>
#include <set>

namespace {

class DrawingPass : public DesktopTest {
protected:
    std::vector<DrawnPoint> run(const RunSettings& s, const PassPixels& first, const PassPixels* second = nullptr)
    {
        EXPECT_EQ(runDrawingPass(s, first, second), PassResult::Finished);
        return drawnPoints();
    }

    static RunSettings onlyFirstRow()
    {
        RunSettings s;
        s.stepy = 300;
        return s;
    }
};

TEST_F(DrawingPass, FirstPointSetsThePenFromPixelZeroThenClicksTheOrigin)
{
    PassPixels picture = makePicture(300, 300, [](int32_t x, int32_t y) {
        return (x == 0 && y == 0) ? Rgb{255, 7, 128} : Rgb{1, 2, 3};
    });
    RunSettings s = onlyFirstRow();
    s.stepx = 300;
    ASSERT_EQ(runDrawingPass(s, picture, nullptr), PassResult::Finished);
    const std::vector<Gesture> g = loggedGestures();
    ASSERT_EQ(g.size(), 4u);
    const int32_t rows[] = {172, 212, 252};
    const int32_t offsets[] = {365 + 51, 365 + 1, 365 + 25};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(g[i].x1, testBoardX + offsets[i]) << i;
        EXPECT_EQ(g[i].y1, testBoardY + rows[i]) << i;
        EXPECT_EQ(g[i].x2, g[i].x1);
        EXPECT_EQ(g[i].y2, g[i].y1);
    }
    EXPECT_EQ(g[3].x1, testBoardX);
    EXPECT_EQ(g[3].y1, testBoardY);
    EXPECT_EQ(g[3].x2, testBoardX);
    EXPECT_EQ(g[3].y2, testBoardY);
    for (const Gesture& each : g) {
        EXPECT_EQ(each.pressFlags, pressFlags);
        EXPECT_EQ(each.releaseFlags, releaseFlags);
    }
    // Eight records, each followed by its 1 ms pause.
    EXPECT_EQ(virtualClockMs(), 8);
}

// Which picture column each grid column of the first row samples, read back from
// the red and green sliders (each column has its own slider pair).
std::vector<int32_t> sampledColumns(const std::vector<DrawnPoint>& points)
{
    std::vector<int32_t> columns;
    for (const DrawnPoint& p : points)
        columns.push_back(p.slider[0] + 52 * p.slider[1]);
    return columns;
}

PassPixels columnCodedPicture(int32_t width)
{
    return makePicture(width, 4, [](int32_t x, int32_t) { return Rgb{5 * (x % 52), 5 * (x / 52), 0}; });
}

TEST_F(DrawingPass, SamplingKeepsTheSinglePrecisionLeftNeighbourColumns)
{
    const PassPixels narrow = columnCodedPicture(300);
    std::vector<int32_t> columns = sampledColumns(run(onlyFirstRow(), narrow));
    ASSERT_EQ(columns.size(), 300u);
    EXPECT_EQ(std::vector<int32_t>(columns.begin(), columns.begin() + 8),
              (std::vector<int32_t>{0, 1, 2, 2, 4, 5, 5, 7}));
    int leftNeighbours = 0;
    for (int32_t x = 0; x < 300; ++x) {
        EXPECT_TRUE(columns[x] == x || columns[x] == x - 1) << x;
        leftNeighbours += columns[x] == x - 1;
    }
    EXPECT_EQ(leftNeighbours, 61);

    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    const PassPixels wide = columnCodedPicture(600);
    columns = sampledColumns(run(onlyFirstRow(), wide));
    EXPECT_EQ(std::vector<int32_t>(columns.begin(), columns.begin() + 8),
              (std::vector<int32_t>{0, 2, 4, 5, 8, 10, 11, 14}));
}

TEST_F(DrawingPass, SmallPicturesAreStretchedAndRowsSampledTheSameWay)
{
    // A 2 x 3 picture: each board half / third takes one pixel.
    const PassPixels tiny = makePicture(2, 3, [](int32_t x, int32_t y) { return Rgb{5 * x, 5 * y, 0}; });
    RunSettings s;
    s.stepx = 149;
    s.stepy = 99;
    const std::vector<DrawnPoint> points = run(s, tiny);
    ASSERT_EQ(points.size(), 3u * 4u);  // x in {0, 149, 298}, y in {0, 99, 198, 297}
    std::vector<std::pair<int32_t, int32_t>> seen;
    for (const DrawnPoint& p : points)
        seen.emplace_back(p.slider[0], p.slider[1]);
    const std::vector<std::pair<int32_t, int32_t>> expected = {{0, 0}, {0, 0}, {1, 0}, {0, 0}, {0, 0}, {1, 0},
                                                               {0, 1}, {0, 1}, {1, 1}, {0, 2}, {0, 2}, {1, 2}};
    EXPECT_EQ(seen, expected);
}

TEST_F(DrawingPass, GridFollowsTheSteps)
{
    const PassPixels picture = solidPicture({10, 20, 30});
    struct StepCase {
        int32_t stepx, stepy;
        size_t points;
        int32_t lastX, lastY;
    } cases[] = {{10, 10, 900, 290, 290}, {7, 300, 43, 294, 0}, {300, 1, 300, 0, 299},
                 {2147483647, 2147483647, 1, 0, 0}};
    for (const StepCase& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        RunSettings s;
        s.stepx = c.stepx;
        s.stepy = c.stepy;
        const std::vector<DrawnPoint> points = run(s, picture);
        ASSERT_EQ(points.size(), c.points) << c.stepx << " x " << c.stepy;
        // Row by row, left to right.
        for (size_t i = 0; i < points.size(); ++i) {
            const int32_t perRow = (299 / c.stepx) + 1;
            EXPECT_EQ(points[i].mark.x1 - testBoardX, int32_t(i % perRow) * c.stepx);
            EXPECT_EQ(points[i].mark.y1 - testBoardY, int32_t(i / perRow) * c.stepy);
        }
        EXPECT_EQ(points.back().mark.x1 - testBoardX, c.lastX);
        EXPECT_EQ(points.back().mark.y1 - testBoardY, c.lastY);
    }
}

TEST_F(DrawingPass, FiltersSkipOnlyWhenAllThreeChannelsQualify)
{
    struct FilterCase {
        Rgb colour;
        bool ignorewhite, ignoreblack;
        bool drawn;
    } cases[] = {
        {{255, 255, 255}, true, false, false}, {{250, 250, 250}, true, false, false},
        {{250, 249, 250}, true, false, true},  {{255, 255, 255}, false, true, true},
        {{4, 4, 4}, false, true, false},       {{4, 4, 250}, false, true, true},
        {{4, 4, 5}, false, true, true},        {{0, 0, 0}, true, false, true},
    };
    for (const FilterCase& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        RunSettings s;
        s.stepx = s.stepy = 30;
        s.ignorewhite = c.ignorewhite;
        s.ignoreblack = c.ignoreblack;
        const PassPixels picture = solidPicture(c.colour);
        EXPECT_EQ(runDrawingPass(s, picture, nullptr), PassResult::Finished);
        // A skipped point sends nothing and draws no random numbers.
        EXPECT_EQ(virtualInputLog().size(), c.drawn ? 100u * 8u : 0u)
            << c.colour.r << "," << c.colour.g << "," << c.colour.b;
        EXPECT_EQ(virtualKeyPolls(ControlKey::Escape), 100);
    }
}

TEST_F(DrawingPass, SkippedPointsDrawNoRandomNumbers)
{
    // Only the last column is drawn; its displacement must be the generator's first draws.
    const PassPixels picture =
        makePicture(300, 300, [](int32_t x, int32_t) { return x == 299 ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; });
    RunSettings s;
    s.stepy = 300;
    s.ignorewhite = true;
    s.jigfactor = 100;
    const std::vector<DrawnPoint> points = run(s, picture);
    ASSERT_EQ(points.size(), 1u);
    // The first two numbers from a fresh source are 41 and 18467.
    EXPECT_EQ(points[0].mark.x1 - testBoardX, 299 + (100 - 41 % 200));
    EXPECT_EQ(points[0].mark.y1 - testBoardY, 100 - 18467 % 200);
}

TEST_F(DrawingPass, CompressColorClearsTheLowThreeBits)
{
    RunSettings s = onlyFirstRow();
    s.stepx = 300;
    s.compresscolor = true;
    const PassPixels picture = solidPicture({13, 255, 7});
    const std::vector<DrawnPoint> points = run(s, picture);
    ASSERT_EQ(points.size(), 1u);
    // (8, 248, 0) on the sliders.
    EXPECT_EQ(points[0].slider[0], 8 / 5);
    EXPECT_EQ(points[0].slider[1], 248 / 5);
    EXPECT_EQ(points[0].slider[2], 0);
}

TEST_F(DrawingPass, ColourNoisePerturbsTheThirdChannelWithTheFirstDraw)
{
    RunSettings s = onlyFirstRow();
    s.stepx = 300;
    s.randomcolorfactor = 9;
    s.jigfactor = 1000;
    const PassPixels picture = solidPicture({100, 100, 100});
    const std::vector<DrawnPoint> points = run(s, picture);
    ASSERT_EQ(points.size(), 1u);
    // Draws 41, 18467, 6334 go to blue, green, red: 100 + 2*(r mod 9) - 9.
    EXPECT_EQ(points[0].slider[0], (100 + 2 * (6334 % 9) - 9) / 5);   // 105
    EXPECT_EQ(points[0].slider[1], (100 + 2 * (18467 % 9) - 9) / 5);  // 107
    EXPECT_EQ(points[0].slider[2], (100 + 2 * (41 % 9) - 9) / 5);     // 101
    // Then the displacement takes the next two: 26500 and 19169.
    EXPECT_EQ(points[0].mark.x1 - testBoardX, 1000 - 26500 % 2000);
    EXPECT_EQ(points[0].mark.y1 - testBoardY, 1000 - 19169 % 2000);
}

TEST_F(DrawingPass, ColourNoiseOffsetsAreEvenStepsFromMinusFToFMinusTwo)
{
    RunSettings s;
    s.stepx = s.stepy = 10;
    s.randomcolorfactor = 4;  // offsets -4, -2, 0, 2 around 20: sliders 3, 3, 4, 4
    const PassPixels picture = solidPicture({20, 20, 20});
    std::set<int32_t> sliders;
    for (const DrawnPoint& p : run(s, picture))
        for (int c = 0; c < 3; ++c)
            sliders.insert(p.slider[c]);
    EXPECT_EQ(sliders, (std::set<int32_t>{3, 4}));
}

TEST_F(DrawingPass, JigFactorThreeOffsetsLieInMinusTwoToThree)
{
    RunSettings s;
    s.stepx = s.stepy = 10;
    s.jigfactor = 3;
    const PassPixels picture = solidPicture({0, 0, 0});
    std::set<int32_t> dxs;
    std::set<int32_t> dys;
    int y = 0;
    int x = 0;
    for (const DrawnPoint& p : run(s, picture)) {
        dxs.insert(p.mark.x1 - testBoardX - x);
        dys.insert(p.mark.y1 - testBoardY - y);
        x += 10;
        if (x == 300) {
            x = 0;
            y += 10;
        }
    }
    const std::set<int32_t> all = {-2, -1, 0, 1, 2, 3};
    EXPECT_EQ(dxs, all);
    EXPECT_EQ(dys, all);
}

TEST_F(DrawingPass, NegativeJigFactorGivesOneSidedOffsets)
{
    RunSettings s;
    s.stepx = s.stepy = 10;
    s.jigfactor = -2;  // offsets -5 .. -2
    const PassPixels picture = solidPicture({0, 0, 0});
    std::set<int32_t> dxs;
    int x = 0;
    for (const DrawnPoint& p : run(s, picture)) {
        dxs.insert(p.mark.x1 - testBoardX - x);
        x = (x + 10) % 300;
    }
    EXPECT_EQ(dxs, (std::set<int32_t>{-5, -4, -3, -2}));
}

TEST_F(DrawingPass, JigFromCenterScalesByTheSignedDistanceFromTheCentre)
{
    // The same run with and without scaling draws the same raw offsets; compare them
    // at the left edge, the centre and the right edge.
    const PassPixels picture = solidPicture({0, 0, 0});
    RunSettings plain;
    plain.stepy = 3;  // rows 0, 3, ..., 150, ..., 297
    plain.jigfactor = 3;
    const std::vector<DrawnPoint> raw = run(plain, picture);

    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    resetRandomSource();
    RunSettings scaled = plain;
    scaled.jigfromcenter = true;
    const std::vector<DrawnPoint> fromCentre = run(scaled, picture);
    ASSERT_EQ(raw.size(), 300u * 100u);
    ASSERT_EQ(fromCentre.size(), raw.size());

    // At x = 299 the offset is scaled by 0.99333 and truncated: 3 becomes 2.
    const std::map<int32_t, int32_t> at299 = {{3, 2}, {2, 1}, {1, 0}, {0, 0}, {-1, 0}, {-2, -1}};
    std::set<int32_t> seenAt299;
    for (size_t i = 0; i < raw.size(); ++i) {
        const int32_t x = int32_t(i % 300);
        const int32_t y = int32_t(i / 300) * 3;
        const int32_t dx = raw[i].mark.x1 - testBoardX - x;
        const int32_t dy = raw[i].mark.y1 - testBoardY - y;
        const int32_t sdx = fromCentre[i].mark.x1 - testBoardX - x;
        const int32_t sdy = fromCentre[i].mark.y1 - testBoardY - y;
        if (x == 0) {
            EXPECT_EQ(sdx, -dx) << "row " << y;
        } else if (x == 150) {
            EXPECT_EQ(sdx, 0) << "row " << y;
        } else if (x == 299) {
            EXPECT_EQ(sdx, at299.at(dx)) << "row " << y;
            seenAt299.insert(dx);
        }
        if (y == 0) {
            EXPECT_EQ(sdy, -dy) << "column " << x;
        } else if (y == 150) {
            EXPECT_EQ(sdy, 0) << "column " << x;
        }
    }
    EXPECT_EQ(seenAt299.size(), 6u);
}

TEST_F(DrawingPass, UseLinesStrokesFromTheGridPointToTheDisplacedPoint)
{
    RunSettings s;
    s.stepx = s.stepy = 30;
    s.uselines = true;
    const PassPixels picture = solidPicture({0, 0, 0});
    int x = 0;
    int y = 0;
    // Without displacement every stroke is a press and release at one point.
    for (const DrawnPoint& p : run(s, picture)) {
        EXPECT_EQ(p.mark.x1, testBoardX + x);
        EXPECT_EQ(p.mark.y1, testBoardY + y);
        EXPECT_EQ(p.mark.x2, p.mark.x1);
        EXPECT_EQ(p.mark.y2, p.mark.y1);
        x += 30;
        if (x == 300) {
            x = 0;
            y += 30;
        }
    }

    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    resetRandomSource();
    s.jigfactor = 4;
    bool sawLine = false;
    x = y = 0;
    for (const DrawnPoint& p : run(s, picture)) {
        EXPECT_EQ(p.mark.x1, testBoardX + x);
        EXPECT_EQ(p.mark.y1, testBoardY + y);
        EXPECT_LE(std::abs(p.mark.x2 - p.mark.x1), 4);
        sawLine = sawLine || p.mark.x2 != p.mark.x1 || p.mark.y2 != p.mark.y1;
        x += 30;
        if (x == 300) {
            x = 0;
            y += 30;
        }
    }
    EXPECT_TRUE(sawLine);
}

TEST_F(DrawingPass, CrossfadeBlendsInDoublePrecisionWithoutClamping)
{
    const PassPixels black = solidPicture({0, 0, 0});
    const PassPixels white = solidPicture({255, 255, 255}, 7, 3);
    struct FadeCase {
        float f;
        int32_t slider;
    } cases[] = {{0.5f, 127 / 5}, {0.0f, 0}, {-1.0f, 0}, {1.0f, 51}, {2.0f, 51}, {0.1f, 25 / 5}};
    for (const FadeCase& c : cases) {
        resetVirtualDesktop(testScreenWidth, testScreenHeight);
        RunSettings s = onlyFirstRow();
        s.stepx = 300;
        s.crossfade = c.f;
        const std::vector<DrawnPoint> points = run(s, black, &white);
        ASSERT_EQ(points.size(), 1u);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_EQ(points[0].slider[ch], c.slider) << c.f;
    }

    // Above 1 the other picture's weight goes negative: 255 x (1 - 2) = -255, clamped at the slider.
    resetVirtualDesktop(testScreenWidth, testScreenHeight);
    RunSettings s = onlyFirstRow();
    s.stepx = 300;
    s.crossfade = 2.0f;
    const std::vector<DrawnPoint> negative = run(s, white, &black);
    EXPECT_EQ(negative[0].slider[0], 0);
}

TEST_F(DrawingPass, HugeDisplacementsSaturateInsteadOfOverflowing)
{
    BoardOrigin = {2147483000, 100};
    RunSettings s = onlyFirstRow();
    s.stepx = 299;
    s.jigfactor = 1073741823;
    const PassPixels picture = solidPicture({0, 0, 0});
    EXPECT_EQ(runDrawingPass(s, picture, nullptr), PassResult::Finished);
    EXPECT_EQ(virtualInputLog().size(), 2u * 8u);
}

class KeyControl : public DrawingPass {
protected:
    RunSettings firstRowEveryTenth() const
    {
        RunSettings s;
        s.stepx = 10;
        s.stepy = 300;
        return s;
    }
};

TEST_F(KeyControl, EscapeEndsThePassAtOnceWithoutDrawingThatPoint)
{
    holdKeyDuringPolls(ControlKey::Escape, 5, 5);
    const PassPixels picture = solidPicture({0, 0, 0});
    EXPECT_EQ(runDrawingPass(firstRowEveryTenth(), picture, nullptr), PassResult::Aborted);
    EXPECT_EQ(drawnPoints().size(), 5u);
    // Escape is polled first: minus and plus were not looked at for that point.
    EXPECT_EQ(virtualKeyPolls(ControlKey::KeypadMinus), 5);
}

TEST_F(KeyControl, MinusPausesAtThatPointAndPlusResumesFromIt)
{
    holdKeyDuringPolls(ControlKey::KeypadMinus, 2, 2);
    holdKeyDuringPolls(ControlKey::KeypadPlus, 10, 10);
    const PassPixels picture = solidPicture({0, 0, 0});
    EXPECT_EQ(runDrawingPass(firstRowEveryTenth(), picture, nullptr), PassResult::Finished);
    const std::vector<DrawnPoint> points = drawnPoints();
    ASSERT_EQ(points.size(), 30u);  // nothing lost
    for (size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(points[i].mark.x1, testBoardX + int32_t(i) * 10);
    // Polls 2..9 were spent paused at point 2, with no input and no time passing.
    EXPECT_EQ(virtualKeyPolls(ControlKey::Escape), 30 + 8);
    EXPECT_EQ(points[2].mark.timeMs - points[1].mark.timeMs, 8);
}

TEST_F(KeyControl, MinusAndPlusTogetherDraw)
{
    holdKeyDuringPolls(ControlKey::KeypadMinus, 0, 29);
    holdKeyDuringPolls(ControlKey::KeypadPlus, 0, 29);
    const PassPixels picture = solidPicture({0, 0, 0});
    EXPECT_EQ(runDrawingPass(firstRowEveryTenth(), picture, nullptr), PassResult::Finished);
    EXPECT_EQ(drawnPoints().size(), 30u);
    EXPECT_EQ(virtualKeyPolls(ControlKey::Escape), 30);
}

TEST_F(KeyControl, EscapeIsHonouredWhilePaused)
{
    holdKeyDuringPolls(ControlKey::KeypadMinus, 3, 3);
    holdKeyDuringPolls(ControlKey::Escape, 50, 50);
    const PassPixels picture = solidPicture({0, 0, 0});
    EXPECT_EQ(runDrawingPass(firstRowEveryTenth(), picture, nullptr), PassResult::Aborted);
    EXPECT_EQ(drawnPoints().size(), 3u);
    EXPECT_EQ(virtualKeyPolls(ControlKey::Escape), 51);
}

TEST_F(KeyControl, AKeyHeldByTimeIsSeenAtTheFirstPollInItsWindow)
{
    // Each drawn point takes 8 ms, so point 4 is polled at 32 ms.
    holdKeyDuringTime(ControlKey::Escape, 30, 40);
    const PassPixels picture = solidPicture({0, 0, 0});
    EXPECT_EQ(runDrawingPass(firstRowEveryTenth(), picture, nullptr), PassResult::Aborted);
    EXPECT_EQ(drawnPoints().size(), 4u);
}

TEST_F(KeyControl, AStopRequestedMidPointEndsThePassOnceThatPointIsDrawn)
{
    // Anywhere in the second point's eight records, dots or lines: the point is
    // finished, so every press has its release, and the pass ends as on Escape.
    const PassPixels picture = solidPicture({0, 0, 0});
    for (const bool lines : {false, true}) {
        for (int64_t record = 9; record <= 16; ++record) {
            resetVirtualDesktop(testScreenWidth, testScreenHeight);
            clearStopRequest();
            requestStopAfterRecords(record);
            RunSettings s = firstRowEveryTenth();
            s.uselines = lines;
            EXPECT_EQ(runDrawingPass(s, picture, nullptr), PassResult::Aborted) << record;
            const std::vector<LoggedInput>& log = virtualInputLog();
            ASSERT_EQ(log.size(), 16u) << record;
            for (size_t i = 0; i < log.size(); ++i)
                EXPECT_EQ(log[i].record.flags, i % 2 == 0 ? pressFlags : releaseFlags) << record << " " << i;
            // Seen before the desktop's own Escape was asked for a third time.
            EXPECT_EQ(virtualKeyPolls(ControlKey::Escape), 2) << record;
        }
    }
}

TEST(RandomSource, FollowsTheFixedSequenceFromStateOne)
{
    resetRandomSource();
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int32_t value : expected)
        EXPECT_EQ(nextRandom(), value);
    // Far along the sequence the numbers stay in range; the state wraps without overflow.
    for (int i = 0; i < 1000000; ++i) {
        const int32_t r = nextRandom();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 32767);
    }
}

}  // namespace
