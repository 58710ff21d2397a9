#include "backends/windows/windows_monitors.h"

#include <windows.h>

namespace {

// shcore's GetDpiForMonitor, Windows 8.1 on; MDT_EFFECTIVE_DPI is 0. Looked up
// at run time so that the program still starts where it is missing.
using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR monitor, int kind, UINT* dpiX, UINT* dpiY);

DpiForMonitor dpiForMonitor()
{
    static const DpiForMonitor found = [] {
        HMODULE shcore = LoadLibraryA("shcore.dll");
        return shcore == nullptr ? nullptr
                                 : reinterpret_cast<DpiForMonitor>(
                                       reinterpret_cast<void (*)()>(GetProcAddress(shcore, "GetDpiForMonitor")));
    }();
    return found;
}

int32_t percentOfDpi(int64_t dpi) { return dpi > 0 && dpi < 10000 ? static_cast<int32_t>((dpi * 100 + 48) / 96) : 0; }

struct MonitorList {
    ScreenRect* out;
    int32_t most;
    int32_t count;
};

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data)
{
    MonitorList& list = *reinterpret_cast<MonitorList*>(data);
    if (list.count < list.most)
        list.out[list.count] = {static_cast<int32_t>(rect->left), static_cast<int32_t>(rect->top),
                                static_cast<int32_t>(rect->right - rect->left),
                                static_cast<int32_t>(rect->bottom - rect->top)};
    ++list.count;
    return TRUE;
}

}  // namespace

int32_t windowsDisplayScale(int32_t x, int32_t y)
{
    // Per monitor: only where the system has it (no test desktop here has monitors
    // of different DPIs); the system DPI below is what the program is aware of.
    if (const DpiForMonitor query = dpiForMonitor(); query != nullptr) {
        UINT dpiX = 0;
        UINT dpiY = 0;
        const HMONITOR monitor = MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONEAREST);
        if (monitor != nullptr && SUCCEEDED(query(monitor, 0, &dpiX, &dpiY)) && percentOfDpi(dpiX) > 0)
            return percentOfDpi(dpiX);
    }
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return 0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return percentOfDpi(dpi);
}

int32_t windowsMonitors(ScreenRect* out, int32_t most)
{
    MonitorList list{out, most, 0};
    if (!EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&list)))
        return 0;
    return list.count;
}

ScreenRect windowsVirtualScreen()
{
    const ScreenRect desk = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (desk.width > 0 && desk.height > 0)
        return desk;
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool windowsVirtualScreenArea(ScreenRect* out)
{
    *out = windowsVirtualScreen();
    return out->width > 0 && out->height > 0;
}
