#include "backends/x11/x11_keys.h"

#include "backends/linux_timing.h"

#include <X11/extensions/XInput2.h>

#include <cstdint>
#include <cstring>

namespace {

// Without XInput 2 a keymap answers the three polls of one point; it is asked again
// once older than this, so a paused pass still sees plus or Escape at once.
constexpr int64_t keymapLifetimeNs = 250000;

struct KeyState {
    bool following = false;  // raw events keep keys up to date
    int opcode = 0;          // XInput's major opcode, which its events carry
    char keys[32] = {};
    int64_t queriedNs = 0;
    bool haveKeymap = false;
};

KeyState state;

void setKey(int code, bool down)
{
    if (code < 0 || code > 255)
        return;
    const char bit = static_cast<char>(1 << (code % 8));
    if (down)
        state.keys[code / 8] = static_cast<char>(state.keys[code / 8] | bit);
    else
        state.keys[code / 8] = static_cast<char>(state.keys[code / 8] & ~bit);
}

// Takes in the events the server has sent so far; reads the socket without asking
// the server anything.
void takeEvents(Display* display)
{
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != state.opcode || !XGetEventData(display, cookie))
            continue;
        if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease)
            setKey(static_cast<const XIRawEvent*>(cookie->data)->detail, cookie->evtype == XI_RawKeyPress);
        XFreeEventData(display, cookie);
    }
}

}  // namespace

void startX11Keys(Display* display, Window root)
{
    state = KeyState{};
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &state.opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success)
        return;
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    if (XISelectEvents(display, root, &mask, 1) != Success)
        return;
    // Keys already down when the run starts (Escape held through the wait).
    XQueryKeymap(display, state.keys);
    state.following = true;
}

void stopX11Keys() { state = KeyState{}; }

bool x11KeyDown(Display* display, KeyCode code)
{
    if (state.following) {
        takeEvents(display);
    } else {
        const int64_t now = monotonicNs();
        if (!state.haveKeymap || now - state.queriedNs < 0 || now - state.queriedNs >= keymapLifetimeNs) {
            XQueryKeymap(display, state.keys);
            state.queriedNs = now;
            state.haveKeymap = true;
        }
    }
    return (static_cast<unsigned char>(state.keys[code / 8]) >> (code % 8)) & 1;
}
