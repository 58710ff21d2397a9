// The desktop layer's two costs that matter:
//   1. Finding the board: the locator's one capture of the scanned band against the
//      same scan made of single-pixel reads (two per position), on the virtual
//      screen and on the build's own desktop (X11 or Windows) when one is there.
//   2. The pause after each input record on the build's own desktop: how late it
//      ends against its 1 ms, and the time a drawn point (8 records) takes.
//   3. The page watchdog's look (two rows of 300 pixels) in the pause after each
//      release, against the same gestures without it, in alternating blocks.
// Run it on a display of its own: tests/tools/with-xvfb build/<dir>/bench/desktop_benchmark
// Prints figures; asserts nothing.

#include "desktop/board_locator.h"
#include "desktop/page_watchdog.h"
#include "desktop/platform.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"
#include "preview/scrivlet_page.h"
#include "preview/virtual_desktop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The board scan as single-pixel reads: both pixels of a position read before
// either is tested, as a platform without a capture would have to.
bool locateByPixels(int32_t& x, int32_t& y)
{
    for (int32_t r = 200; r <= 399; ++r) {
        int32_t run = 0;
        int32_t start = 0;
        for (int32_t c = 50; c <= 799; ++c) {
            const uint32_t above = readScreenPixel(c, r - 1);
            const uint32_t here = readScreenPixel(c, r);
            if (here == 0x999999u && above == 0xFFFFFFu) {
                if (run == 0)
                    start = c;
                if (++run == 280) {
                    x = start;
                    y = r + 2;
                    return true;
                }
            } else {
                run = 0;
            }
        }
    }
    return false;
}

struct LocateTiming {
    bool found = false;
    int32_t x = 0;
    int32_t y = 0;
    double seconds = 0;  // per locate
};

LocateTiming timeLocate(bool (*locate)(int32_t&, int32_t&), int repeats)
{
    LocateTiming t;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < repeats; ++i)
        t.found = locate(t.x, t.y);
    t.seconds = secondsSince(start) / repeats;
    return t;
}

void compareLocators(const char* where, int captureRepeats, int pixelRepeats)
{
    const LocateTiming captured = timeLocate(locateBoard, captureRepeats);
    const LocateTiming perPixel = timeLocate(locateByPixels, pixelRepeats);
    const bool agree = captured.found == perPixel.found && (!captured.found || (captured.x == perPixel.x && captured.y == perPixel.y));
    std::printf("locator, %s: one capture %.3f ms, single-pixel reads %.3f ms (%.0f x), %s%s\n", where,
                captured.seconds * 1e3, perPixel.seconds * 1e3, perPixel.seconds / captured.seconds,
                captured.found ? "found" : "not found", agree ? "" : ", THE TWO PATHS DISAGREE");
}

void benchVirtualLocator()
{
    resetVirtualDesktop(previewScreenWidth, previewScreenHeight, pageBackground);
    showScrivletPage(defaultBoardX, defaultBoardY);
    useDesktop(virtualDesktop());
    compareLocators("virtual screen, page at its default place", 200, 20);
    resetVirtualDesktop(previewScreenWidth, previewScreenHeight, pageBackground);
    compareLocators("virtual screen, no page (whole band)", 200, 20);
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(p * double(values.size() - 1) + 0.5);
    return values[at];
}

