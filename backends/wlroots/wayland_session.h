#pragma once
// The Wayland connection the backend shares between its parts: the compositor's
// objects, the one output taken as the screen, and the virtual pointer.

#include <cstdint>

#include <wayland-client.h>

#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

struct WaylandSession {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    wl_output* output = nullptr;
    zwlr_virtual_pointer_manager_v1* pointerManager = nullptr;
    uint32_t pointerManagerVersion = 0;
    zwlr_screencopy_manager_v1* copyManager = nullptr;
    zwlr_virtual_pointer_v1* pointer = nullptr;
    // The output as it reports itself, and its size in logical pixels: the unit of
    // pointer positions and screen copies, and what the program calls the screen.
    int32_t modeWidth = 0;
    int32_t modeHeight = 0;
    int32_t refreshMilliHz = 0;
    int32_t scale = 1;
    int32_t transform = 0;
    int32_t width = 0;
    int32_t height = 0;
};

extern WaylandSession wayland;

// Connects and binds what the backend needs, and measures the screen. Returns an
// empty text, or the line that says why this desktop cannot be used.
const char* connectWayland();
// Lets go of the compositor's objects and the connection; the pointer and the
// copies are let go of before.
void disconnectWayland();

// Many compositors draw the cursor into the frames they copy (software cursors),
// where it would hide what is under it: before a copy of the rectangle, a pointer
// near it is moved to the far corner of the screen. Moving without a button
// held draws nothing, and every input record moves the pointer where it belongs.
void keepPointerOutOf(int32_t left, int32_t top, int32_t width, int32_t height);

// Sends what is queued, then takes in and handles whatever the compositor has
// sent, waiting up to timeoutMs for something to arrive (0: never waits). False
// once the connection is broken.
bool pumpWayland(int32_t timeoutMs);
