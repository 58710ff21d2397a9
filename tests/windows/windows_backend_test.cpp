// The Windows backend on a real display: under Wine on a virtual X display of its
// own (tests/tools/with-xvfb, then tests/tools/wine-on-display). Beside the backend
// the test keeps a window of its own, borderless over the whole screen, showing a
// pattern of known colours and recording where the left button's messages land,
// so that what the backend sends and reads is checked against what the window
// system really did.

#include "desktop/platform.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct ButtonMessage {
    bool down = false;
    int32_t x = 0;
    int32_t y = 0;
};

struct TestWindow {
    HWND window = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<ButtonMessage> buttons;
};

TestWindow testWindow;

// Every pixel a colour of its own in all three channels, so a capture that is
// shifted, mirrored, or has red and blue swapped cannot match.
uint32_t patternColour(int32_t x, int32_t y)  // 0x00BBGGRR
{
    const uint32_t red = static_cast<uint32_t>(x) & 0xFFu;
    const uint32_t green = static_cast<uint32_t>(y) & 0xFFu;
    const uint32_t blue = static_cast<uint32_t>(x / 256 * 16 + y / 256 * 64 + (x ^ y) % 16) & 0xFFu;
    return red | green << 8 | blue << 16;
}

int32_t lowSigned(LPARAM value) { return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF)); }
int32_t highSigned(LPARAM value) { return static_cast<int16_t>(static_cast<uint16_t>((value >> 16) & 0xFFFF)); }

LRESULT CALLBACK testProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        // Releases off the window still come here.
        SetCapture(window);
        testWindow.buttons.push_back({true, lowSigned(lParam), highSigned(lParam)});
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window)
            ReleaseCapture();
        testWindow.buttons.push_back({false, lowSigned(lParam), highSigned(lParam)});
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC target = BeginPaint(window, &paint);
        const RECT& r = paint.rcPaint;
        BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, testWindow.memory, r.left, r.top, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Handles the window's messages for up to ms milliseconds, until done() holds.
template <typename Condition>
bool pumpUntil(Condition done, DWORD ms = 5000)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now < 10 ? deadline - now : 10),
                                  QS_ALLINPUT);
    }
}

bool openTestWindow()
{
    testWindow.width = GetSystemMetrics(SM_CXSCREEN);
    testWindow.height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = testWindow.width;
    info.bmiHeader.biHeight = -testWindow.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    testWindow.memory = CreateCompatibleDC(nullptr);
    testWindow.bitmap = CreateDIBSection(testWindow.memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (testWindow.memory == nullptr || testWindow.bitmap == nullptr || bits == nullptr)
        return false;
    testWindow.previous = SelectObject(testWindow.memory, testWindow.bitmap);
    uint32_t* pixels = static_cast<uint32_t*>(bits);
    for (int32_t y = 0; y < testWindow.height; ++y)
        for (int32_t x = 0; x < testWindow.width; ++x) {
            const uint32_t c = patternColour(x, y);
            // The bitmap holds 0x00RRGGBB.
            pixels[size_t(y) * size_t(testWindow.width) + size_t(x)] =
                (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
        }
    GdiFlush();

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = testProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ScrivdrawBackendTest";
    RegisterClassA(&windowClass);
    testWindow.window = CreateWindowExA(WS_EX_APPWINDOW, "ScrivdrawBackendTest", "backend test", WS_POPUP, 0, 0,
                                        testWindow.width, testWindow.height, nullptr, nullptr,
                                        windowClass.hInstance, nullptr);
    if (testWindow.window == nullptr)
        return false;
    ShowWindow(testWindow.window, SW_SHOW);
    UpdateWindow(testWindow.window);
    SetForegroundWindow(testWindow.window);
    SetFocus(testWindow.window);
    return true;
}

void closeTestWindow()
{
    if (testWindow.window != nullptr)
        DestroyWindow(testWindow.window);
    if (testWindow.memory != nullptr && testWindow.previous != nullptr)
        SelectObject(testWindow.memory, testWindow.previous);
    if (testWindow.bitmap != nullptr)
        DeleteObject(testWindow.bitmap);
    if (testWindow.memory != nullptr)
        DeleteDC(testWindow.memory);
    testWindow = TestWindow{};
}

bool screenShowsPattern(int32_t left, int32_t top, int32_t width, int32_t height)
{
    std::vector<uint32_t> shown(size_t(width) * size_t(height));
    captureScreen(left, top, width, height, shown.data());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (shown[size_t(y) * size_t(width) + size_t(x)] != patternColour(left + x, top + y))
                return false;
    return true;
}

class WindowsBackend : public testing::Test {
protected:
    static void SetUpTestSuite() { windowOpened = openTestWindow(); }
    static void TearDownTestSuite() { closeTestWindow(); }

    void SetUp() override
    {
        ASSERT_TRUE(windowOpened) << "no window to test with";
        useDesktop(nativeDesktop());
        ASSERT_STREQ(openDesktop(), "");
        primaryScreenSize(ScreenSize.width, ScreenSize.height);
        // The window is up once the screen shows its pattern, read through the backend.
        ASSERT_TRUE(pumpUntil([] { return screenShowsPattern(0, 0, testWindow.width, testWindow.height); }))
            << "the screen never showed the test window's pattern exactly";
        testWindow.buttons.clear();
    }

    void TearDown() override { closeDesktop(); }

    static bool windowOpened;
};

bool WindowsBackend::windowOpened = false;

TEST_F(WindowsBackend, ReportsTheScreenSizeOfTheVirtualDisplay)
{
    // tests/tools/with-xvfb makes a 1280 x 1024 screen.
    EXPECT_EQ(ScreenSize.width, 1280);
    EXPECT_EQ(ScreenSize.height, 1024);
}

TEST_F(WindowsBackend, CaptureReadsExactColoursAndOffScreenAsInvalid)
{
    const int32_t w = ScreenSize.width;
    const int32_t h = ScreenSize.height;
    // The band the board finder reads, whole.
    EXPECT_TRUE(screenShowsPattern(50, 199, 750, 201));

    // Rectangles across each rim: the screen part exact, the rest unreadable (the
    // display itself reads off-screen pixels as black).
    const struct {
        int32_t left, top, width, height;
    } rims[] = {{-5, -3, 12, 9},    {w - 7, h - 4, 15, 10}, {w - 3, 100, 8, 2},
                {200, -2, 3, 5},    {-20, -20, 10, 10},     {w, h, 4, 4},
                {INT32_MAX - 1, INT32_MAX - 1, 2, 2}, {INT32_MIN, INT32_MIN, 3, 3}};
    for (const auto& r : rims) {
        std::vector<uint32_t> shown(size_t(r.width) * size_t(r.height), 0);
        captureScreen(r.left, r.top, r.width, r.height, shown.data());
        for (int32_t y = 0; y < r.height; ++y)
            for (int32_t x = 0; x < r.width; ++x) {
                const int64_t sx = int64_t{r.left} + x;
                const int64_t sy = int64_t{r.top} + y;
                const bool on = sx >= 0 && sy >= 0 && sx < w && sy < h;
                const uint32_t wanted =
                    on ? patternColour(static_cast<int32_t>(sx), static_cast<int32_t>(sy)) : invalidColour;
                ASSERT_EQ(shown[size_t(y) * size_t(r.width) + size_t(x)], wanted)
                    << "pixel " << sx << ',' << sy << " of the capture at " << r.left << ',' << r.top;
            }
    }

    for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, h - 1}, {465, 422}, {255, 256}, {1000, 3}})
        EXPECT_EQ(readScreenPixel(x, y), patternColour(x, y)) << x << ',' << y;
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {w, 0}, {0, h}, {INT32_MAX, INT32_MIN}})
        EXPECT_EQ(readScreenPixel(x, y), invalidColour) << x << ',' << y;
}