// Clicks in the top-left corner, where the benchmark's own display shows nothing.
void benchPacing()
{
    constexpr int clicks = 2000;
    primaryScreenSize(ScreenSize.width, ScreenSize.height);
    const AbsolutePoint at = toAbsolute(2, 2);
    MouseInputRecord record;
    record.dx = at.ax;
    record.dy = at.ay;

    std::vector<double> lateness;  // ms past the 1 ms after each send
    std::vector<double> gaps;      // ms between consecutive sends
    Clock::time_point previous{};
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < 2 * clicks; ++i) {
        record.flags = i % 2 == 0 ? pressFlags : releaseFlags;
        const Clock::time_point sent = Clock::now();
        sendMouseInput(record);
        pauseAfterInput(1);
        const Clock::time_point back = Clock::now();
        lateness.push_back(std::chrono::duration<double, std::milli>(back - sent).count() - 1.0);
        if (i > 0)
            gaps.push_back(std::chrono::duration<double, std::milli>(sent - previous).count());
        previous = sent;
    }
    const double wall = secondsSince(start);
    double mean = 0;
    for (const double l : lateness)
        mean += l;
    mean /= double(lateness.size());
    std::printf("pause after input (deadline from the send): %zu records, lateness per 1 ms pause: mean %.3f ms, "
                "median %.3f ms, 99th %.3f ms, max %.3f ms; shortest gap between records %.3f ms\n",
                lateness.size(), mean, percentile(lateness, 0.5), percentile(lateness, 0.99),
                *std::max_element(lateness.begin(), lateness.end()), *std::min_element(gaps.begin(), gaps.end()));
    const double perPoint = wall / double(lateness.size()) * 8 * 1e3;
    std::printf("  a point of 8 records: %.3f ms against the 8 ms floor (%.3f x)\n", perPoint, perPoint / 8);

    // For comparison: a plain relative 1 ms sleep after each record.
    const Clock::time_point plainStart = Clock::now();
    for (int i = 0; i < 2 * clicks; ++i) {
        record.flags = i % 2 == 0 ? pressFlags : releaseFlags;
        sendMouseInput(record);
        sleepMilliseconds(1);
    }
    const double plainPerPoint = secondsSince(plainStart) / double(2 * clicks) * 8 * 1e3;
    std::printf("  with a plain 1 ms sleep after each record instead: %.3f ms a point (%.3f x)\n", plainPerPoint,
                plainPerPoint / 8);
}

// Gestures in the corner as the pointer sends them (press, pause, release, pause),
// with or without the watchdog's look right after the release; blocks alternate so
// that a busy machine weighs on both alike.
void benchWatchdog()
{
    constexpr int pairs = 40;
    constexpr int gesturesPerBlock = 100;
    const AbsolutePoint at = toAbsolute(2, 2);
    MouseInputRecord record;
    record.dx = at.ax;
    record.dy = at.ay;
    armPageWatchdog(100, 248, 300);
    std::vector<double> looks;   // ms per look
    std::vector<double> ratios;  // a block with looks against the block before it without
    double seconds[2] = {0, 0};
    double previous = 0;
    for (int b = 0; b < 2 * pairs; ++b) {
        const bool look = b % 2 == 1;
        const Clock::time_point start = Clock::now();
        for (int g = 0; g < gesturesPerBlock; ++g) {
            record.flags = pressFlags;
            sendMouseInput(record);
            pauseAfterInput(1);
            record.flags = releaseFlags;
            sendMouseInput(record);
            if (look) {
                const Clock::time_point before = Clock::now();
                checkPage();
                looks.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
            }
            pauseAfterInput(1);
        }
        const double took = secondsSince(start);
        seconds[look ? 1 : 0] += took;
        if (look)
            ratios.push_back(took / previous);
        previous = took;
    }
    disarmPageWatchdog();
    const double gestures = double(pairs) * gesturesPerBlock;
    const double without = seconds[0] / gestures * 1e3;
    const double with = seconds[1] / gestures * 1e3;
    std::printf("page watchdog: %.0f gestures each way in blocks of %d: %.4f ms a gesture without the look, %.4f ms "
                "with it (%+.2f %%; median of the block pairs %+.2f %%); a look takes %.3f ms median, %.3f ms 99th, "
                "inside the 1 ms pause\n",
                gestures, gesturesPerBlock, without, with, (with / without - 1.0) * 100.0,
                (percentile(ratios, 0.5) - 1.0) * 100.0, percentile(looks, 0.5), percentile(looks, 0.99));
}

void benchNativeDesktop()
{
    useDesktop(nativeDesktop());
    if (const char* problem = openDesktop(); *problem != '\0') {
        std::printf("native desktop: skipped: %s", problem);
        return;
    }
    // Whatever the display shows, the locator reads all of it when no page is there:
    // on an empty display this is the slowest case.
    compareLocators("native desktop (the whole band unless a page is shown)", 20, 1);
    benchPacing();
    benchWatchdog();
    closeDesktop();
}

}  // namespace

int main()
{
    benchVirtualLocator();
    benchNativeDesktop();
    return 0;
}
