// The desktop on Linux: an X server reached through Xlib, its XTest extension for
// the pointer, XGetImage for the screen and XInput's raw key events for the keys
// (backends/x11_keys).

#include "common/stop_request.h"
#include "backends/linux_desktops.h"
#include "desktop/platform.h"
#include "backends/linux_timing.h"
#include "backends/x11/x11_keys.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <unistd.h>
#include <sys/prctl.h>

namespace {

struct X11State {
    Display* display = nullptr;
    int screen = 0;
    Window root = 0;
    int32_t width = 0;
    int32_t height = 0;
    Window console = 0;  // the window that was active when the run began, if known
    KeyCode keys[3] = {0, 0, 0};
    int64_t lastSendNs = 0;
    bool sentAny = false;
    WaitState pacing;
};

X11State x11;

// A failed request (a window that has gone, a read the server refuses) must not end
// the run: the request simply has no effect, and readers see their "unreadable"
// value.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

int64_t clockX11() { return monotonicNs() / 1'000'000; }

// The terminal's title and one line on standard error that rewrites itself, only
// when standard error is a terminal; taken away without a trace, so the terminal
// keeps exactly the lines the run prints. The title the terminal had is pushed on
// its title stack first and popped back at the end.
void statusX11(const char* text)
{
    static const bool terminal = isatty(STDERR_FILENO) == 1;
    static bool shown = false;
    if (!terminal)
        return;
    if (*text == '\0') {
        if (shown)
            std::fputs("\r\x1b[K\x1b[23;0t", stderr);
        shown = false;
    } else {
        std::fprintf(stderr, "%s\x1b]0;%s\x07\r\x1b[K%s", shown ? "" : "\x1b[22;0t", text, text);
        shown = true;
    }
    std::fflush(stderr);
}

Window activeWindowAtStart()
{
    const Atom active = XInternAtom(x11.display, "_NET_ACTIVE_WINDOW", True);
    if (active != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        Window found = 0;
        if (XGetWindowProperty(x11.display, x11.root, active, 0, 1, False, XA_WINDOW, &type, &format, &count,
                               &remaining, &data) == Success &&
            type == XA_WINDOW && format == 32 && count == 1 && data != nullptr)
            found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
        if (data != nullptr)
            XFree(data);
        if (found != 0)
            return found;
    }
    // Terminals that know their window say so in WINDOWID.
    const char* id = std::getenv("WINDOWID");
    if (id == nullptr || *id == '\0')
        return 0;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(id, &end, 0);
    if (errno != 0 || *end != '\0' || value > UINT32_MAX)
        return 0;
    return static_cast<Window>(value);
}

const char* openX11()
{
    if (x11.display != nullptr)
        return "";
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
        return "Can't open the X display (is DISPLAY set?)\n";
    XSetErrorHandler(ignoreXError);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return "Can't open the X display (is DISPLAY set?)\n";
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        return "The X display has no XTest extension, so the pointer can't be driven\n";
    }

    x11 = X11State{};
    x11.display = display;
    x11.screen = DefaultScreen(display);
    x11.root = RootWindow(display, x11.screen);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (XGetGeometry(display, x11.root, &root, &x, &y, &width, &height, &border, &depth)) {
        x11.width = static_cast<int32_t>(std::min(width, 32767u));
        x11.height = static_cast<int32_t>(std::min(height, 32767u));
    }
    x11.keys[static_cast<int>(ControlKey::Escape)] = XKeysymToKeycode(display, XK_Escape);
    x11.keys[static_cast<int>(ControlKey::KeypadMinus)] = XKeysymToKeycode(display, XK_KP_Subtract);
    x11.keys[static_cast<int>(ControlKey::KeypadPlus)] = XKeysymToKeycode(display, XK_KP_Add);
    x11.console = activeWindowAtStart();
    startX11Keys(display, x11.root);
    // Sleeps should end as close to their deadline as the kernel allows: the pass
    // sleeps 1 ms after every input record, and the default 50 us slack per sleep
    // adds up over a quarter of a million records.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    return "";
}

void closeX11()
{
    stopX11Keys();
    if (x11.display != nullptr)
        XCloseDisplay(x11.display);
    x11 = X11State{};
}

