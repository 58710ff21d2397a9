#pragma once
// What the Windows desktop paces its input with: the performance counter, a 1 ms
// scheduler tick, a high-resolution waitable timer (under Wine, ntdll's sleep on
// the host's clock instead), and pauses measured from the last record sent.

#include <cstdint>

// Raises the timer resolution and makes the timer; underWine: sleeps go to the
// host's clock, which ends them far closer to their deadline than Wine's timers.
void openWindowsTiming(bool underWine);
// Gives all of it back; harmless when nothing is open.
void closeWindowsTiming();

// Sleeps ms; a console Ctrl+C (a stop request) cuts it short.
void windowsSleep(int32_t ms);
// Waits until ms (us) after the last record was sent; at once if none was.
void windowsPause(int32_t ms);
void windowsPauseMicroseconds(int32_t us);
// Called just before each record is sent: the pauses count from then.
void noteWindowsSend();

int64_t windowsClockMs();
int64_t windowsClockUs();
