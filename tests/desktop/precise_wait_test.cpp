#include "backends/precise_wait.h"

#include <gtest/gtest.h>

namespace {

// A clock that moves only when waited on: the system's sleeps wake `late` ns after
// their deadline, and each yield takes 1 us.
struct FakeClock {
    int64_t now = 0;
    int64_t late = 0;
    int64_t sleeps = 0;
    int64_t yieldedNs = 0;
};
FakeClock fake;

const WaitClock fakeClock = {
    [] { return fake.now; },
    [](int64_t deadline) {
        ++fake.sleeps;
        fake.now = std::max(fake.now, deadline + fake.late);
    },
    [] {
        fake.now += 1'000;
        fake.yieldedNs += 1'000;
    },
};

struct Paced {
    int64_t latestEndNs;   // after the deadline, over the last half of the pauses
    int64_t yieldedNs;     // waiting spent yielding, over the last half
};

// 200 pauses of 1 ms, each from the moment the previous one ended.
Paced pace(int64_t lateNs)
{
    fake = FakeClock{};
    fake.late = lateNs;
    WaitState state;
    Paced p{0, 0};
    for (int i = 0; i < 200; ++i) {
        const int64_t deadline = fake.now + 1'000'000;
        const int64_t yieldedBefore = fake.yieldedNs;
        waitPrecisely(fakeClock, state, deadline);
        EXPECT_GE(fake.now, deadline) << "pause " << i << " ended early";
        if (i >= 100) {
            p.latestEndNs = std::max(p.latestEndNs, fake.now - deadline);
            p.yieldedNs += fake.yieldedNs - yieldedBefore;
        }
    }
    return p;
}

TEST(PreciseWait, EndsAtTheDeadlineAndKeepsTheYieldingWithinItsShare)
{
    struct Case {
        int64_t lateNs;
        int64_t latestEndNs;  // at most
    };
    // Sleeps that wake punctually, as Linux does; 80 us late, as Wine's host sleep
    // does; and later than the largest margin, where the rest is accepted.
    for (const Case c : {Case{0, 1'000}, Case{80'000, 1'000}, Case{400'000, 400'000 - largestMarginNs}}) {
        const Paced p = pace(c.lateNs);
        EXPECT_LE(p.latestEndNs, c.latestEndNs) << "sleeps " << c.lateNs << " ns late";
        EXPECT_LE(p.yieldedNs, 100 * largestMarginNs) << "sleeps " << c.lateNs << " ns late";
    }
}

TEST(PreciseWait, APastDeadlineReturnsAtOnce)
{
    fake = FakeClock{};
    fake.now = 5'000'000;
    WaitState state;
    waitPrecisely(fakeClock, state, 4'000'000);
    EXPECT_EQ(fake.sleeps, 0);
    EXPECT_EQ(fake.now, 5'000'000);
}

}  // namespace
