// The desktop on Wayland, where a client may touch only its own windows unless the
// compositor offers more: wlroots compositors (sway and others) give a virtual
// pointer for the input and screencopy for the screen. Keys come from sway's IPC.

#include "backends/linux_desktops.h"
#include "backends/precise_wait.h"
#include "backends/stop_request.h"
#include "backends/sway_keys.h"
#include "backends/wayland_screencopy.h"
#include "backends/wayland_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>

WaylandSession wayland;

namespace {

const char* const noConnection = "Can't connect to the Wayland display that WAYLAND_DISPLAY names\n";
const char* const noProtocols =
    "This Wayland desktop lets no program move the pointer or read the screen; use an X11 session, or a "
    "wlroots desktop such as sway\n";
const char* const noKeys =
    "Escape and the keypad keys can't be read on this desktop: press Ctrl+C in this console to stop\n";

// The first click after a virtual pointer appears is lost: it is given a motion
// and this long to settle in before any input that counts.
constexpr int32_t pointerWarmUpMs = 100;

struct Pacing {
    int64_t lastSendNs = 0;
    bool sentAny = false;
    bool buttonDown = false;
    WaitState wait;
};

Pacing pacing;

timespec addMilliseconds(timespec t, int32_t ms)
{
    t.tv_sec += ms / 1000;
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
    return t;
}

void sleepUntil(const timespec& deadline)
{
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

void sleepUntilNs(int64_t deadline)
{
    sleepUntil(timespec{static_cast<time_t>(deadline / 1'000'000'000), static_cast<long>(deadline % 1'000'000'000)});
}

const WaitClock waylandClock = {monotonicNs, sleepUntilNs, [] { sched_yield(); }};

uint32_t timestampMs() { return static_cast<uint32_t>(monotonicNs() / 1'000'000); }

void onGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                int32_t transform)
{
    wayland.transform = transform;
}

void onMode(void*, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t refresh)
{
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0)
        return;
    wayland.modeWidth = width;
    wayland.modeHeight = height;
    wayland.refreshMilliHz = refresh;
}

void onOutputDone(void*, wl_output*) {}
void onScale(void*, wl_output*, int32_t factor) { wayland.scale = factor > 0 ? factor : 1; }
void onName(void*, wl_output*, const char*) {}
void onDescription(void*, wl_output*, const char*) {}

const wl_output_listener outputListener = {onGeometry, onMode, onOutputDone, onScale, onName, onDescription};

void onGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto bind = [&](const wl_interface* kind, uint32_t highest) {
        return wl_registry_bind(registry, name, kind, std::min(version, highest));
    };
    if (std::strcmp(interface, wl_shm_interface.name) == 0 && wayland.shm == nullptr) {
        wayland.shm = static_cast<wl_shm*>(bind(&wl_shm_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && wayland.seat == nullptr) {
        wayland.seat = static_cast<wl_seat*>(bind(&wl_seat_interface, 1));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0 && wayland.output == nullptr) {
        // The first output is the screen: the one the pointer moves on and copies come from.
        wayland.output = static_cast<wl_output*>(bind(&wl_output_interface, 2));
        wl_output_add_listener(wayland.output, &outputListener, nullptr);
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        wayland.pointerManagerVersion = std::min(version, 2u);
        wayland.pointerManager =
            static_cast<zwlr_virtual_pointer_manager_v1*>(bind(&zwlr_virtual_pointer_manager_v1_interface, 2));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0 && version >= 2) {
        // Version 2 copies a region; the whole output would cost far more per read.
        wayland.copyManager = static_cast<zwlr_screencopy_manager_v1*>(bind(&zwlr_screencopy_manager_v1_interface, 2));
    }
}

void onGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {onGlobal, onGlobalRemove};

// Motions and buttons are sent without their frame; the caller ends the record's
// events with one, so the page gets a record as one pointer event.
void motionTo(uint32_t x, uint32_t y)
{
    // Extents of the screen's size: position x of width lands on pixel x exactly.
    zwlr_virtual_pointer_v1_motion_absolute(wayland.pointer, timestampMs(), x, y, static_cast<uint32_t>(wayland.width),
                                            static_cast<uint32_t>(wayland.height));
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

void closeWayland();

const char* openWayland()
{
    if (wayland.display != nullptr)
        return "";
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return noConnection;
    wayland = WaylandSession{};
    pacing = Pacing{};
    wayland.display = display;
    wayland.registry = wl_display_get_registry(display);
    wl_registry_add_listener(wayland.registry, &registryListener, nullptr);
    // The globals, then what the output says about itself.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        closeWayland();
        return noConnection;
    }
    if (wayland.pointerManager == nullptr || wayland.copyManager == nullptr || wayland.shm == nullptr ||
        wayland.output == nullptr || wayland.modeWidth <= 0 || wayland.modeHeight <= 0) {
        closeWayland();
        return noProtocols;
    }
    const bool turned = (wayland.transform & 1) != 0;  // 90 or 270 degrees
    wayland.width = std::min((turned ? wayland.modeHeight : wayland.modeWidth) / wayland.scale, 32767);
    wayland.height = std::min((turned ? wayland.modeWidth : wayland.modeHeight) / wayland.scale, 32767);

    // One pointer for the whole run, tied to the screen's output where the
    // compositor allows it, so absolute positions span that output alone.
    wayland.pointer = wayland.pointerManagerVersion >= 2
                          ? zwlr_virtual_pointer_manager_v1_create_virtual_pointer_with_output(
                                wayland.pointerManager, wayland.seat, wayland.output)
                          : zwlr_virtual_pointer_manager_v1_create_virtual_pointer(wayland.pointerManager, wayland.seat);
    wl_display_roundtrip(display);
    motionTo(static_cast<uint32_t>(wayland.width / 2), static_cast<uint32_t>(wayland.height / 2));
    zwlr_virtual_pointer_v1_frame(wayland.pointer);
    flushInput();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    sleepUntil(addMilliseconds(now, pointerWarmUpMs));

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
    if (wayland.pointerManager != nullptr)
        zwlr_virtual_pointer_manager_v1_destroy(wayland.pointerManager);
    if (wayland.copyManager != nullptr)
        zwlr_screencopy_manager_v1_destroy(wayland.copyManager);
    if (wayland.output != nullptr)
        wl_output_destroy(wayland.output);
    if (wayland.seat != nullptr)
        wl_seat_destroy(wayland.seat);
    if (wayland.shm != nullptr)
        wl_shm_destroy(wayland.shm);
    if (wayland.registry != nullptr)
        wl_registry_destroy(wayland.registry);
    // Sent, not waited for: a compositor that hangs must not hang the end of the run.
    wl_display_flush(wayland.display);
    wl_display_disconnect(wayland.display);
    wayland = WaylandSession{};
}

void minimiseWayland() { swayMinimiseConsole(); }

void sleepWayland(int32_t ms)
{
    if (ms <= 0)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const timespec deadline = addMilliseconds(now, ms);
    // Ctrl+C interrupts the wait and ends it: the run is over.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR && !stopRequested()) {
    }
}

