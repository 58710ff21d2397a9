// The desktop on Wayland, where a client may touch only its own windows unless the
// compositor offers more: wlroots compositors (sway and others) give a virtual
// pointer for the input and screencopy for the screen. Keys come from sway's IPC.

#include "backends/linux_desktops.h"
#include "backends/linux_timing.h"
#include "common/stop_request.h"
#include "backends/wlroots/sway_keys.h"
#include "backends/wlroots/wayland_screencopy.h"
#include "backends/wlroots/wayland_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <linux/input-event-codes.h>
#include <sys/prctl.h>

namespace {

const char* const noKeys =
    "Escape and the keypad keys can't be read on this desktop: switching away from the page pauses the "
    "drawing, Ctrl+C in this console stops it\n";

// The first click after a virtual pointer appears is lost: it is given a motion
// and this long to settle in before any input that counts.
constexpr int32_t pointerWarmUpMs = 100;

struct Pacing {
    int64_t lastSendNs = 0;
    bool sentAny = false;
    bool buttonDown = false;
    // Where absolute motion last put the pointer; unknown after a relative one.
    bool placed = false;
    int64_t x = 0;
    int64_t y = 0;
    WaitState wait;
};

Pacing pacing;

// The look under way: where, whether it is still to collect, and whether the
// compositor refused it outright.
struct CopySize {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};
CopySize copyWanted;
bool copyPending = false;
bool copyFailed = false;

uint32_t timestampMs() { return static_cast<uint32_t>(monotonicNs() / 1'000'000); }

// Motions and buttons are sent without their frame; the caller ends the record's
// events with one, so the page gets a record as one pointer event.
void motionTo(uint32_t x, uint32_t y)
{
    // Extents of the screen's size: position x of width lands on pixel x exactly.
    zwlr_virtual_pointer_v1_motion_absolute(wayland.pointer, timestampMs(), x, y, static_cast<uint32_t>(wayland.width),
                                            static_cast<uint32_t>(wayland.height));
    pacing.placed = true;
    pacing.x = x;
    pacing.y = y;
}

void button(bool down)
{
    zwlr_virtual_pointer_v1_button(wayland.pointer, timestampMs(), BTN_LEFT,
                                   down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    pacing.buttonDown = down;
}

// Input must leave now, not when the socket next has room: a full socket (the
// compositor busy) is waited on for a while, and a broken one gives up.
void flushInput()
{
    for (int tries = 0; tries < 50; ++tries) {
        if (wl_display_flush(wayland.display) >= 0 || errno != EAGAIN)
            return;
        if (!pumpWayland(10))
            return;
    }
}

const char* openWayland()
{
    if (wayland.display != nullptr)
        return "";
    pacing = Pacing{};
    if (const char* problem = connectWayland(); *problem != '\0')
        return problem;
    // One pointer for the whole run, tied to the screen's output where the
    // compositor allows it, so absolute positions span that output alone.
    wayland.pointer = wayland.pointerManagerVersion >= 2
                          ? zwlr_virtual_pointer_manager_v1_create_virtual_pointer_with_output(
                                wayland.pointerManager, wayland.seat, wayland.output)
                          : zwlr_virtual_pointer_manager_v1_create_virtual_pointer(wayland.pointerManager, wayland.seat);
    wl_display_roundtrip(wayland.display);
    motionTo(static_cast<uint32_t>(wayland.width / 2), static_cast<uint32_t>(wayland.height / 2));
    zwlr_virtual_pointer_v1_frame(wayland.pointer);
    flushInput();
    sleepUntilNs(monotonicNs() + int64_t{pointerWarmUpMs} * 1'000'000);

    if (!openSwayKeys())
        std::fputs(noKeys, stdout);
    // As on X11: the 1 ms pauses after every record should end when they are due.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    return "";
}

void closeWayland()
{
    closeSwayKeys();
    if (wayland.display == nullptr)
        return;
    releaseScreenCopies();
    if (wayland.pointer != nullptr) {
        // The button is never left held down, however the run ended.
        if (pacing.buttonDown) {
            button(false);
            zwlr_virtual_pointer_v1_frame(wayland.pointer);
        }
        zwlr_virtual_pointer_v1_destroy(wayland.pointer);
    }
    disconnectWayland();
}

void minimiseWayland() { swayMinimiseConsole(); }

void sleepWayland(int32_t ms) { sleepUnlessStopped(ms); }

void pauseWayland(int32_t ms) { pauseSinceSend(pacing.sentAny, pacing.wait, pacing.lastSendNs, int64_t{ms} * 1'000'000); }

void pauseMicrosecondsWayland(int32_t us)
{
    pauseSinceSend(pacing.sentAny, pacing.wait, pacing.lastSendNs, int64_t{us} * 1'000);
}

int64_t clockMicrosecondsWayland() { return monotonicNs() / 1'000; }

void screenSizeWayland(int32_t* width, int32_t* height)
{
    *width = wayland.width;
    *height = wayland.height;
}

// A read that waits takes the compositor's one copy in hand: the look under way is
// asked for again after it, so that it comes a frame later instead of reading as a
// screen without the page (every look taken for the page gone, and what it vouched
// for sent again).
void captureWayland(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    captureWaylandScreen(left, top, width, height, out);
    if (copyPending && !copyFailed)
        copyFailed = !beginScreenCopy(copyWanted.left, copyWanted.top, copyWanted.width, copyWanted.height);
}

uint32_t readWayland(int32_t x, int32_t y)
{
    uint32_t colour = invalidColour;
    captureWayland(x, y, 1, 1, &colour);
    return colour;
}

void sendWayland(const MouseInputRecord& record)
{
    pacing.lastSendNs = monotonicNs();
    pacing.sentAny = true;
    if (wayland.pointer == nullptr)
        return;
    if (record.flags & mouseMove) {
        if (record.flags & mouseAbsolute) {
            motionTo(static_cast<uint32_t>(pixelOfAbsolute(record.dx, wayland.width)),
                     static_cast<uint32_t>(pixelOfAbsolute(record.dy, wayland.height)));
        } else {
            pacing.placed = false;
            zwlr_virtual_pointer_v1_motion(wayland.pointer, timestampMs(),
                                           wl_fixed_from_int(std::clamp(record.dx, -32767, 32767)),
                                           wl_fixed_from_int(std::clamp(record.dy, -32767, 32767)));
        }
    }
    if (record.flags & mouseLeftDown)
        button(true);
    if (record.flags & mouseLeftUp)
        button(false);
    zwlr_virtual_pointer_v1_frame(wayland.pointer);
    flushInput();
}

bool keyDownWayland(ControlKey key) { return swayKeyDown(key); }

int64_t clockWayland() { return monotonicNs() / 1'000'000; }

// The status line lives in the terminal, whatever the desktop: X11's serves.
void statusWayland(const char* text) { x11Desktop().showStatus(text); }

// The watchdog's looks: a copy is asked for after a gesture and collected before a
// later one, so the input never waits for the compositor's frame.
void beginCaptureWayland(int32_t left, int32_t top, int32_t width, int32_t height)
{
    copyWanted = {left, top, width, height};
    copyPending = true;
    copyFailed = !beginScreenCopy(left, top, width, height);
}

bool captureDoneWayland(uint32_t* out)
{
    const ScreenCopyState state = copyFailed ? ScreenCopyState::Failed : screenCopyReady(out);
    if (state == ScreenCopyState::Pending)
        return false;
    // A copy that could not be made reads as a screen without the page, as a
    // one-shot read that fails does.
    if (state != ScreenCopyState::Ready)
        std::fill(out, out + int64_t{copyWanted.width} * copyWanted.height, invalidColour);
    copyFailed = false;
    copyPending = false;
    return true;
}

void cancelCaptureWayland()
{
    copyPending = false;
    copyFailed = false;
    cancelScreenCopy();
}

const DesktopBackend waylandBackend = {
    openWayland,       closeWayland,         minimiseWayland,     sleepWayland,       pauseWayland,
    screenSizeWayland, captureWayland,       readWayland,         sendWayland,        keyDownWayland,
    clockWayland,      statusWayland,        beginCaptureWayland, captureDoneWayland, cancelCaptureWayland,
    pauseMicrosecondsWayland, clockMicrosecondsWayland,
    [](int32_t, int32_t) { return screenCopyScalePercent(); }, nullptr, screenCopyScalePercent,
};

}  // namespace

void keepPointerOutOf(int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (wayland.pointer == nullptr || pacing.buttonDown)
        return;
    const int64_t reach = cursorImageReach;
    const bool clearX = pacing.x < left - reach || pacing.x >= int64_t{left} + width + reach;
    const bool clearY = pacing.y < top - reach || pacing.y >= int64_t{top} + height + reach;
    if (pacing.placed && (clearX || clearY))
        return;
    // The screen corner farthest from the rectangle's middle.
    const int64_t middleX = int64_t{left} + width / 2;
    const int64_t middleY = int64_t{top} + height / 2;
    motionTo(middleX < wayland.width / 2 ? static_cast<uint32_t>(wayland.width - 1) : 0,
             middleY < wayland.height / 2 ? static_cast<uint32_t>(wayland.height - 1) : 0);
    zwlr_virtual_pointer_v1_frame(wayland.pointer);
    flushInput();
}

const DesktopBackend& waylandDesktop() { return waylandBackend; }
