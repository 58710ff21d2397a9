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
//   scrivlet_page [-board X Y] [-log FILE] [-drop P -seed S] [-moveto X Y] [-scale F]
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
// long, for tests of a program that must not draw on such a page; the input is
// still taken at 1:1.

#include "preview/scrivlet_page.h"

#include <windows.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char windowClassName[] = "ScrivletPage";
const char windowTitle[] = "Scrivlet";
constexpr UINT showEdgeMessage = WM_APP + 1;

struct Page {
    int32_t width = 0;   // the window, and the page bitmap, cover the whole screen
    int32_t height = 0;
    int32_t boardX = defaultBoardX;
    int32_t boardY = defaultBoardY;
    uint32_t* pixels = nullptr;  // 0x00RRGGBB, rows top first
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    uint8_t pen[3] = {0, 0, 0};  // red, green, blue
    bool pressedOnBoard = false;
    int32_t pressX = 0;
    int32_t pressY = 0;
    bool edgeShown = false;
    FILE* log = nullptr;
    double dropRate = 0.0;
    uint32_t dropState = 0;
    bool dropping = false;  // the gesture under way is being ignored
    bool canMove = false;
    int32_t moveX = 0;
    int32_t moveY = 0;
    LARGE_INTEGER start{};
    LARGE_INTEGER frequency{};
    double scale = 1.0;
};

Page page;

// A page position as the -scale display shows it.
int64_t scaled(int64_t position) { return static_cast<int64_t>(std::floor(double(position) * page.scale + 0.5)); }

// Page colours are given as 0xRRGGBB, the order a 32-bit DIB keeps them in.
void fillRect(int64_t left, int64_t top, int64_t width, int64_t height, uint32_t colour)
{
    const int64_t x0 = left < 0 ? 0 : left;
    const int64_t y0 = top < 0 ? 0 : top;
    const int64_t x1 = left + width > page.width ? page.width : left + width;
    const int64_t y1 = top + height > page.height ? page.height : top + height;
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x)
            page.pixels[y * page.width + x] = colour;
}

bool onBoard(int64_t x, int64_t y)
{
    return x >= page.boardX && x < int64_t{page.boardX} + boardSide && y >= page.boardY &&
           y < int64_t{page.boardY} + boardSide;
}

