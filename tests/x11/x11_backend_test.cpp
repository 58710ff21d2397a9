// The X11 backend on a real (virtual) X display. Beside the backend the test keeps a
// connection of its own: a full-screen window of known colours that records where
// button events land, and a watch on the root for the iconify request.

#include "desktop/platform.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"

// The test framework first: Xlib's macros (None, Bool, Status) would rename its code.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct TestClient {
    Display* display = nullptr;
    Window root = 0;
    Window window = 0;
    int width = 0;
    int height = 0;
};

// Waits, up to a few seconds, for an event of the given type on the window (or any
// window when window is 0).
bool waitForEvent(Display* display, int type, Window window, XEvent& event)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (event.type == type && (window == 0 || event.xany.window == window))
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

unsigned long allocate(Display* display, uint32_t rgb)
{
    XColor colour{};
    colour.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
    colour.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
    colour.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
    XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &colour);
    return colour.pixel;
}

void fill(const TestClient& client, int x, int y, int width, int height, uint32_t rgb)
{
    GC gc = XCreateGC(client.display, client.window, 0, nullptr);
    XSetForeground(client.display, gc, allocate(client.display, rgb));
    XFillRectangle(client.display, client.window, gc, x, y, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
    XFreeGC(client.display, gc);
    XSync(client.display, False);
}

class X11Backend : public testing::Test {
protected:
    void SetUp() override
    {
        client.display = XOpenDisplay(nullptr);
        ASSERT_NE(client.display, nullptr) << "no X display; run under tests/tools/with-xvfb";
        const int screen = DefaultScreen(client.display);
        client.root = RootWindow(client.display, screen);
        client.width = DisplayWidth(client.display, screen);
        client.height = DisplayHeight(client.display, screen);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = allocate(client.display, 0xFFFFFF);
        client.window = XCreateWindow(client.display, client.root, 0, 0, static_cast<unsigned>(client.width),
                                      static_cast<unsigned>(client.height), 0, CopyFromParent, InputOutput,
                                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
        XSelectInput(client.display, client.window, ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
        XMapRaised(client.display, client.window);
        XEvent event;
        ASSERT_TRUE(waitForEvent(client.display, MapNotify, client.window, event));

        useDesktop(nativeDesktop());
        ASSERT_STREQ(openDesktop(), "");
        primaryScreenSize(ScreenSize.width, ScreenSize.height);
    }

    void TearDown() override
    {
        closeDesktop();
        if (client.display != nullptr) {
            XDestroyWindow(client.display, client.window);
            XCloseDisplay(client.display);
        }
    }

    TestClient client;
};

TEST_F(X11Backend, ReportsTheRootWindowSize)
{
    EXPECT_EQ(ScreenSize.width, client.width);
    EXPECT_EQ(ScreenSize.height, client.height);
}

// A press and a release record each land, as one event of button 1, on the pixel the
// coordinate maps to by flooring; coordinates past the rim stop at it.
TEST_F(X11Backend, RecordsLandOnTheirPixel)
{
    const int w = client.width;
    const int h = client.height;
    struct Target {
        int32_t ax;
        int32_t ay;
        int x;
        int y;
    } targets[] = {
        {toAbsolute(0, 0).ax, toAbsolute(0, 0).ay, 0, 0},
        {toAbsolute(w / 2, h / 2).ax, toAbsolute(w / 2, h / 2).ay, w / 2, h / 2},
        {toAbsolute(w - 1, h - 1).ax, toAbsolute(w - 1, h - 1).ay, w - 1, h - 1},
        {toAbsolute(465, 422).ax, toAbsolute(465, 422).ay, 465, 422},
        {toAbsolute(37, 911).ax, toAbsolute(37, 911).ay, 37, 911},
        // One below the first coordinate of a pixel lands on the pixel before it.
        {toAbsolute(w / 2, h / 2).ax - 1, toAbsolute(w / 2, h / 2).ay - 1, w / 2 - 1, h / 2 - 1},
        {INT32_MAX, INT32_MIN, w - 1, 0},
        {-70000, 70000, 0, h - 1},
    };
    for (const Target& t : targets) {
        for (const uint32_t flags : {pressFlags, releaseFlags}) {
            MouseInputRecord record;
            record.dx = t.ax;
            record.dy = t.ay;
            record.flags = flags;
            sendMouseInput(record);
            XEvent event;
            const int type = flags == pressFlags ? ButtonPress : ButtonRelease;
            ASSERT_TRUE(waitForEvent(client.display, type, client.window, event)) << t.x << ',' << t.y;
            EXPECT_EQ(event.xbutton.button, 1u);
            EXPECT_EQ(event.xbutton.x_root, t.x) << "dx " << t.ax;
            EXPECT_EQ(event.xbutton.y_root, t.y) << "dy " << t.ay;
        }
    }
    Window root = 0;
    Window child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XQueryPointer(client.display, client.root, &root, &child, &rootX, &rootY, &winX, &winY, &mask);
    EXPECT_EQ(rootX, 0);
    EXPECT_EQ(rootY, h - 1);
    EXPECT_EQ(mask & Button1Mask, 0u) << "button left down";
}

TEST_F(X11Backend, CaptureReturnsExactColoursAndInvalidOffScreen)
{
    fill(client, 0, 0, client.width, client.height, 0xFFFFFF);
    fill(client, 100, 248, 300, 1, 0x999999);
    fill(client, client.width - 10, client.height - 5, 10, 5, 0x123456);
    fill(client, 0, 0, 1, 1, 0xFE0102);

    // The edge line and the white above it, as the board finder reads them.
    std::vector<uint32_t> band(size_t(750) * 201);
    captureScreen(50, 199, 750, 201, band.data());
    for (int32_t r = 0; r < 201; ++r)
        for (int32_t c = 0; c < 750; ++c) {
            const bool edge = r + 199 == 248 && c + 50 >= 100 && c + 50 < 400;
            ASSERT_EQ(band[size_t(r) * 750 + size_t(c)], edge ? 0x999999u : 0xFFFFFFu) << c + 50 << ',' << r + 199;
        }

    // Red is the lowest byte; the part past the screen's corner is unreadable.
    std::vector<uint32_t> corner(20 * 10);
    captureScreen(client.width - 10, client.height - 5, 20, 10, corner.data());
    for (int32_t r = 0; r < 10; ++r)
        for (int32_t c = 0; c < 20; ++c)
            EXPECT_EQ(corner[size_t(r) * 20 + size_t(c)], r < 5 && c < 10 ? 0x563412u : invalidColour) << c << ',' << r;

    EXPECT_EQ(readScreenPixel(0, 0), 0x0201FEu);
    EXPECT_EQ(readScreenPixel(client.width - 1, client.height - 1), 0x563412u);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {client.width, 0}, {0, client.height}, {INT32_MAX, INT32_MIN}})
        EXPECT_EQ(readScreenPixel(x, y), invalidColour) << x << ',' << y;

    std::vector<uint32_t> outside(4, 0);
    captureScreen(-10, -10, 2, 2, outside.data());
    EXPECT_EQ(outside, std::vector<uint32_t>(4, invalidColour));
}

// Escape, once seen, stays down for the run: to see it go up, each look forgets it.
bool keyBecomes(ControlKey key, bool down)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        if (!down)
            forgetEscape();
        if (isKeyDown(key) == down)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST_F(X11Backend, SeesTheControlKeysHeld)
{
    const struct {
        const char* name;
        ControlKey key;
    } keys[] = {{"KP_Subtract", ControlKey::KeypadMinus}, {"KP_Add", ControlKey::KeypadPlus},
                {"Escape", ControlKey::Escape}};
    for (const auto& k : keys) {
        ASSERT_FALSE(isKeyDown(k.key)) << k.name;
        ASSERT_EQ(std::system((std::string("xdotool keydown ") + k.name).c_str()), 0) << "xdotool is needed";
        EXPECT_TRUE(keyBecomes(k.key, true)) << k.name;
        for (const auto& other : keys)
            if (other.key != k.key) {
                EXPECT_FALSE(isKeyDown(other.key)) << other.name << " while " << k.name << " is held";
            }
        ASSERT_EQ(std::system((std::string("xdotool keyup ") + k.name).c_str()), 0);
        if (k.key == ControlKey::Escape) {
            EXPECT_TRUE(isKeyDown(k.key)) << "Escape, once seen, ends the run: it stays down";
        }
        EXPECT_TRUE(keyBecomes(k.key, false)) << k.name;
    }
}

// Keys are followed by the server's events, not asked for: a key already down when
// the desktop is opened counts as down, and one pressed and released while nothing
// polls is up again at the next poll, with the other keys' state unchanged.
TEST_F(X11Backend, FollowsKeysHeldBeforeTheStartAndBetweenPolls)
{
    closeDesktop();
    ASSERT_EQ(std::system("xdotool keydown Escape"), 0) << "xdotool is needed";
    ASSERT_STREQ(openDesktop(), "");
    EXPECT_TRUE(isKeyDown(ControlKey::Escape));
    ASSERT_EQ(std::system("xdotool keyup Escape keydown KP_Add keyup KP_Add keydown KP_Subtract"), 0);
    EXPECT_TRUE(keyBecomes(ControlKey::KeypadMinus, true));
    EXPECT_TRUE(isKeyDown(ControlKey::Escape));  // seen once: the run ends
    EXPECT_TRUE(keyBecomes(ControlKey::Escape, false));
    EXPECT_FALSE(isKeyDown(ControlKey::KeypadPlus));
    ASSERT_EQ(std::system("xdotool keyup KP_Subtract"), 0);
    EXPECT_TRUE(keyBecomes(ControlKey::KeypadMinus, false));
}

// The window to iconify is asked of the root: the request is a WM_CHANGE_STATE
// message to the window manager, seen by anyone watching the root.
Window iconifyRequestFor(const TestClient& client)
{
    XSelectInput(client.display, client.root, SubstructureNotifyMask);
    XSync(client.display, False);
    minimiseConsole();
    XEvent event;
    const Atom changeState = XInternAtom(client.display, "WM_CHANGE_STATE", False);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < deadline) {
        if (waitForEvent(client.display, ClientMessage, 0, event) && event.xclient.message_type == changeState &&
            event.xclient.data.l[0] == IconicState)
            return event.xclient.window;
    }
    return 0;
}

