// KWin's fake input: the pointer on a Wayland connection of its own.

#include "backends/portal/kwin_input.h"

#include "backends/linux_timing.h"

#include "fake-input-client-protocol.h"

#include <cerrno>
#include <cstring>

#include <linux/input-event-codes.h>
#include <poll.h>
#include <wayland-client.h>

namespace {

// How long KWin may take to answer a settle before it is given up, as a
// portal call would be.
constexpr int64_t answerTimeoutMs = 5000;
// pointer_motion_absolute came with the interface's third version.
constexpr uint32_t absoluteSince = 3;

struct KwinInput {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    org_kde_kwin_fake_input* fake = nullptr;
    wl_callback* mark = nullptr;  // a settle's mark sent, its answer not yet seen
    bool broken = false;          // KWin closed the connection, or it failed
};

KwinInput input;

void seeGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    if (input.fake == nullptr && version >= absoluteSince &&
        std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        input.fake = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, absoluteSince));
}

void seeGlobalGone(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {seeGlobal, seeGlobalGone};

// A mark given up on may still be answered later: only the newest clears the slot.
void markAnswered(void*, wl_callback* callback, uint32_t)
{
    if (input.mark == callback)
        input.mark = nullptr;
    wl_callback_destroy(callback);
}

const wl_callback_listener markListener = {markAnswered};

int64_t msLeft(int64_t deadlineNs) { return (deadlineNs - monotonicNs() + 999'999) / 1'000'000; }

// Sends what is buffered. A full socket (KWin far behind) is waited on, for
// at most the answer timeout, rather than input dropped.
bool flush()
{
    const int64_t deadline = monotonicNs() + answerTimeoutMs * 1'000'000;
    while (!input.broken && wl_display_flush(input.display) < 0) {
        pollfd writable = {wl_display_get_fd(input.display), POLLOUT, 0};
        const int64_t left = msLeft(deadline);
        if (errno != EAGAIN || left <= 0 || poll(&writable, 1, static_cast<int>(left)) < 0)
            input.broken = true;
    }
    return !input.broken;
}

// Reads KWin's answers until the mark sent is answered, for at most the answer
// timeout.
void awaitMark()
{
    const int64_t deadline = monotonicNs() + answerTimeoutMs * 1'000'000;
    while (input.mark != nullptr && flush()) {
        while (wl_display_prepare_read(input.display) != 0)
            wl_display_dispatch_pending(input.display);
        pollfd readable = {wl_display_get_fd(input.display), POLLIN, 0};
        const int64_t left = msLeft(deadline);
        if (left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) {
            wl_display_cancel_read(input.display);
            input.mark = nullptr;
            return;
        }
        if (wl_display_read_events(input.display) < 0 || wl_display_dispatch_pending(input.display) < 0)
            input.broken = true;
    }
}

bool sendMark()
{
    input.mark = wl_display_sync(input.display);
    wl_callback_add_listener(input.mark, &markListener, nullptr);
    return flush();
}

}  // namespace

bool openKwinInput()
{
    closeKwinInput();
    input.display = wl_display_connect(nullptr);
    if (input.display == nullptr)
        return false;
    input.registry = wl_display_get_registry(input.display);
    wl_registry_add_listener(input.registry, &registryListener, nullptr);
    if (wl_display_roundtrip(input.display) < 0 || input.fake == nullptr) {
        closeKwinInput();
        return false;
    }
    // KWin takes events only from a device that has said who it is and why.
    org_kde_kwin_fake_input_authenticate(input.fake, "scrivdraw", "Copies a picture into a drawing page");
    if (wl_display_roundtrip(input.display) < 0) {
        closeKwinInput();
        return false;
    }
    return true;
}

bool kwinInputOpen() { return input.fake != nullptr && !input.broken; }

void closeKwinInput()
{
    if (input.display == nullptr)
        return;
    if (input.mark != nullptr)
        wl_callback_destroy(input.mark);
    if (input.fake != nullptr)
        org_kde_kwin_fake_input_destroy(input.fake);
    if (input.registry != nullptr)
        wl_registry_destroy(input.registry);
    wl_display_disconnect(input.display);
    input = KwinInput{};
}

bool kwinPointerTo(int32_t x, int32_t y)
{
    if (!kwinInputOpen())
        return false;
    org_kde_kwin_fake_input_pointer_motion_absolute(input.fake, wl_fixed_from_int(x), wl_fixed_from_int(y));
    return flush();
}

bool kwinLeftButton(bool down)
{
    if (!kwinInputOpen())
        return false;
    org_kde_kwin_fake_input_button(input.fake, BTN_LEFT,
                                   down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    return flush();
}

void settleKwinInput(bool now)
{
    if (!kwinInputOpen())
        return;
    awaitMark();
    if (!sendMark() || !now)
        return;
    awaitMark();
}
