#include "backends/precise_wait.h"

#include <algorithm>

void spinBriefly()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

int64_t waitMarginNs(const WaitState& state)
{
    return std::clamp(state.lateness + smallestMarginNs, smallestMarginNs, largestMarginNs);
}

void waitPrecisely(const WaitClock& clock, WaitState& state, int64_t deadlineNs)
{
    const int64_t wakeAt = deadlineNs - waitMarginNs(state);
    if (clock.nowNs() < wakeAt) {
        clock.sleepUntilNs(wakeAt);
        const int64_t late = std::max<int64_t>(clock.nowNs() - wakeAt, 0);
        // Up quickly when sleeps wake later, down slowly when they wake earlier: a
        // single slow wake-up costs one late pause, a run of them no more.
        if (late > state.lateness)
            state.lateness += (late - state.lateness) / 2;
        else
            state.lateness -= (state.lateness - late) / 32;
    }
    while (clock.nowNs() < deadlineNs)
        clock.waitOnProcessor();
}