void pauseWayland(int32_t ms)
{
    // Measured from the send, as on X11.
    if (!pacing.sentAny || ms <= 0)
        return;
    waitPrecisely(waylandClock, pacing.wait, pacing.lastSendNs + int64_t{ms} * 1'000'000);
}

void screenSizeWayland(int32_t* width, int32_t* height)
{
    *width = wayland.width;
    *height = wayland.height;
}

uint32_t readWayland(int32_t x, int32_t y)
{
    uint32_t colour = invalidColour;
    captureWaylandScreen(x, y, 1, 1, &colour);
    return colour;
}

// The pixel an absolute coordinate lands on, as on X11 and Windows:
// floor(a * size / 65536), kept on the screen.
uint32_t mapAbsolute(int32_t a, int32_t size)
{
    if (size <= 0)
        return 0;
    const int64_t scaled = int64_t{a} * size;
    int64_t pixel = scaled / 65536;
    if (scaled % 65536 < 0)
        --pixel;
    return static_cast<uint32_t>(std::clamp<int64_t>(pixel, 0, size - 1));
}

void sendWayland(const MouseInputRecord& record)
{
    pacing.lastSendNs = monotonicNs();
    pacing.sentAny = true;
    if (wayland.pointer == nullptr)
        return;
    if (record.flags & mouseMove) {
        if (record.flags & mouseAbsolute) {
            motionTo(mapAbsolute(record.dx, wayland.width), mapAbsolute(record.dy, wayland.height));
        } else {
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

const DesktopBackend waylandBackend = {
    openWayland,       closeWayland,         minimiseWayland, sleepWayland, pauseWayland,
    screenSizeWayland, captureWaylandScreen, readWayland,     sendWayland,  keyDownWayland,
    clockWayland,      statusWayland,
};

}  // namespace

bool pumpWayland(int32_t timeoutMs)
{
    wl_display* display = wayland.display;
    if (display == nullptr || wl_display_get_error(display) != 0)
        return false;
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0)
            return false;
    const int flushed = wl_display_flush(display);
    if (flushed < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display);
        return false;
    }
    pollfd ready{wl_display_get_fd(display), static_cast<short>(POLLIN | (flushed < 0 ? POLLOUT : 0)), 0};
    if (poll(&ready, 1, timeoutMs) > 0 && (ready.revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
        if (wl_display_read_events(display) < 0)
            return false;
    } else {
        wl_display_cancel_read(display);
    }
    return wl_display_dispatch_pending(display) >= 0;
}

const DesktopBackend& waylandDesktop() { return waylandBackend; }
