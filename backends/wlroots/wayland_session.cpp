// The connection to the compositor: what it offers, the output taken as the
// screen, and the pump that takes in what it sends.

#include "backends/wlroots/wayland_session.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>

WaylandSession wayland;

namespace {

const char* const noConnection = "Can't connect to the Wayland display that WAYLAND_DISPLAY names\n";
const char* const noProtocols =
    "This Wayland desktop lets no program move the pointer or read the screen; use an X11 session, or a "
    "wlroots desktop such as sway\n";

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

}  // namespace

const char* connectWayland()
{
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr)
        return noConnection;
    wayland = WaylandSession{};
    wayland.display = display;
    wayland.registry = wl_display_get_registry(display);
    wl_registry_add_listener(wayland.registry, &registryListener, nullptr);
    // The globals, then what the output says about itself.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        disconnectWayland();
        return noConnection;
    }
    if (wayland.pointerManager == nullptr || wayland.copyManager == nullptr || wayland.shm == nullptr ||
        wayland.output == nullptr || wayland.modeWidth <= 0 || wayland.modeHeight <= 0) {
        disconnectWayland();
        return noProtocols;
    }
    const bool turned = (wayland.transform & 1) != 0;  // 90 or 270 degrees
    wayland.width = std::min((turned ? wayland.modeHeight : wayland.modeWidth) / wayland.scale, 32767);
    wayland.height = std::min((turned ? wayland.modeWidth : wayland.modeHeight) / wayland.scale, 32767);

    return "";
}

void disconnectWayland()
{
    if (wayland.display == nullptr)
        return;
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

