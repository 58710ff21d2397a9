// The Wayland backend's two costs that matter, on a compositor of its own:
//   1. The pacing: time per input record against the 1 ms floor.
//   2. Screen copies, each of which waits for the compositor's next frame: how long
//      one takes, and how many paced records go by per copy when copies of the
//      board's top rows are started and polled between gestures without waiting,
//      as the page watchdog does. The page vanishing is seen by the copy that
//      completes after the frame showing it, so the input that follows it is at
//      most about one copy's worth of records and one gesture more.
// Run it in a session of its own: tests/tools/with-sway build/native/bench/wayland_benchmark
// (swaymsg -- output HEADLESS-1 mode --custom 1280x1024@1000Hz changes the rate).
// Prints figures; asserts nothing.

#include "desktop/platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// Records on the middle of the screen: nothing there but sway's background.
void sendPaced(uint32_t flags)
{
    MouseInputRecord record;
    record.dx = 32768;
    record.dy = 32768;
    record.flags = flags;
    sendMouseInput(record);
    pauseAfterInput(1);
}

// The median is what the backend does; the mean adds whatever else the machine
// was doing (a busy machine's stalls).
void benchPacing(int records)
{
    std::vector<double> gaps;
    const Clock::time_point start = Clock::now();
    Clock::time_point last = start;
    for (int i = 0; i < records; ++i) {
        sendPaced(i % 2 == 0 ? pressFlags : releaseFlags);
        const Clock::time_point now = Clock::now();
        gaps.push_back(std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    }
    const double perRecord = msSince(start) / records;
    std::sort(gaps.begin(), gaps.end());
    std::printf("pacing: %d records, %.4f ms each against the 1 ms floor (ratio %.3f); median %.4f ms, 99th %.3f ms\n",
                records, perRecord, perRecord, gaps[gaps.size() / 2], gaps[gaps.size() * 99 / 100]);
}

void benchCopies(int copies)
{
    std::vector<uint32_t> rows(300 * 2);
    std::vector<double> times;
    for (int i = 0; i < copies; ++i) {
        const Clock::time_point start = Clock::now();
        captureScreen(100, 247, 300, 2, rows.data());
        times.push_back(msSince(start));
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf("one copy of 300 x 2 waited for: mean %.2f ms, median %.2f ms, max %.2f ms over %d\n",
                sum / copies, times[times.size() / 2], times.back(), copies);
}

// As the page watchdog looks: a copy begun after a gesture's release, collected
// before a later gesture once its frame has come.
void benchWatchedGestures(int gestures)
{
    std::vector<uint32_t> rows(300 * 2);
    std::vector<int> recordsPerCopy;
    int records = 0;
    bool looking = false;
    const Clock::time_point start = Clock::now();
    for (int g = 0; g < gestures; ++g) {
        if (looking && captureDone(rows.data())) {
            recordsPerCopy.push_back(records);
            records = 0;
            looking = false;
        }
        sendPaced(pressFlags);
        MouseInputRecord release;
        release.dx = release.dy = 32768;
        release.flags = releaseFlags;
        sendMouseInput(release);
        if (!looking) {
            beginCapture(100, 247, 300, 2);
            looking = true;
        }
        pauseAfterInput(1);
        records += 2;
    }
    const double perRecord = msSince(start) / (2.0 * gestures);
    cancelCapture();
    if (recordsPerCopy.empty()) {
        std::printf("watched gestures: no copy completed\n");
        return;
    }
    std::sort(recordsPerCopy.begin(), recordsPerCopy.end());
    double sum = 0;
    for (int r : recordsPerCopy)
        sum += r;
    const int median = recordsPerCopy[recordsPerCopy.size() / 2];
    // The look under way may show the frame just before the page went; the next
    // one, begun after the next release, shows it gone and is collected before
    // the gesture after it: a look's worth of records and one gesture more.
    const int after = recordsPerCopy.back() + 2;
    std::printf("watched gestures: %d records, %.4f ms each (ratio %.3f); %zu copies, records per copy mean %.1f, "
                "median %d, max %d; input after the page vanishes: at most about %d records (%d points)\n",
                2 * gestures, perRecord, perRecord, recordsPerCopy.size(), sum / double(recordsPerCopy.size()), median,
                recordsPerCopy.back(), after, (after + 7) / 8);
}

}  // namespace

int main()
{
    useDesktop(nativeDesktop());
    if (const char* problem = openDesktop(); *problem != '\0') {
        std::printf("no Wayland desktop: %s", problem);
        return 1;
    }
    benchPacing(4000);
    benchCopies(100);
    benchWatchedGestures(2000);
    closeDesktop();
    return 0;
}
