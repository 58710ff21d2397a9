#pragma once
// Ending a pause at its deadline, not a timer tick after it. The system's sleeps wake
// up late by tens to hundreds of microseconds, which on a 1 ms pause after every
// input record is a few per cent of the whole run. So a pause sleeps until a margin
// before its deadline and waits out the rest on the processor; the margin follows
// how late the sleeps have been, within bounds that keep the waiting under 15 % of
// a core.

#include <cstdint>

struct WaitClock {
    int64_t (*nowNs)();                     // a monotonic clock in nanoseconds
    void (*sleepUntilNs)(int64_t deadline);  // the system's sleep: never early, maybe late
    void (*waitOnProcessor)();
};

// One short wait on the processor without giving it up: giving it up to a busy
// neighbour (the page's browser) can cost a whole time slice, a millisecond or more.
void spinBriefly();

inline constexpr int64_t smallestMarginNs = 20'000;
inline constexpr int64_t largestMarginNs = 150'000;

struct WaitState {
    int64_t lateness = 50'000;  // how late the sleeps have woken lately, in ns
};

// Returns at the deadline or within a few microseconds after it, never before.
void waitPrecisely(const WaitClock& clock, WaitState& state, int64_t deadlineNs);

// The margin the next pause sleeps short of its deadline.
int64_t waitMarginNs(const WaitState& state);