void minimiseX11()
{
    if (x11.display == nullptr || x11.console == 0)
        return;
    XIconifyWindow(x11.display, x11.console, x11.screen);
    XFlush(x11.display);
}

void sleepX11(int32_t ms) { sleepUnlessStopped(ms); }

void pauseX11(int32_t ms) { pauseSinceSend(x11.sentAny, x11.pacing, x11.lastSendNs, int64_t{ms} * 1'000'000); }

void pauseMicrosecondsX11(int32_t us) { pauseSinceSend(x11.sentAny, x11.pacing, x11.lastSendNs, int64_t{us} * 1'000); }

int64_t clockMicrosecondsX11() { return monotonicNs() / 1'000; }

void screenSizeX11(int32_t* width, int32_t* height)
{
    *width = x11.width;
    *height = x11.height;
}

// The 8-bit value of one channel of a TrueColor pixel, whatever its mask.
uint32_t channelValue(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0)
        ++shift;
    const unsigned long maximum = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<uint32_t>(maximum == 255 ? value : (value * 255 + maximum / 2) / maximum);
}

void captureX11(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    if (width <= 0 || height <= 0)
        return;
    std::fill(out, out + int64_t{width} * height, invalidColour);
    if (x11.display == nullptr)
        return;
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{left} + width, x11.width);
    const int64_t y1 = std::min<int64_t>(int64_t{top} + height, x11.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    XImage* image = XGetImage(x11.display, x11.root, static_cast<int>(x0), static_cast<int>(y0),
                              static_cast<unsigned int>(x1 - x0), static_cast<unsigned int>(y1 - y0), AllPlanes,
                              ZPixmap);
    if (image == nullptr)
        return;
    // Only direct colour can be read off the pixel values; other visuals stay unreadable.
    if (image->red_mask != 0 && image->green_mask != 0 && image->blue_mask != 0) {
        for (int64_t y = y0; y < y1; ++y) {
            uint32_t* row = out + (y - top) * width;
            for (int64_t x = x0; x < x1; ++x) {
                const unsigned long pixel = XGetPixel(image, static_cast<int>(x - x0), static_cast<int>(y - y0));
                row[x - left] = channelValue(pixel, image->red_mask) | channelValue(pixel, image->green_mask) << 8 |
                                channelValue(pixel, image->blue_mask) << 16;
            }
        }
    }
    XDestroyImage(image);
}

uint32_t readX11(int32_t x, int32_t y)
{
    uint32_t colour = invalidColour;
    captureX11(x, y, 1, 1, &colour);
    return colour;
}

void sendX11(const MouseInputRecord& record)
{
    x11.lastSendNs = monotonicNs();
    x11.sentAny = true;
    if (x11.display == nullptr)
        return;
    if (record.flags & mouseMove) {
        if (record.flags & mouseAbsolute)
            XTestFakeMotionEvent(x11.display, x11.screen, pixelOfAbsolute(record.dx, x11.width),
                                 pixelOfAbsolute(record.dy, x11.height), CurrentTime);
        else
            XTestFakeRelativeMotionEvent(x11.display, std::clamp(record.dx, -32767, 32767),
                                         std::clamp(record.dy, -32767, 32767), CurrentTime);
    }
    if (record.flags & mouseLeftDown)
        XTestFakeButtonEvent(x11.display, 1, True, CurrentTime);
    if (record.flags & mouseLeftUp)
        XTestFakeButtonEvent(x11.display, 1, False, CurrentTime);
    XFlush(x11.display);
}

bool keyDownX11(ControlKey key)
{
    const KeyCode code = x11.keys[static_cast<int>(key)];
    if (x11.display == nullptr || code == 0)
        return false;
    return x11KeyDown(x11.display, code);
}

const DesktopBackend x11Backend = {
    openX11, closeX11, minimiseX11, sleepX11, pauseX11, screenSizeX11, captureX11, readX11, sendX11, keyDownX11,
    clockX11, statusX11, nullptr, nullptr, nullptr, pauseMicrosecondsX11, clockMicrosecondsX11,
};

}  // namespace

const DesktopBackend& x11Desktop() { return x11Backend; }
