// The desktop on Windows: SendInput for the pointer, the display device context for
// the screen, GetAsyncKeyState for the keys; the pacing's clock and waits are
// windows_timing's.

#include "desktop/platform.h"
#include "backends/windows/windows_duplication.h"
#include "backends/windows/windows_monitors.h"
#include "backends/windows/windows_timing.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace {

struct WindowsState {
    bool open = false;
    HDC display = nullptr;
};

WindowsState win;

void releaseAll()
{
    if (win.display != nullptr)
        ReleaseDC(nullptr, win.display);
    closeDesktopDuplication();
    closeWindowsTiming();
    win = WindowsState{};
}

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

const char* openWindows()
{
    if (win.open)
        return "";
    // Screen size, screen reads and absolute input all in real pixels: on a scaled
    // display an unaware program would read a stretched copy of the screen.
    SetProcessDPIAware();
    // The screen's own device context: its coordinates are the screen's, negative
    // left of and above the primary. (Wine counts a "DISPLAY" context's from the
    // virtual screen's corner instead.)
    win.display = GetDC(nullptr);
    if (win.display == nullptr) {
        releaseAll();
        return "Can't open the display to read the screen!\n";
    }
    const bool wine = runningUnderWine();
    openWindowsTiming(wine);
    // Wine has no desktop duplication: its screen is read through the device context.
    if (!wine)
        openDesktopDuplication();
    win.open = true;
    return "";
}

void closeWindows() { releaseAll(); }

void minimiseWindows()
{
    if (HWND console = GetConsoleWindow(); console != nullptr)
        ShowWindow(console, SW_MINIMIZE);
}

void screenSizeWindows(int32_t* width, int32_t* height)
{
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

// Screen colours as GDI gives them from a 32-bit DIB (blue in the low byte) turned
// into 0x00BBGGRR.
uint32_t fromDibPixel(uint32_t pixel)
{
    return (pixel >> 16 & 0xFFu) | (pixel & 0xFF00u) | (pixel & 0xFFu) << 16;
}

void captureWindows(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    if (width <= 0 || height <= 0)
        return;
    std::fill(out, out + int64_t{width} * height, invalidColour);
    if (win.display == nullptr)
        return;
    // Clipped here: the display reads pixels off the screen as black, not as unreadable.
    // The screen is every monitor's, left of and above the primary too.
    const ScreenRect desk = windowsVirtualScreen();
    const int64_t x0 = std::max<int64_t>(left, desk.left);
    const int64_t y0 = std::max<int64_t>(top, desk.top);
    const int64_t x1 = std::min<int64_t>(int64_t{left} + width, int64_t{desk.left} + desk.width);
    const int64_t y1 = std::min<int64_t>(int64_t{top} + height, int64_t{desk.top} + desk.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const int w = static_cast<int>(x1 - x0);
    const int h = static_cast<int>(y1 - y0);
    if (readDuplicatedScreen(static_cast<int32_t>(x0), static_cast<int32_t>(y0), w, h,
                             out + (y0 - top) * width + (x0 - left), width))
        return;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // rows top first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(win.display);
    HBITMAP section = CreateDIBSection(win.display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && section != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, w, h, win.display, static_cast<int>(x0), static_cast<int>(y0), SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            const uint32_t* pixels = static_cast<const uint32_t*>(bits);
            for (int64_t y = 0; y < h; ++y) {
                uint32_t* row = out + (y0 + y - top) * width + (x0 - left);
                for (int64_t x = 0; x < w; ++x)
                    row[x] = fromDibPixel(pixels[y * w + x]);
            }
        }
        SelectObject(memory, previous);
    }
    if (section != nullptr)
        DeleteObject(section);
    if (memory != nullptr)
        DeleteDC(memory);
}

uint32_t readWindows(int32_t x, int32_t y)
{
    const ScreenRect desk = windowsVirtualScreen();
    if (win.display == nullptr || x < desk.left || y < desk.top || x - int64_t{desk.left} >= desk.width ||
        y - int64_t{desk.top} >= desk.height)
        return invalidColour;
    const COLORREF colour = GetPixel(win.display, x, y);
    return colour == CLR_INVALID ? invalidColour : static_cast<uint32_t>(colour);
}

void sendWindows(const MouseInputRecord& record)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = record.dx;
    input.mi.dy = record.dy;
    if (record.flags & mouseAbsolute) {
        // Everything outside 0..65535 lands on the screen's rim, so that is where it
        // is sent: Wine scales the coordinate by the screen size in 32 bits, so one
        // some 25 screens off would wrap round, possibly onto the board.
        input.mi.dx = std::clamp<LONG>(record.dx, 0, 65535);
        input.mi.dy = std::clamp<LONG>(record.dy, 0, 65535);
    }
    input.mi.mouseData = record.mouseData;
    input.mi.dwFlags = record.flags;
    input.mi.time = record.time;
    input.mi.dwExtraInfo = record.extraInfo;
    noteWindowsSend();
    SendInput(1, &input, sizeof(INPUT));
}

bool keyDownWindows(ControlKey key)
{
    int vk = VK_ESCAPE;
    if (key == ControlKey::KeypadMinus)
        vk = VK_SUBTRACT;
    else if (key == ControlKey::KeypadPlus)
        vk = VK_ADD;
    return (static_cast<uint16_t>(GetAsyncKeyState(vk)) & 0x8000u) != 0;
}

// The console's title: the console is minimised, so it shows on its taskbar button.
// The title it had comes back when the status is taken away.
void statusWindows(const char* text)
{
    static wchar_t saved[512];
    static bool shown = false;
    if (*text == '\0') {
        if (shown)
            SetConsoleTitleW(saved);
        shown = false;
        return;
    }
    if (!shown && GetConsoleTitleW(saved, 512) == 0)
        saved[0] = L'\0';
    shown = true;
    wchar_t wide[256];
    if (MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 256) > 0)
        SetConsoleTitleW(wide);
}

const DesktopBackend windowsBackend = {
    openWindows, closeWindows, minimiseWindows, windowsSleep, windowsPause, screenSizeWindows,
    captureWindows, readWindows, sendWindows, keyDownWindows, windowsClockMs, statusWindows,
    nullptr, nullptr, nullptr, windowsPauseMicroseconds, windowsClockUs,
    windowsDisplayScale, windowsMonitors, nullptr, windowsVirtualScreenArea,
};

}  // namespace

const DesktopBackend& nativeDesktop() { return windowsBackend; }
