// The Scrivlet drawing page as a Windows program: a borderless window over the whole
// primary screen, so that window pixel (x, y) is screen pixel (x, y). It shows a
// white page with the board, its grey top edge and the three colour sliders, and
// answers the left mouse button:
//   - a press on slider pixel p (0..51) sets that channel of the pen to min(255, 5p);
//   - a press and release at one board pixel paints it in the pen colour;
//   - a press on the board and a release elsewhere paints a 1-pixel Bresenham line
//     between them, both ends included, clipped to the board;
//   - anything else does nothing. The pen starts black.
// The page lives in an offscreen bitmap that every repaint copies, so the screen
// shows exactly the colours painted. The grey edge appears only once the window
// is up, active and handling input: a visible edge means "ready".
//
//   scrivlet_page [-board X Y] [-log FILE] [-drop P -seed S] [-moveto X Y] [-scale F] [-edge N]
//
// -board puts the board's top-left drawing pixel at screen (X, Y) (default 100, 250).
// -log appends one line per button event, "down X Y T" or "up X Y T", T being
// microseconds since the page started, flushed at once, for tests that watch the
// input arrive. -drop makes a page that loses input, for tests: each gesture (a
// press and its release, on a slider as much as on the board) is ignored with
// probability P (0..1), drawn from mulberry32
// seeded with S, as the HTML page's ?drop=P&seed=S does; the log still shows it.
// -moveto makes F9 move the board, with what is drawn on it, to (X, Y), as a window
// moved mid-run would. -scale F shows the edge and the sliders as a display scaled
// by F (0.25..5) would, everything F times as far from the screen's origin and as
// long, each page pixel a block of screen pixels, and takes the input at that
// scale too: a screen pixel is the page pixel whose block holds it. -edge N draws
// the edge line N page pixels long (280..4000) from the board's left column, as
// other pages of the same layout may.

#include "page/win32/page_state.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

using namespace scrivletPage;

const char windowClassName[] = "ScrivletPage";
const char windowTitle[] = "Scrivlet";
constexpr UINT showEdgeMessage = WM_APP + 1;

// Button messages carry client coordinates as two signed 16-bit halves; with the
// window at the screen's origin they are screen coordinates.
int32_t lowSigned(LPARAM value) { return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF)); }
int32_t highSigned(LPARAM value) { return static_cast<int16_t>(static_cast<uint16_t>((value >> 16) & 0xFFFF)); }

void showEdge(HWND window)
{
    if (page.edgeShown)
        return;
    page.edgeShown = true;
    const int64_t row = int64_t{page.boardY} + boardEdgeRow;
    fillRect(scaled(page.boardX), scaled(row), scaled(int64_t{page.boardX} + page.edgeLength) - scaled(page.boardX), 1,
             boardEdgeColour);
    RECT rect = {0, 0, page.width, page.height};
    InvalidateRect(window, &rect, FALSE);
}

void paintPage();

// The page again with its board at the -moveto place, the board's pixels along.
void moveBoard(HWND window)
{
    if (!page.canMove || page.pixels == nullptr)
        return;
    static uint32_t drawn[boardSide * boardSide];
    for (int64_t y = 0; y < boardSide; ++y)
        for (int64_t x = 0; x < boardSide; ++x) {
            const int64_t sx = int64_t{page.boardX} + x;
            const int64_t sy = int64_t{page.boardY} + y;
            const bool inside = sx >= 0 && sy >= 0 && sx < page.width && sy < page.height;
            drawn[y * boardSide + x] = inside ? page.pixels[sy * page.width + sx] : pageBackground;
        }
    page.boardX = page.moveX;
    page.boardY = page.moveY;
    page.pressedOnBoard = false;
    paintPage();
    fillRect(page.boardX, int64_t{page.boardY} + boardEdgeRow, page.edgeLength, 1, boardEdgeColour);
    for (int64_t y = 0; y < boardSide; ++y)
        for (int64_t x = 0; x < boardSide; ++x)
            fillRect(int64_t{page.boardX} + x, int64_t{page.boardY} + y, 1, 1, drawn[y * boardSide + x]);
    RECT rect = {0, 0, page.width, page.height};
    InvalidateRect(window, &rect, FALSE);
    // Shown before any more input is taken: a moved window's screen and the place
    // its input goes to change together.
    UpdateWindow(window);
}

