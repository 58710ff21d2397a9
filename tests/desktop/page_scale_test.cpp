#include "desktop/page_scale.h"

#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr uint32_t grey = 0x999999u;

TEST(PageScale, TheHintsSuggestAScaleOnlyWhereTheyPointToOne)
{
    const struct {
        int32_t length;
        int32_t display;  // 0: not known
        int32_t likely;   // 0: none
    } cases[] = {
        // The display not known: an edge no 1:1 board shows, at a scale browsers
        // zoom to or displays are scaled to.
        {300, 0, 0},   {280, 0, 0},   {304, 0, 0},  // a board-wide edge, cut short or framed
        {303, 0, 0},                                // 101 %: no zoom's
        {330, 0, 110}, {375, 0, 125}, {450, 0, 150}, {525, 0, 175}, {600, 0, 200},
        {320, 0, 0},   {400, 0, 0},   {500, 0, 0},  // a page's own longer edge: no scale's
        {270, 0, 90},  {150, 0, 50},
        // The display known: its scaling, unless the edge is a plain 1:1 board's
        // there (a browser zoomed to undo it).
        {375, 125, 125}, {300, 125, 0}, {400, 125, 125}, {450, 150, 150}, {300, 150, 0},
        {375, 100, 125}, {300, 100, 0}, {400, 100, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(likelyScalePercent(c.length, c.display), c.likely) << c.length << " at " << c.display;
}

TEST(PageScale, TheAdviceSaysWhatIsLikelyAndWhatToChange)
{
    const std::string zoomBack = "set the browser's zoom to 100 % (Ctrl and 0), and run again.";
    const struct {
        int32_t length;
        int32_t display;  // 0: not known
        std::string advice;
    } cases[] = {
        // The display's scaling not known: the zoom that undoes the scale, when the
        // browsers have it, or both back to 100 %.
        {375, 0, "The page may be shown at 125 % (its board's edge is 375 pixels long): set the browser's zoom to "
                 "80 % (Ctrl and minus) or the display's scaling to 100 %, and run again."},
        {330, 0, "The page may be shown at 110 % (its board's edge is 330 pixels long): set the browser's zoom to "
                 "90 % (Ctrl and minus) or the display's scaling to 100 %, and run again."},
        {450, 0, "The page may be shown at 150 % (its board's edge is 450 pixels long): set the browser's zoom to "
                 "67 % (Ctrl and minus) or the display's scaling to 100 %, and run again."},
        {525, 0, "The page may be shown at 175 % (its board's edge is 525 pixels long): set the display's scaling "
                 "and the browser's zoom to 100 % (Ctrl and 0), and run again."},
        // No display scales below 100 %: a smaller page is the browser's zoom.
        {270, 0, "The page may be shown at 90 % (its board's edge is 270 pixels long): " + zoomBack},
        // The display's scaling known: it tells the browser's part from the display's.
        {375, 100, "The page may be shown at 125 % (its board's edge is 375 pixels long): " + zoomBack},
        {375, 125, "The page may be shown at 125 % (the display is scaled to 125 %, its board's edge is 375 pixels "
                   "long): set the browser's zoom to 80 % (Ctrl and minus) or the display's scaling to 100 %, and "
                   "run again."},
        {400, 175, "The page may be shown at 175 % (the display is scaled to 175 %, its board's edge is 400 pixels "
                   "long): set the display's scaling to 100 %, and run again."},
        // No hint: nothing said.
        {300, 0, ""}, {400, 0, ""}, {300, 125, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(likelyScaleAdvice(c.length, c.display), c.advice) << c.length << " at " << c.display;
}

TEST(PageScale, TheMeasureReadsTheWholeRunEitherWay)
{
    const struct {
        const char* name;
        int32_t from;  // the grey row's columns
        int32_t to;
        int32_t x;  // where it is measured from
        int32_t left;
        int32_t length;
    } cases[] = {
        {"OneToOne", 100, 399, 100, 100, 300},
        {"FromTheMiddle", 100, 474, 300, 100, 375},
        {"PastTheLocatorsColumns", 600, 1199, 600, 600, 600},
        {"FromTheScreensLeftSide", 0, 269, 50, 0, 270},
        {"ToTheScreensRightSide", 1000, 1279, 1100, 1000, 280},
        {"NotOnTheEdge", 100, 399, 400, 0, 0},
        {"LongerThanAnyScale", 0, 3199, 1600, 100, 3001},
    };
    for (const auto& c : cases) {
        freshDesktop(3200, 300);
        paintVirtualRect(c.from, 250, c.to - c.from + 1, 1, grey);
        const EdgeRun run = measureEdgeRun(c.x, 250);
        EXPECT_EQ(run.length, c.length) << c.name;
        if (c.length > 0) {
            EXPECT_EQ(run.left, c.left) << c.name;
            EXPECT_EQ(run.row, 250) << c.name;
        }
        EXPECT_EQ(virtualCaptures(), 1) << c.name;
    }
    // A grey row with no white over it is no edge.
    freshDesktop(1280, 600);
    paintVirtualRect(100, 249, 300, 2, grey);
    EXPECT_EQ(measureEdgeRun(150, 250).length, 0);
}

TEST(PageScale, TheFirstRunInAnAreaIsFoundWhole)
{
    freshDesktop(1280, 1024);
    paintVirtualRect(300, 150, 200, 1, grey);   // above the area
    paintVirtualRect(700, 600, 149, 1, grey);   // too short
    paintVirtualRect(900, 600, 300, 1, grey);   // the one
    paintVirtualRect(60, 700, 400, 1, grey);    // a later row
    EdgeRun run;
    ASSERT_TRUE(firstEdgeRunIn({0, 200, 1280, 824}, shortestScaledEdge, run));
    EXPECT_EQ(run.left, 900);
    EXPECT_EQ(run.row, 600);
    EXPECT_EQ(run.length, 300);
    // Runs are cut at the area's sides, and an area off the screen holds none.
    ASSERT_TRUE(firstEdgeRunIn({1000, 600, 150, 1}, shortestScaledEdge, run));
    EXPECT_EQ(run.length, 150);
    EXPECT_FALSE(firstEdgeRunIn({1000, 600, 149, 1}, shortestScaledEdge, run));
    EXPECT_FALSE(firstEdgeRunIn({5000, 600, 400, 10}, shortestScaledEdge, run));
    // Too large to copy, or empty: nothing is read.
    const int64_t before = virtualCaptures();
    EXPECT_FALSE(firstEdgeRunIn({0, 0, 100000, 100000}, shortestScaledEdge, run));
    EXPECT_FALSE(firstEdgeRunIn({0, 0, 0, 10}, shortestScaledEdge, run));
    EXPECT_FALSE(firstEdgeRunIn({INT32_MAX - 10, 0, 100, 10}, shortestScaledEdge, run));
    EXPECT_EQ(virtualCaptures(), before);
}

}  // namespace
