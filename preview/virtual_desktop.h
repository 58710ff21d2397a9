#pragma once
// A desktop that exists only in memory: a screen of pixels, a clock that moves only
// when the program sleeps, a log of every input record, and keys held down by
// script. The tests drive the whole program against it, and -preview draws on it.

#include "desktop/platform.h"
#include "preview/pointer_landing.h"

#include <cstdint>
#include <string>
#include <vector>

struct LoggedInput {
    MouseInputRecord record;
    int64_t timeMs = 0;  // virtual time at which the record was sent
    int64_t timeUs = 0;
};

// The virtual desktop as a backend for useDesktop.
const DesktopBackend& virtualDesktop();

// A fresh screen filled with one colour, the clock at 0, the log and key scripts
// empty, no input handler.
void resetVirtualDesktop(int32_t width, int32_t height, uint32_t colour = 0xFFFFFFu);

// Lays the screen of pixels out as a virtual screen of several monitors: its
// top-left at (left, top) (negative: monitors left of or above the primary), the
// primary screen primaryWidth x primaryHeight at 0,0. Absolute input is scaled to
// the primary, or over the whole screen of pixels with mouseVirtualDesk. After a
// reset the screen of pixels is the primary.
void setVirtualScreenLayout(int32_t left, int32_t top, int32_t primaryWidth, int32_t primaryHeight);

void paintVirtualPixel(int32_t x, int32_t y, uint32_t colour);                  // off-screen: ignored
void paintVirtualRect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t colour);
uint32_t virtualPixel(int32_t x, int32_t y);                                   // off-screen: invalidColour

int64_t virtualClockMs();
int64_t virtualClockUs();
const std::vector<int32_t>& virtualMicroPauses();  // every pause asked for in microseconds

// A page that takes time over its input, as a busy browser does: each record
// reaches the input handler costUs after the page finished the one before (or
// after it was sent, if the page was idle), once the clock has got there. 0 (after
// a reset): at once.
void setVirtualPageCost(int32_t costUs);
// A page that shows what it took only us later (a browser paints in frames, and its
// compositor passes them on): the input handler is called that much after the
// record was taken. 0 (after a reset): at once.
void setVirtualPaintDelay(int32_t us);
// A page that shows what it took only at its next frame, every us (after the paint
// delay): a probe taken just after a frame shows a whole frame late, however little
// is queued. 0 (after a reset): no frames.
void setVirtualPaintFrames(int32_t us);
// The page takes nothing for us from now (or from when it is done with what it
// has): a browser starved by a busy machine.
void stallVirtualPage(int32_t us);
// Every record handed to the page after costUs so far: how long each waited.
const std::vector<int64_t>& virtualPageWaitsUs();
// When the page will have shown every record sent so far; and shows them all now.
int64_t virtualPageBusyUntilUs();
void settleVirtualPage();
// Screen reads that take time: each capture or pixel read moves the clock by us.
void setVirtualReadCost(int32_t us);
const std::vector<LoggedInput>& virtualInputLog();
const std::vector<int32_t>& virtualSleeps();  // every sleep and pause asked for, in ms
bool virtualConsoleMinimised();
const std::vector<std::string>& virtualStatuses();  // every status line shown, "" when taken away
// How often each operation was called since the reset.
int64_t virtualPixelReads();
int64_t virtualCaptures();

// Holds key down for the polls of that key numbered firstPoll..lastPoll (0-based,
// counted per key since the reset).
void holdKeyDuringPolls(ControlKey key, int64_t firstPoll, int64_t lastPoll);
// Holds key down while the virtual clock is in fromMs..untilMs-1.
void holdKeyDuringTime(ControlKey key, int64_t fromMs, int64_t untilMs);
int64_t virtualKeyPolls(ControlKey key);

// Whatever the screen shows that reacts to the pointer (the page model): called for
// every input record with the screen pixel it lands on and the record's flags.
using VirtualInputHandler = void (*)(int32_t x, int32_t y, uint32_t flags);
void setVirtualInputHandler(VirtualInputHandler handler);

// Called with the new time whenever a sleep or pause moves the clock: a test changes
// the screen mid-run with it (a window put over the page, the page moved).
using VirtualClockHook = void (*)(int64_t nowMs);
void setVirtualClockHook(VirtualClockHook hook);

// Screen copies begun without waiting (beginCapture) come with the first frame
// after they are asked for, frames ms apart on the virtual clock, as on a
// compositor; 0 (after a reset) copies at once.
void setVirtualFrameInterval(int32_t ms);
// Reads that wait (captureScreen, readScreenPixel) come with the next frame too, as
// on Wayland; off after a reset.
void setVirtualReadsWaitForFrames(bool wait);

// The display's scaling the desktop tells, in percent (0 after a reset: it does
// not tell), and the monitors it lists (none after a reset: the primary screen
// alone is looked at). Both live on the one screen of pixels.
void setVirtualDisplayScale(int32_t percent);
void setVirtualMonitors(const std::vector<ScreenRect>& monitors);
// How many display pixels each screen pixel stands for, in percent (0 after a
// reset: not told), as on a desktop that reads a scaled output in logical pixels.
void setVirtualScreenPixelScale(int32_t percent);
