#pragma once
// What both Linux desktops pace their input with: the monotonic clock, sleeps on
// it, and where an absolute pointer coordinate lands.

#include "backends/precise_wait.h"

#include <cstdint>

int64_t monotonicNs();

// Sleeps until the monotonic clock reaches deadline, through any signal.
void sleepUntilNs(int64_t deadline);

// Sleeps ms; Ctrl+C (a stop request) cuts it short: the run is over.
void sleepUnlessStopped(int32_t ms);

// The pacing's clock, waiting out a pause's last microseconds on the processor.
extern const WaitClock linuxWaitClock;

// Waits until pauseNs after the last record was sent (at once if nothing was sent
// yet, or that is past): measured from the send, so that the time spent sending
// counts towards the pause and records are never closer than pauseNs apart.
inline void pauseSinceSend(bool sentAny, WaitState& state, int64_t lastSendNs, int64_t pauseNs)
{
    if (sentAny && pauseNs > 0)
        waitPrecisely(linuxWaitClock, state, lastSendNs + pauseNs);
}

// The pixel an absolute coordinate lands on, the way Windows maps it:
// floor(a * size / 65536), kept on the screen.
int32_t pixelOfAbsolute(int32_t a, int32_t size);
