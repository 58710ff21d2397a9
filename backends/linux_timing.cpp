#include "backends/linux_timing.h"

#include "common/stop_request.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace {

timespec timespecOf(int64_t ns)
{
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void sleepUntilNs(int64_t deadline)
{
    const timespec t = timespecOf(deadline);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
    }
}

void sleepUnlessStopped(int32_t ms)
{
    if (ms <= 0)
        return;
    const timespec deadline = timespecOf(monotonicNs() + int64_t{ms} * 1'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR && !stopRequested()) {
    }
}

const WaitClock linuxWaitClock = {monotonicNs, sleepUntilNs, spinBriefly};

int32_t pixelOfAbsolute(int32_t a, int32_t size)
{
    if (size <= 0)
        return 0;
    const int64_t scaled = int64_t{a} * size;
    int64_t pixel = scaled / 65536;
    if (scaled % 65536 < 0)
        --pixel;
    return static_cast<int32_t>(std::clamp<int64_t>(pixel, 0, size - 1));
}
