// KDE Plasma's pointer through KWin's fake input, against a compositor of the
// test's own (libwayland-server on a thread) that logs what it is sent.

#include "backends/portal/kwin_input.h"

#include "fake-input-server-protocol.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>
#include <wayland-server.h>

namespace {

struct FakeKwin {
    wl_display* display = nullptr;
    wl_client* client = nullptr;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> dropClient{false};
    std::atomic<bool> dropped{false};
    std::mutex lock;
    std::vector<std::string> log;

    void note(std::string what)
    {
        const std::lock_guard<std::mutex> guard(lock);
        log.push_back(std::move(what));
    }
    std::vector<std::string> seen()
    {
        const std::lock_guard<std::mutex> guard(lock);
        return log;
    }
};

FakeKwin& kwinOf(wl_resource* resource) { return *static_cast<FakeKwin*>(wl_resource_get_user_data(resource)); }

void authenticate(wl_client*, wl_resource* r, const char* application, const char*)
{
    kwinOf(r).note(std::string("authenticate ") + application);
}
void motion(wl_client*, wl_resource* r, wl_fixed_t, wl_fixed_t) { kwinOf(r).note("relative motion"); }
void button(wl_client*, wl_resource* r, uint32_t button, uint32_t state)
{
    kwinOf(r).note("button " + std::to_string(button) + " " + std::to_string(state));
}
void axis(wl_client*, wl_resource*, uint32_t, wl_fixed_t) {}
void touchDown(wl_client*, wl_resource*, uint32_t, wl_fixed_t, wl_fixed_t) {}
void touchUp(wl_client*, wl_resource*, uint32_t) {}
void touchNone(wl_client*, wl_resource*) {}
void absolute(wl_client*, wl_resource* r, wl_fixed_t x, wl_fixed_t y)
{
    kwinOf(r).note("to " + std::to_string(wl_fixed_to_int(x)) + " " + std::to_string(wl_fixed_to_int(y)));
}
void key(wl_client*, wl_resource*, uint32_t, uint32_t) {}

const struct org_kde_kwin_fake_input_interface fakeInput = {
    authenticate, motion, button, axis, touchDown, touchDown, touchUp, touchNone, touchNone, absolute, key,
};

void bind(wl_client* client, void* data, uint32_t version, uint32_t id)
{
    wl_resource* resource = wl_resource_create(client, &org_kde_kwin_fake_input_interface, int(version), id);
    wl_resource_set_implementation(resource, &fakeInput, data, nullptr);
}

// Starts a compositor offering the fake input at version (none: 0), and points
// this process's next Wayland connection at it.
void startFakeKwin(FakeKwin& kwin, int version)
{
    kwin.display = wl_display_create();
    if (version > 0)
        wl_global_create(kwin.display, &org_kde_kwin_fake_input_interface, version, &kwin, bind);
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    kwin.client = wl_client_create(kwin.display, ends[0]);
    setenv("WAYLAND_SOCKET", std::to_string(ends[1]).c_str(), 1);
    kwin.thread = std::thread([&kwin] {
        wl_event_loop* loop = wl_display_get_event_loop(kwin.display);
        while (!kwin.stop) {
            if (kwin.dropClient.exchange(false) && kwin.client != nullptr) {
                wl_client_destroy(kwin.client);
                kwin.client = nullptr;
                kwin.dropped = true;
            }
            wl_event_loop_dispatch(loop, 5);
            wl_display_flush_clients(kwin.display);
        }
    });
}

void stopFakeKwin(FakeKwin& kwin)
{
    closeKwinInput();
    kwin.stop = true;
    kwin.thread.join();
    wl_display_destroy_clients(kwin.display);
    wl_display_destroy(kwin.display);
}

TEST(KwinInput, EverythingSentHasReachedKwinInOrderOnceSettled)
{
    FakeKwin kwin;
    startFakeKwin(kwin, 4);
    ASSERT_TRUE(openKwinInput());
    EXPECT_TRUE(kwinPointerTo(120, 250));
    EXPECT_TRUE(kwinLeftButton(true));
    EXPECT_TRUE(kwinPointerTo(1279, 1023));
    EXPECT_TRUE(kwinLeftButton(false));
    settleKwinInput(false);  // a mark sent, not waited for
    EXPECT_TRUE(kwinPointerTo(0, 0));
    settleKwinInput(true);
    // BTN_LEFT, pressed then released.
    const std::vector<std::string> expected = {"authenticate scrivdraw", "to 120 250", "button 272 1",
                                               "to 1279 1023", "button 272 0", "to 0 0"};
    EXPECT_EQ(kwin.seen(), expected);
    EXPECT_TRUE(kwinInputOpen());
    stopFakeKwin(kwin);
    EXPECT_FALSE(kwinInputOpen());
}

TEST(KwinInput, WithoutTheAbsolutePointerThePortalServes)
{
    for (int version : {0, 2}) {
        FakeKwin kwin;
        startFakeKwin(kwin, version);
        EXPECT_FALSE(openKwinInput()) << version;
        EXPECT_FALSE(kwinInputOpen()) << version;
        EXPECT_FALSE(kwinPointerTo(1, 1)) << version;
        EXPECT_FALSE(kwinLeftButton(true)) << version;
        settleKwinInput(true);
        stopFakeKwin(kwin);
        EXPECT_TRUE(kwin.seen().empty()) << version;
    }
    // No compositor to connect to at all.
    unsetenv("WAYLAND_SOCKET");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    setenv("WAYLAND_DISPLAY", "/nonexistent/scrivdraw-test", 1);
    EXPECT_FALSE(openKwinInput());
    if (display != nullptr)
        setenv("WAYLAND_DISPLAY", saved.c_str(), 1);
    else
        unsetenv("WAYLAND_DISPLAY");
}

TEST(KwinInput, AConnectionKwinClosedSendsNothingMore)
{
    FakeKwin kwin;
    startFakeKwin(kwin, 3);
    ASSERT_TRUE(openKwinInput());
    kwin.dropClient = true;
    while (!kwin.dropped)
        std::this_thread::yield();
    // The settle learns of the close instead of waiting for an answer.
    settleKwinInput(true);
    EXPECT_FALSE(kwinInputOpen());
    EXPECT_FALSE(kwinPointerTo(5, 5));
    EXPECT_FALSE(kwinLeftButton(false));
    stopFakeKwin(kwin);
    EXPECT_EQ(kwin.seen(), std::vector<std::string>{"authenticate scrivdraw"});
}

}  // namespace