// Each gesture reaches the window as one press and one release, on the pixels it
// names; the coordinates go through the same mapping the drawing uses.
TEST_F(WindowsBackend, GesturesLandOnTheirPixels)
{
    const int32_t w = ScreenSize.width;
    const int32_t h = ScreenSize.height;
    const struct {
        int32_t x1, y1, x2, y2;
    } gestures[] = {
        {0, 0, 0, 0},
        {w / 2, h / 2, w / 2, h / 2},
        {w - 1, h - 1, w - 1, h - 1},
        {465, 422, 465, 422},  // a slider pixel of the default board
        {37, 911, 38, 911},
        {100, 250, 399, 549},  // strokes across the default board
        {399, 250, 100, 549},
        {1, 1, w - 2, h - 2},
    };
    for (const auto& g : gestures) {
        testWindow.buttons.clear();
        if (g.x1 == g.x2 && g.y1 == g.y2)
            clickAt(g.x1, g.y1);
        else
            strokeBetween(g.x1, g.y1, g.x2, g.y2);
        ASSERT_TRUE(pumpUntil([] { return testWindow.buttons.size() >= 2; }))
            << "no press and release for " << g.x1 << ',' << g.y1 << " to " << g.x2 << ',' << g.y2;
        ASSERT_EQ(testWindow.buttons.size(), 2u);
        EXPECT_TRUE(testWindow.buttons[0].down);
        EXPECT_EQ(testWindow.buttons[0].x, g.x1);
        EXPECT_EQ(testWindow.buttons[0].y, g.y1);
        EXPECT_FALSE(testWindow.buttons[1].down);
        EXPECT_EQ(testWindow.buttons[1].x, g.x2);
        EXPECT_EQ(testWindow.buttons[1].y, g.y2);
    }
    // The left button is up again after every gesture.
    EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
}

