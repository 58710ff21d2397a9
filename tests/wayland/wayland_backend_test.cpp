// The Wayland backend on a real compositor: a headless sway of its own (run under
// tests/tools/with-sway, as sway's user). The test sets sway's background with
// swaymsg to know what the screen shows, and types keys with wtype, which reach
// the backend only through the bindings it makes over sway's IPC.

#include "backends/wlroots/sway_keys.h"
#include "backends/wlroots/wayland_screencopy.h"
#include "desktop/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// Polls until the condition holds, for a few seconds at most.
template <typename Condition>
bool within(Condition condition, int seconds = 5)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

class WaylandBackend : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_NE(std::getenv("WAYLAND_DISPLAY"), nullptr) << "run under tests/tools/with-sway";
        useDesktop(nativeDesktop());
        opened = openDesktop();
    }
    static void TearDownTestSuite() { closeDesktop(); }

    void SetUp() override { ASSERT_EQ(opened, std::string()); }

    // Sway's background in one colour (0xRRGGBB), shown once swaybg has drawn it.
    static void paintBackground(uint32_t rgb)
    {
        char colour[8];
        std::snprintf(colour, sizeof colour, "%06X", rgb);
        ASSERT_TRUE(run(std::string("swaymsg -q output '*' bg '#") + colour + "' solid_color"));
        const uint32_t expected = (rgb >> 16) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
        ASSERT_TRUE(within([&] { return readScreenPixel(640, 512) == expected; })) << colour;
    }

    static std::string opened;
};

std::string WaylandBackend::opened;

TEST_F(WaylandBackend, TheScreenIsTheOutputInLogicalPixels)
{
    int32_t width = 0;
    int32_t height = 0;
    primaryScreenSize(width, height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
}

TEST_F(WaylandBackend, CapturesReadExactColoursAndNothingOffTheScreen)
{
    paintBackground(0x1A2B3C);
    // A rectangle over the bottom-right corner: 10 x 10 on the screen, the rest off it.
    std::vector<uint32_t> pixels(20 * 20, 0);
    captureScreen(1270, 1014, 20, 20, pixels.data());
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x)
            EXPECT_EQ(pixels[size_t(y * 20 + x)], x < 10 && y < 10 ? 0x3C2B1Au : invalidColour) << x << ", " << y;
    EXPECT_EQ(readScreenPixel(0, 0), 0x3C2B1Au);
    EXPECT_EQ(readScreenPixel(-1, 0), invalidColour);
    EXPECT_EQ(readScreenPixel(0, 1024), invalidColour);
    paintBackground(0x999999);
    EXPECT_EQ(readScreenPixel(1279, 1023), 0x999999u);
}

TEST_F(WaylandBackend, AStartedCopyIsPolledUntilItsFrameComes)
{
    paintBackground(0xFFFFFF);
    std::vector<uint32_t> rows(300 * 2, 0);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(beginScreenCopy(100, 247, 300, 2));
        ScreenCopyState state = ScreenCopyState::Pending;
        int64_t polls = 0;
        ASSERT_TRUE(within([&] {
            ++polls;
            state = screenCopyReady(rows.data());
            return state != ScreenCopyState::Pending;
        }));
        EXPECT_EQ(state, ScreenCopyState::Ready) << "after " << polls << " polls";
        EXPECT_EQ(rows, std::vector<uint32_t>(600, 0xFFFFFFu));
        EXPECT_EQ(screenCopyReady(rows.data()), ScreenCopyState::Idle);
    }
    // A copy dropped half way leaves nothing behind; one wholly off the screen
    // needs no frame.
    ASSERT_TRUE(beginScreenCopy(0, 0, 10, 10));
    cancelScreenCopy();
    EXPECT_EQ(screenCopyReady(rows.data()), ScreenCopyState::Idle);
    ASSERT_TRUE(beginScreenCopy(-20, -20, 10, 10));
    EXPECT_EQ(screenCopyReady(rows.data()), ScreenCopyState::Ready);
    EXPECT_EQ(rows[0], invalidColour);
    EXPECT_FALSE(beginScreenCopy(0, 0, 0, 5));

    // The same through the desktop's own operations, as the page watchdog looks;
    // a read that waits meanwhile (the first-stroke check's) leaves the look to come
    // a frame later, never read as a screen without the page.
    for (const bool readBetween : {false, true}) {
        std::fill(rows.begin(), rows.end(), 0u);
        beginCapture(100, 247, 300, 2);
        if (readBetween) {
            EXPECT_EQ(readScreenPixel(5, 5), 0xFFFFFFu);
        }
        ASSERT_TRUE(within([&] { return captureDone(rows.data()); }));
        EXPECT_EQ(rows, std::vector<uint32_t>(600, 0xFFFFFFu)) << "read between " << readBetween;
    }
}