LRESULT CALLBACK pageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        BitBlt(dc, paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right - paint.rcPaint.left,
               paint.rcPaint.bottom - paint.rcPaint.top, page.memory, paint.rcPaint.left, paint.rcPaint.top, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // every repaint covers its whole area from the bitmap
    case WM_LBUTTONDOWN:
        press(window, lowSigned(lParam), highSigned(lParam));
        return 0;
    case WM_LBUTTONUP:
        release(window, lowSigned(lParam), highSigned(lParam));
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_F9 && page.canMove) {
            moveBoard(window);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case showEdgeMessage:
        // Ready only once the keys come to this window: the program that draws
        // reads Escape and the keypad through it.
        if (GetForegroundWindow() != window) {
            SetForegroundWindow(window);
            SetFocus(window);
            SetTimer(window, 1, 20, nullptr);
            return 0;
        }
        showEdge(window);
        return 0;
    case WM_TIMER:
        KillTimer(window, 1);
        PostMessageA(window, showEdgeMessage, 0, 0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool createPageBitmap()
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = page.width;
    info.bmiHeader.biHeight = -page.height;  // rows top first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    page.memory = CreateCompatibleDC(screen);
    page.bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (page.memory == nullptr || page.bitmap == nullptr || bits == nullptr)
        return false;
    page.previousBitmap = SelectObject(page.memory, page.bitmap);
    page.pixels = static_cast<uint32_t*>(bits);
    return true;
}

void paintPage()
{
    fillRect(0, 0, page.width, page.height, pageBackground);
    for (const int32_t row : sliderRows)
        fillRect(scaled(int64_t{page.boardX} + sliderLeft), scaled(int64_t{page.boardY} + row - sliderHalfHeight),
                 scaled(sliderPositions), scaled(2 * sliderHalfHeight + 1), sliderColour);
    GdiFlush();
}

void releasePage()
{
    if (page.memory != nullptr && page.previousBitmap != nullptr)
        SelectObject(page.memory, page.previousBitmap);
    if (page.bitmap != nullptr)
        DeleteObject(page.bitmap);
    if (page.memory != nullptr)
        DeleteDC(page.memory);
    if (page.log != nullptr)
        std::fclose(page.log);
}

static int32_t saturatedSub(int32_t a, int32_t b)
{
    const int64_t d = int64_t{a} - b;
    return static_cast<int32_t>(d < INT32_MIN ? INT32_MIN : d > INT32_MAX ? INT32_MAX : d);
}

int runPage(HINSTANCE instance, int argc, char** argv)
{
    QueryPerformanceFrequency(&page.frequency);
    QueryPerformanceCounter(&page.start);
    if (!readArguments(argc, argv)) {
        std::fputs(usage, stderr);
        return -1;
    }
    // The window covers every monitor, so that -board may name one left of or above
    // the primary (negative screen coordinates); the page works in its client
    // coordinates, which start at the virtual screen's top-left.
    int32_t left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int32_t top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    page.width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    page.height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (page.width <= 0 || page.height <= 0) {
        left = top = 0;
        page.width = GetSystemMetrics(SM_CXSCREEN);
        page.height = GetSystemMetrics(SM_CYSCREEN);
    }
    page.boardX = saturatedSub(page.boardX, left);
    page.boardY = saturatedSub(page.boardY, top);
    page.moveX = saturatedSub(page.moveX, left);
    page.moveY = saturatedSub(page.moveY, top);
    if (page.width <= 0 || page.height <= 0 || !createPageBitmap()) {
        std::fputs("scrivlet_page: can't make the page bitmap\n", stderr);
        releasePage();
        return -1;
    }
    paintPage();

    WNDCLASSA windowClass{};
    // No CS_DBLCLKS: two quick clicks at one place must stay two presses, not
    // become a double click.
    windowClass.lpfnWndProc = pageProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = windowClassName;
    if (RegisterClassA(&windowClass) == 0) {
        std::fputs("scrivlet_page: can't register the window class\n", stderr);
        releasePage();
        return -1;
    }
    HWND window = CreateWindowExA(0, windowClassName, windowTitle, WS_POPUP, left, top, page.width, page.height,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        std::fputs("scrivlet_page: can't create the window\n", stderr);
        releasePage();
        return -1;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetForegroundWindow(window);
    SetFocus(window);
    PostMessageA(window, showEdgeMessage, 0, 0);

    MSG message;
    int status = 0;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            status = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) {
            status = -1;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    releasePage();
    return status;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return runPage(instance, __argc, __argv);
}