// The bounding box of everything painted since the last repaint request.
struct Dirty {
    bool any = false;
    int64_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

void paintOnBoard(int64_t x, int64_t y, Dirty& dirty)
{
    if (!onBoard(x, y) || x >= page.width || y >= page.height)
        return;
    page.pixels[y * page.width + x] = uint32_t{page.pen[0]} << 16 | uint32_t{page.pen[1]} << 8 | page.pen[2];
    if (!dirty.any) {
        dirty = Dirty{true, x, y, x + 1, y + 1};
        return;
    }
    dirty.left = x < dirty.left ? x : dirty.left;
    dirty.top = y < dirty.top ? y : dirty.top;
    dirty.right = x + 1 > dirty.right ? x + 1 : dirty.right;
    dirty.bottom = y + 1 > dirty.bottom ? y + 1 : dirty.bottom;
}

// Integer Bresenham from the press to the release, both ends included, one error
// term for all octants; points off the board are walked but not painted.
void paintLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Dirty& dirty)
{
    const int64_t dx = x1 > x0 ? x1 - x0 : x0 - x1;
    const int64_t dy = -(y1 > y0 ? y1 - y0 : y0 - y1);
    const int64_t sx = x0 < x1 ? 1 : -1;
    const int64_t sy = y0 < y1 ? 1 : -1;
    int64_t err = dx + dy;
    for (;;) {
        paintOnBoard(x0, y0, dirty);
        if (x0 == x1 && y0 == y1)
            return;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

int sliderAt(int64_t x, int64_t y)
{
    const int64_t left = int64_t{page.boardX} + sliderLeft;
    if (x < left || x >= left + sliderWidth)
        return -1;
    for (int channel = 0; channel < 3; ++channel) {
        const int64_t centre = int64_t{page.boardY} + sliderRows[channel];
        if (y >= centre - sliderHalfHeight && y <= centre + sliderHalfHeight)
            return channel;
    }
    return -1;
}

void logEvent(const char* what, int32_t x, int32_t y)
{
    if (page.log == nullptr)
        return;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const int64_t ticks = now.QuadPart - page.start.QuadPart;
    const int64_t frequency = page.frequency.QuadPart > 0 ? page.frequency.QuadPart : 1;
    const long long micros = static_cast<long long>(ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency);
    std::fprintf(page.log, "%s %ld %ld %lld\n", what, static_cast<long>(x), static_cast<long>(y), micros);
    std::fflush(page.log);
}

// mulberry32's next number as a fraction in [0, 1).
double nextDropUnit()
{
    page.dropState += 0x6D2B79F5u;
    uint32_t t = page.dropState;
    t = (t ^ (t >> 15)) * (t | 1u);
    t ^= t + (t ^ (t >> 7)) * (t | 61u);
    return double(t ^ (t >> 14)) / 4294967296.0;
}

void press(HWND window, int32_t x, int32_t y)
{
    logEvent("down", x, y);
    // The release may come anywhere; keep receiving the button until it does.
    SetCapture(window);
    page.pressedOnBoard = false;
    page.dropping = page.dropRate > 0.0 && nextDropUnit() < page.dropRate;
    if (page.dropping)
        return;
    if (onBoard(x, y)) {
        page.pressedOnBoard = true;
        page.pressX = x;
        page.pressY = y;
        return;
    }
    const int channel = sliderAt(x, y);
    if (channel >= 0) {
        const int64_t value = 5 * (int64_t{x} - (int64_t{page.boardX} + sliderLeft));
        page.pen[channel] = static_cast<uint8_t>(value > 255 ? 255 : value);
    }
}

void release(HWND window, int32_t x, int32_t y)
{
    logEvent("up", x, y);
    if (GetCapture() == window)
        ReleaseCapture();
    if (page.dropping || !page.pressedOnBoard)
        return;
    page.pressedOnBoard = false;
    Dirty dirty;
    paintLine(page.pressX, page.pressY, x, y, dirty);
    if (dirty.any) {
        RECT rect = {static_cast<LONG>(dirty.left), static_cast<LONG>(dirty.top), static_cast<LONG>(dirty.right),
                     static_cast<LONG>(dirty.bottom)};
        InvalidateRect(window, &rect, FALSE);
    }
}

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
    fillRect(scaled(page.boardX), scaled(row), scaled(boardSide), 1, boardEdgeColour);
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
    fillRect(page.boardX, int64_t{page.boardY} + boardEdgeRow, boardSide, 1, boardEdgeColour);
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

// A whole number in 32 bits, all of the text, or false.
bool readInt32(const char* text, int32_t& out)
{
    if (text == nullptr || *text == '\0')
        return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

const char usage[] = "usage: scrivlet_page [-board X Y] [-log FILE] [-drop P -seed S] [-moveto X Y] [-scale F]\n";

bool readRate(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out >= 0.0 && out <= 1.0;
}

bool readArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-board") == 0 && i + 2 < argc) {
            if (!readInt32(argv[i + 1], page.boardX) || !readInt32(argv[i + 2], page.boardY))
                return false;
            i += 2;
        } else if (std::strcmp(argv[i], "-log") == 0 && i + 1 < argc) {
            if (page.log != nullptr)
                std::fclose(page.log);
            page.log = std::fopen(argv[i + 1], "a");
            if (page.log == nullptr) {
                std::fprintf(stderr, "scrivlet_page: can't open %s\n", argv[i + 1]);
                return false;
            }
            ++i;
        } else if (std::strcmp(argv[i], "-moveto") == 0 && i + 2 < argc) {
            if (!readInt32(argv[i + 1], page.moveX) || !readInt32(argv[i + 2], page.moveY))
                return false;
            page.canMove = true;
            i += 2;
        } else if (std::strcmp(argv[i], "-drop") == 0 && i + 1 < argc) {
            if (!readRate(argv[++i], page.dropRate))
                return false;
        } else if (std::strcmp(argv[i], "-scale") == 0 && i + 1 < argc) {
            char* end = nullptr;
            page.scale = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(page.scale >= 0.25 && page.scale <= 5.0))
                return false;
        } else if (std::strcmp(argv[i], "-seed") == 0 && i + 1 < argc) {
            int32_t seed = 0;
            if (!readInt32(argv[++i], seed))
                return false;
            page.dropState = static_cast<uint32_t>(seed);
        } else {
            return false;
        }
    }
    return true;
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
                 scaled(sliderWidth), scaled(2 * sliderHalfHeight + 1), sliderColour);
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

int runPage(HINSTANCE instance, int argc, char** argv)
{
    QueryPerformanceFrequency(&page.frequency);
    QueryPerformanceCounter(&page.start);
    if (!readArguments(argc, argv)) {
        std::fputs(usage, stderr);
        return -1;
    }
    page.width = GetSystemMetrics(SM_CXSCREEN);
    page.height = GetSystemMetrics(SM_CYSCREEN);
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
    HWND window = CreateWindowExA(0, windowClassName, windowTitle, WS_POPUP, 0, 0, page.width, page.height,
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
