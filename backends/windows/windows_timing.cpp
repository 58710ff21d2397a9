#include "backends/windows/windows_timing.h"

#include "backends/precise_wait.h"
#include "common/stop_request.h"

#include <windows.h>

#include <algorithm>

// Older headers lack it; the value is the system's.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

// ntdll's relative sleep, in 100 ns units (negative).
using DelayExecution = LONG(NTAPI*)(BOOLEAN alertable, PLARGE_INTEGER interval);

struct WindowsTiming {
    HANDLE timer = nullptr;              // a waitable timer, high resolution where the system has one
    DelayExecution hostSleep = nullptr;  // under Wine only: sleeps on the host's precise clock
    bool timerPeriodRaised = false;
    LARGE_INTEGER frequency{};           // performance counter ticks per second
    LARGE_INTEGER lastSend{};
    bool sentAny = false;
    WaitState pacing;
};

WindowsTiming timing;

int64_t counterNow()
{
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Ticks of the performance counter in ms milliseconds (ms > 0).
int64_t ticksIn(int32_t ms)
{
    const int64_t frequency = timing.frequency.QuadPart > 0 ? timing.frequency.QuadPart : 1000;
    return frequency / 1000 * ms + frequency % 1000 * ms / 1000;
}

// Blocks until the performance counter reaches deadline. Never returns early: a
// wait that wakes before the deadline waits again for the rest.
void waitUntil(int64_t deadline)
{
    const int64_t frequency = timing.frequency.QuadPart > 0 ? timing.frequency.QuadPart : 1000;
    for (;;) {
        const int64_t remaining = deadline - counterNow();
        if (remaining <= 0)
            return;
        // Relative due times are negative, in 100 ns units, rounded up.
        LARGE_INTEGER due{};
        due.QuadPart = -(remaining / frequency * 10000000 + (remaining % frequency * 10000000 + frequency - 1) / frequency);
        if (timing.hostSleep != nullptr) {
            timing.hostSleep(FALSE, &due);
            continue;
        }
        if (timing.timer != nullptr && SetWaitableTimer(timing.timer, &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(timing.timer, INFINITE) == WAIT_OBJECT_0)
            continue;
        // Without a timer: whole milliseconds, rounded up, at the raised resolution.
        const int64_t ms = (remaining * 1000 + frequency - 1) / frequency;
        Sleep(static_cast<DWORD>(std::clamp<int64_t>(ms, 1, 0x7FFFFFFF)));
    }
}

// The performance counter in nanoseconds, and back, for the precise pacing wait.
int64_t nanosecondsOf(int64_t ticks)
{
    const int64_t frequency = timing.frequency.QuadPart > 0 ? timing.frequency.QuadPart : 1000;
    return ticks / frequency * 1'000'000'000 + ticks % frequency * 1'000'000'000 / frequency;
}

int64_t counterNs() { return nanosecondsOf(counterNow()); }

void sleepUntilNs(int64_t deadline)
{
    const int64_t frequency = timing.frequency.QuadPart > 0 ? timing.frequency.QuadPart : 1000;
    // Rounded up, so the sleep never ends before the deadline.
    waitUntil(deadline / 1'000'000'000 * frequency + (deadline % 1'000'000'000 * frequency + 999'999'999) / 1'000'000'000);
}

const WaitClock windowsClock = {counterNs, sleepUntilNs, [] { SwitchToThread(); }};

// Long waits go in slices so that a console Ctrl+C ends them within one.
constexpr int32_t stopCheckMs = 20;

}  // namespace

void openWindowsTiming(bool underWine)
{
    // The default scheduler tick (about 15.6 ms) would stretch every 1 ms pause.
    timing.timerPeriodRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
    if (!QueryPerformanceFrequency(&timing.frequency) || timing.frequency.QuadPart <= 0)
        timing.frequency.QuadPart = 0;
    timing.timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (timing.timer == nullptr)
        timing.timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    // Wine serves waitable timers through its server, which ends a 1 ms pause about
    // 0.3-0.4 ms late; its ntdll sleep waits on the host clock and ends within about
    // 0.1 ms. Windows itself keeps the high-resolution timer.
    const HMODULE ntdll = underWine ? GetModuleHandleA("ntdll.dll") : nullptr;
    if (ntdll != nullptr)
        timing.hostSleep = reinterpret_cast<DelayExecution>(
            reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtDelayExecution")));
}

void closeWindowsTiming()
{
    if (timing.timer != nullptr)
        CloseHandle(timing.timer);
    if (timing.timerPeriodRaised)
        timeEndPeriod(1);
    timing = WindowsTiming{};
}

void windowsSleep(int32_t ms)
{
    for (; ms > 0 && !stopRequested(); ms -= stopCheckMs) {
        const int32_t slice = std::min(ms, stopCheckMs);
        if (timing.frequency.QuadPart <= 0)
            Sleep(static_cast<DWORD>(slice));
        else
            waitUntil(counterNow() + ticksIn(slice));
    }
}

void windowsPause(int32_t ms)
{
    // Measured from the send, not from now: the time the send itself took counts
    // towards the pause, and records are still never closer than ms apart.
    if (!timing.sentAny || ms <= 0)
        return;
    if (timing.frequency.QuadPart <= 0) {
        Sleep(static_cast<DWORD>(ms));
        return;
    }
    waitPrecisely(windowsClock, timing.pacing, nanosecondsOf(timing.lastSend.QuadPart) + int64_t{ms} * 1'000'000);
}

void windowsPauseMicroseconds(int32_t us)
{
    if (!timing.sentAny || us <= 0)
        return;
    if (timing.frequency.QuadPart <= 0) {
        Sleep(static_cast<DWORD>((us + 999) / 1000));
        return;
    }
    waitPrecisely(windowsClock, timing.pacing, nanosecondsOf(timing.lastSend.QuadPart) + int64_t{us} * 1'000);
}

void noteWindowsSend()
{
    QueryPerformanceCounter(&timing.lastSend);
    timing.sentAny = true;
}

int64_t windowsClockMs() { return counterNs() / 1'000'000; }
int64_t windowsClockUs() { return counterNs() / 1'000; }