TEST_F(WaylandBackend, KeysComeThroughSwaysBindingsAndGoWithThem)
{
    // Minus and plus are seen once per press; Escape stays down.
    ASSERT_TRUE(run("wtype -k KP_Subtract"));
    EXPECT_TRUE(within([] { return isKeyDown(ControlKey::KeypadMinus); }));
    EXPECT_FALSE(isKeyDown(ControlKey::KeypadMinus));
    ASSERT_TRUE(run("wtype -k KP_Add"));
    EXPECT_TRUE(within([] { return isKeyDown(ControlKey::KeypadPlus); }));
    EXPECT_FALSE(isKeyDown(ControlKey::KeypadPlus));
    EXPECT_FALSE(isKeyDown(ControlKey::Escape));
    ASSERT_TRUE(run("wtype -k Escape"));
    EXPECT_TRUE(within([] { return isKeyDown(ControlKey::Escape); }));
    EXPECT_TRUE(isKeyDown(ControlKey::Escape));

    // Once the desktop is let go, the keys are sway's (or the page's) again.
    closeDesktop();
    ASSERT_TRUE(run("wtype -k KP_Add"));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(swayKeyDown(ControlKey::KeypadPlus));
    opened = openDesktop();
    ASSERT_EQ(opened, std::string());
    EXPECT_FALSE(isKeyDown(ControlKey::Escape));  // a new run starts with no key down
}

TEST_F(WaylandBackend, WithoutSwaysSocketTheRunSaysTheKeysAreNotThere)
{
    // Another wlroots compositor: everything but the keys works, and the run says so.
    closeDesktop();
    const std::string socket = std::getenv("SWAYSOCK");
    unsetenv("SWAYSOCK");
    testing::internal::CaptureStdout();
    opened = openDesktop();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Escape and the keypad keys can't be read on this desktop: switching away from the page pauses the "
              "drawing, Ctrl+C in this console stops it\n");
    ASSERT_EQ(opened, std::string());
    ASSERT_TRUE(run("SWAYSOCK='" + socket + "' wtype -k Escape"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(isKeyDown(ControlKey::Escape));
    EXPECT_NE(readScreenPixel(10, 10), invalidColour);

    closeDesktop();
    setenv("SWAYSOCK", socket.c_str(), 1);
    opened = openDesktop();
}

TEST_F(WaylandBackend, PointerRecordsAndTheirPacingGoThrough)
{
    // Where they land is the end-to-end cases' to see (a page must be there to
    // tell); here the records go out paced from their send, as on X11.
    MouseInputRecord record;
    record.dx = 32768;
    record.dy = 32768;
    const Clock::time_point start = Clock::now();
    for (uint32_t flags : {pressFlags, releaseFlags, pressFlags, releaseFlags}) {
        record.flags = flags;
        sendMouseInput(record);
        pauseAfterInput(1);
    }
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4));
    EXPECT_GT(clockMilliseconds(), 0);
}

TEST_F(WaylandBackend, TheCursorIsKeptOutOfWhatIsCopied)
{
    // Sway draws its cursor into the frames it copies; a copy around the pointer
    // must show what is under it all the same.
    paintBackground(0x999999);
    for (const int32_t corner : {0, 1, 2, 3}) {
        const int32_t x = corner % 2 == 0 ? 40 : 1240;
        const int32_t y = corner / 2 == 0 ? 40 : 984;
        MouseInputRecord record;
        record.dx = x * 65536 / 1280;
        record.dy = y * 65536 / 1024;
        record.flags = mouseAbsolute | mouseMove;
        sendMouseInput(record);
        std::vector<uint32_t> around(80 * 80, 0);
        captureScreen(x - 40, y - 40, 80, 80, around.data());
        EXPECT_EQ(around, std::vector<uint32_t>(around.size(), 0x999999u)) << x << ", " << y;
    }
}

}  // namespace
