// How close a drawing pass comes to its pacing floor.
//   1. Per-point compute: a whole default pass (90,000 points) on the virtual
//      desktop, where pauses cost nothing, against the 8 ms each point must wait.
//   2. Wall time of a sparse pass with real 1 ms pauses and an input sink that
//      does nothing, against the floor of records x 1 ms.
// Prints figures; asserts nothing.

#include "cmdline/run_settings.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "preview/virtual_desktop.h"
#include "driver/drawing_pass.h"
#include "driver/random_source.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

PassPixels gradient(int32_t side)
{
    PassPixels p;
    p.width = p.height = side;
    p.bytes = std::make_unique<uint8_t[]>(size_t(side) * size_t(side) * 4);
    for (int32_t i = 0; i < side * side; ++i) {
        p.bytes[size_t(i) * 4 + 0] = uint8_t(i % side);
        p.bytes[size_t(i) * 4 + 1] = uint8_t(i / side);
        p.bytes[size_t(i) * 4 + 2] = uint8_t(i * 7);
    }
    return p;
}

// A desktop whose pauses really wait, on the standard library's steady clock,
// until 1 ms after the record was sent; the records themselves go nowhere.
Clock::time_point lastSend;
int64_t recordsSent = 0;

const char* openSink() { return ""; }
void closeSink() {}
void minimiseSink() {}
void sleepSink(int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
void pauseSink(int32_t ms) { std::this_thread::sleep_until(lastSend + std::chrono::milliseconds(ms)); }
void sizeSink(int32_t* w, int32_t* h) { *w = 1280, *h = 1024; }
void captureSink(int32_t, int32_t, int32_t w, int32_t h, uint32_t* out)
{
    for (int64_t i = 0; i < int64_t{w} * h; ++i)
        out[i] = invalidColour;
}
uint32_t readSink(int32_t, int32_t) { return invalidColour; }
void sendSink(const MouseInputRecord&)
{
    lastSend = Clock::now();
    ++recordsSent;
}
bool keySink(ControlKey) { return false; }
int64_t clockSink() { return 0; }
void statusSink(const char*) {}

const DesktopBackend realPauses = {openSink, closeSink, minimiseSink, sleepSink, pauseSink,
                                   sizeSink, captureSink, readSink, sendSink, keySink, clockSink, statusSink,
                                   nullptr,  nullptr,     nullptr,  nullptr,  nullptr};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main()
{
    const PassPixels picture = gradient(512);
    ScreenSize = {1280, 1024};
    BoardOrigin = {100, 250};

    RunSettings full;
    full.randomcolorfactor = 9;
    full.jigfactor = 3;
    full.uselines = true;
    resetVirtualDesktop(1280, 1024);
    useDesktop(virtualDesktop());
    resetRandomSource();
    Clock::time_point start = Clock::now();
    runDrawingPass(full, picture, nullptr);
    const double computeSeconds = secondsSince(start);
    const double points = 90000.0;
    std::printf("compute: %.0f points in %.3f s on the virtual desktop: %.2f us a point, %.4f %% of its 8 ms\n",
                points, computeSeconds, computeSeconds / points * 1e6, computeSeconds / points / 0.008 * 100);

    RunSettings sparse;
    sparse.stepx = 10;
    sparse.stepy = 20;  // 450 points, 3600 records
    useDesktop(realPauses);
    resetRandomSource();
    recordsSent = 0;
    lastSend = Clock::now();
    start = Clock::now();
    runDrawingPass(sparse, picture, nullptr);
    const double wall = secondsSince(start);
    const double floor = double(recordsSent) * 0.001;
    std::printf("pacing: %lld records in %.3f s against a floor of %.3f s: %.2f %% over (%.1f us a record)\n",
                static_cast<long long>(recordsSent), wall, floor, (wall / floor - 1) * 100,
                (wall - floor) / double(recordsSent) * 1e6);
    return 0;
}