// Records are passed on as they are; the system maps them by flooring and stops
// the pointer at the screen's rim.
TEST_F(WindowsBackend, RecordsLandByFlooringAndStopAtTheRim)
{
    const int32_t w = ScreenSize.width;
    const int32_t h = ScreenSize.height;
    const struct {
        int32_t ax, ay;
        int32_t x, y;
    } records[] = {
        // One below the first coordinate of a pixel lands on the pixel before it.
        {toAbsolute(w / 2, h / 2).ax - 1, toAbsolute(w / 2, h / 2).ay - 1, w / 2 - 1, h / 2 - 1},
        {65535, 65535, w - 1, h - 1},
        {INT32_MAX, INT32_MIN, w - 1, 0},
        {-70000, 70000, 0, h - 1},
    };
    for (const auto& r : records) {
        testWindow.buttons.clear();
        for (const uint32_t flags : {pressFlags, releaseFlags}) {
            MouseInputRecord record;
            record.dx = r.ax;
            record.dy = r.ay;
            record.flags = flags;
            sendMouseInput(record);
            pauseAfterInput(1);
        }
        ASSERT_TRUE(pumpUntil([] { return testWindow.buttons.size() >= 2; })) << r.ax << ',' << r.ay;
        for (const ButtonMessage& b : testWindow.buttons) {
            EXPECT_EQ(b.x, r.x) << "dx " << r.ax;
            EXPECT_EQ(b.y, r.y) << "dy " << r.ay;
        }
    }
}

// Wine starts Unix programs too, so the test holds keys with xdotool itself. Wine
// hands back no handle to wait on for them: the key state itself tells when the
// command has done its work.
bool startUnixCommand(const std::string& command)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::string line = command;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hThread != nullptr)
        CloseHandle(process.hThread);
    if (process.hProcess != nullptr)
        CloseHandle(process.hProcess);
    return true;
}

TEST_F(WindowsBackend, SeesTheControlKeysHeldWhileItsWindowHasTheFocus)
{
    // Keys reach the window under the pointer; put it there.
    clickAt(ScreenSize.width / 2, ScreenSize.height / 2);
    ASSERT_TRUE(pumpUntil([] { return testWindow.buttons.size() >= 2; }));

    const struct {
        const char* name;  // as xdotool names it
        ControlKey key;
    } keys[] = {{"KP_Subtract", ControlKey::KeypadMinus}, {"KP_Add", ControlKey::KeypadPlus},
                {"Escape", ControlKey::Escape}};
    for (const auto& k : keys) {
        ASSERT_FALSE(isKeyDown(k.key)) << k.name;
        ASSERT_TRUE(startUnixCommand(std::string("/usr/bin/xdotool keydown ") + k.name));
        ASSERT_TRUE(pumpUntil([&] { return isKeyDown(k.key); }, 10000)) << k.name << " never seen down (xdotool?)";
        for (const auto& other : keys)
            if (other.key != k.key) {
                EXPECT_FALSE(isKeyDown(other.key)) << other.name << " while " << k.name << " is held";
            }
        ASSERT_TRUE(startUnixCommand(std::string("/usr/bin/xdotool keyup ") + k.name));
        // Escape, once seen, ends the run: it stays down, so each look forgets it.
        if (k.key == ControlKey::Escape) {
            EXPECT_TRUE(isKeyDown(k.key));
        }
        EXPECT_TRUE(pumpUntil(
            [&] {
                forgetEscape();
                return !isKeyDown(k.key);
            },
            10000))
            << k.name << " never seen up";
    }
}

// The pause after a record is measured from its send and never ends early; a
// plain sleep never ends early either. (How late they end is the benchmark's.)
TEST_F(WindowsBackend, PausesNeverEndEarly)
{
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    for (const int32_t ms : {1, 2, 5}) {
        LARGE_INTEGER before{};
        LARGE_INTEGER after{};
        MouseInputRecord record;
        record.dx = toAbsolute(5, 5).ax;
        record.dy = toAbsolute(5, 5).ay;
        record.flags = mouseAbsolute | mouseMove;  // a move only: nothing is clicked
        QueryPerformanceCounter(&before);
        sendMouseInput(record);
        pauseAfterInput(ms);
        QueryPerformanceCounter(&after);
        EXPECT_GE((after.QuadPart - before.QuadPart) * 1000, int64_t{ms} * frequency.QuadPart) << ms << " ms pause";

        QueryPerformanceCounter(&before);
        sleepMilliseconds(ms);
        QueryPerformanceCounter(&after);
        EXPECT_GE((after.QuadPart - before.QuadPart) * 1000, int64_t{ms} * frequency.QuadPart) << ms << " ms sleep";
    }
    // Nothing to wait for: these return at once rather than hang.
    pauseAfterInput(0);
    pauseAfterInput(-3);
    sleepMilliseconds(0);
    sleepMilliseconds(-5);
}

TEST_F(WindowsBackend, ReopensAndToleratesAMissingConsoleWindow)
{
    closeDesktop();
    closeDesktop();
    // Pausing with the desktop closed must not wait on a timer that is gone.
    pauseAfterInput(1);
    ASSERT_STREQ(openDesktop(), "");
    ASSERT_STREQ(openDesktop(), "");
    // Under Wine a program started from a Unix shell has no console window.
    minimiseConsole();
    EXPECT_EQ(readScreenPixel(3, 4), patternColour(3, 4));
}

}  // namespace
