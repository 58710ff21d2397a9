#include "desktop/platform.h"

#include "common/stop_request.h"

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <vector>

static const DesktopBackend* activeBackend = nullptr;
// Escape ends the run whenever it is seen, so once seen it stays down: a tap seen
// by a stage that waits on the page (which cannot end the run itself) is not lost
// by the time the drawing's loop looks, the key long released.
static bool escapeSeen = false;

static const DesktopBackend& backend()
{
    if (activeBackend == nullptr)
        activeBackend = &nativeDesktop();
    return *activeBackend;
}

void useDesktop(const DesktopBackend& chosen)
{
    activeBackend = &chosen;
    escapeSeen = false;
}
void forgetEscape() { escapeSeen = false; }
const DesktopBackend& activeDesktop() { return backend(); }

const char* openDesktop()
{
    escapeSeen = false;
    return backend().open();
}
void closeDesktop() { backend().close(); }
void minimiseConsole() { backend().minimiseConsole(); }
void sleepMilliseconds(int32_t ms) { backend().sleepMilliseconds(ms); }
void pauseAfterInput(int32_t ms) { backend().pauseAfterInput(ms); }
void primaryScreenSize(int32_t& width, int32_t& height) { backend().primaryScreenSize(&width, &height); }
void captureScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    backend().captureScreen(left, top, width, height, out);
}
uint32_t readScreenPixel(int32_t x, int32_t y) { return backend().readScreenPixel(x, y); }
void sendMouseInput(const MouseInputRecord& record) { backend().sendMouseInput(record); }
// A stop request (Ctrl+C, termination) is Escape to the pass: it ends the run
// between points, with no button held down and nothing more printed.
bool isKeyDown(ControlKey key)
{
    if (key != ControlKey::Escape)
        return backend().isKeyDown(key);
    if (!escapeSeen)
        escapeSeen = stopRequested() || backend().isKeyDown(key);
    return escapeSeen;
}
int64_t clockMilliseconds() { return backend().clockMilliseconds(); }

void pauseAfterInputMicroseconds(int32_t us)
{
    if (backend().pauseAfterInputMicroseconds != nullptr) {
        backend().pauseAfterInputMicroseconds(us);
        return;
    }
    // Never shorter than asked: a desktop without the finer pause takes whole ms.
    backend().pauseAfterInput(us <= 0 ? 0 : static_cast<int32_t>((int64_t{us} + 999) / 1000));
}

int64_t clockMicroseconds()
{
    if (backend().clockMicroseconds != nullptr)
        return backend().clockMicroseconds();
    const int64_t ms = backend().clockMilliseconds();
    return ms > INT64_MAX / 1000 ? INT64_MAX : ms * 1000;
}
void showStatus(const char* text) { backend().showStatus(text); }

namespace {

// The copy begun last, for backends that copy at once.
struct HeldCopy {
    bool pending = false;
    std::vector<uint32_t> pixels;
};

HeldCopy held;

}  // namespace

void beginCapture(int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (backend().beginCapture != nullptr) {
        backend().beginCapture(left, top, width, height);
        return;
    }
    held.pending = width > 0 && height > 0;
    if (!held.pending)
        return;
    held.pixels.resize(size_t(width) * size_t(height));
    backend().captureScreen(left, top, width, height, held.pixels.data());
}

bool captureDone(uint32_t* out)
{
    if (backend().captureDone != nullptr)
        return backend().captureDone(out);
    if (held.pending)
        std::copy(held.pixels.begin(), held.pixels.end(), out);
    held.pending = false;
    return true;
}

void cancelCapture()
{
    if (backend().cancelCapture != nullptr)
        backend().cancelCapture();
    held.pending = false;
}

int32_t displayScalePercent(int32_t x, int32_t y)
{
    if (backend().displayScalePercent == nullptr)
        return 0;
    const int32_t percent = backend().displayScalePercent(x, y);
    return percent > 0 ? percent : 0;
}

int32_t desktopMonitors(ScreenRect* out, int32_t most)
{
    if (most <= 0)
        return 0;
    if (backend().desktopMonitors != nullptr) {
        const int32_t count = std::min(backend().desktopMonitors(out, most), most);
        if (count > 0)
            return count;
    }
    int32_t width = 0;
    int32_t height = 0;
    backend().primaryScreenSize(&width, &height);
    out[0] = {0, 0, width, height};
    return 1;
}

int32_t screenPixelScalePercent()
{
    const int32_t percent = backend().screenPixelScalePercent == nullptr ? 0 : backend().screenPixelScalePercent();
    return percent > 0 ? percent : 100;
}

bool virtualScreenArea(ScreenRect& out)
{
    ScreenRect area;
    if (backend().virtualScreenArea == nullptr || !backend().virtualScreenArea(&area) || area.width <= 0 ||
        area.height <= 0)
        return false;
    out = area;
    return true;
}