TEST_F(X11Backend, MinimisesTheWindowActiveAtStart)
{
    closeDesktop();
    const std::string id = std::to_string(client.window);
    setenv("WINDOWID", id.c_str(), 1);
    ASSERT_STREQ(openDesktop(), "");
    EXPECT_EQ(iconifyRequestFor(client), client.window) << "from WINDOWID";

    // A window manager's _NET_ACTIVE_WINDOW comes first.
    closeDesktop();
    const Window other = XCreateSimpleWindow(client.display, client.root, 0, 0, 10, 10, 0, 0, 0);
    const Atom active = XInternAtom(client.display, "_NET_ACTIVE_WINDOW", False);
    XChangeProperty(client.display, client.root, active, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&other), 1);
    XSync(client.display, False);
    ASSERT_STREQ(openDesktop(), "");
    EXPECT_EQ(iconifyRequestFor(client), other) << "from _NET_ACTIVE_WINDOW";
    XDeleteProperty(client.display, client.root, active);
    XDestroyWindow(client.display, other);
    XSync(client.display, False);

    // A window that does not exist must not end the run.
    closeDesktop();
    setenv("WINDOWID", "0x7ffffff0", 1);
    ASSERT_STREQ(openDesktop(), "");
    minimiseConsole();
    EXPECT_EQ(readScreenPixel(-1, -1), invalidColour);  // still talking to the server
    unsetenv("WINDOWID");
}

TEST(X11BackendOpening, WithoutADisplayIsOneClearLine)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved != nullptr ? saved : "";
    useDesktop(nativeDesktop());
    for (const char* value : {"", ":4095"}) {
        setenv("DISPLAY", value, 1);
        EXPECT_STREQ(openDesktop(), "Can't open the X display (is DISPLAY set?)\n") << "DISPLAY=" << value;
    }
    unsetenv("DISPLAY");
    EXPECT_STREQ(openDesktop(), "Can't open the X display (is DISPLAY set?)\n");
    // Nothing works without the display, and nothing breaks either.
    int32_t width = -1;
    int32_t height = -1;
    primaryScreenSize(width, height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(readScreenPixel(0, 0), invalidColour);
    EXPECT_FALSE(isKeyDown(ControlKey::Escape));
    sendMouseInput(MouseInputRecord{});
    minimiseConsole();
    setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
