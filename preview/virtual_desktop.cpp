#include "preview/virtual_desktop.h"

#include "preview/slow_page.h"
#include "preview/virtual_keys.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace {

struct VirtualState {
    int32_t left = 0;  // the screen of pixels' top-left, in screen coordinates
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t primaryWidth = 0;  // the primary screen, at 0,0
    int32_t primaryHeight = 0;
    std::vector<uint32_t> pixels;
    int64_t clockUs = 0;
    int64_t lastInputUs = 0;
    std::vector<int32_t> microPauses;
    int32_t readCostUs = 0;
    std::vector<LoggedInput> inputs;
    std::vector<int32_t> sleeps;
    bool minimised = false;
    int64_t pixelReads = 0;
    int64_t captures = 0;
    VirtualInputHandler handler = nullptr;
    std::vector<std::string> statuses;
    VirtualClockHook clockHook = nullptr;
    int32_t frameMs = 0;
    bool readsWaitForFrames = false;
    int32_t displayScale = 0;
    std::vector<ScreenRect> monitors;
    int32_t pixelScale = 0;
};

// A copy begun and not yet collected. With frames, it shows the screen as it is
// at the first frame after the begin.
struct VirtualCopy {
    bool pending = false;
    bool taken = false;
    int32_t left = 0, top = 0, width = 0, height = 0;
    int64_t dueMs = 0;
    std::vector<uint32_t> pixels;
};

VirtualCopy copy;

VirtualState state;

// The index of a screen pixel in the screen of pixels, or false off it.
bool pixelIndex(int64_t x, int64_t y, size_t& at)
{
    x -= state.left;
    y -= state.top;
    if (x < 0 || y < 0 || x >= state.width || y >= state.height)
        return false;
    at = size_t(y) * size_t(state.width) + size_t(x);
    return true;
}

int64_t clockMs() { return state.clockUs / 1000; }

void moveClockTo(int64_t us)
{
    if (us > state.clockUs)
        state.clockUs = us;
    deliverSlowPage(state.clockUs, state.handler);
    if (state.clockHook != nullptr)
        state.clockHook(clockMs());
}

void payRead()
{
    if (state.readCostUs > 0)
        moveClockTo(state.clockUs + state.readCostUs);
    else
        deliverSlowPage(state.clockUs, state.handler);
}

const char* openVirtual() { return ""; }
void closeVirtual() {}
void minimiseVirtual() { state.minimised = true; }

void sleepVirtual(int32_t ms)
{
    state.sleeps.push_back(ms);
    moveClockTo(state.clockUs + (ms > 0 ? int64_t{ms} * 1000 : 0));
}

void pauseVirtual(int32_t ms)
{
    state.sleeps.push_back(ms);
    // Sending takes no virtual time, so the pause ends ms after the send.
    moveClockTo(state.lastInputUs + int64_t{ms} * 1000);
}

void pauseMicrosecondsVirtual(int32_t us)
{
    state.microPauses.push_back(us);
    moveClockTo(state.lastInputUs + us);
}

void screenSizeVirtual(int32_t* width, int32_t* height)
{
    *width = state.primaryWidth;
    *height = state.primaryHeight;
}

// A read that waits for the compositor's next frame, where reads do.
void waitForFrame()
{
    if (state.readsWaitForFrames && state.frameMs > 0)
        moveClockTo((clockMs() / state.frameMs + 1) * state.frameMs * 1000);
}

void copyScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    ++state.captures;
    payRead();
    for (int64_t r = 0; r < height; ++r)
        for (int64_t c = 0; c < width; ++c)
            out[r * width + c] = virtualPixel(static_cast<int32_t>(left + c), static_cast<int32_t>(top + r));
}

void captureVirtual(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    waitForFrame();
    copyScreen(left, top, width, height, out);
}

uint32_t readVirtual(int32_t x, int32_t y)
{
    ++state.pixelReads;
    waitForFrame();
    payRead();
    return virtualPixel(x, y);
}

void sendVirtual(const MouseInputRecord& record)
{
    state.lastInputUs = state.clockUs;
    state.inputs.push_back({record, clockMs(), state.clockUs});
    if (state.handler == nullptr || state.width <= 0 || state.height <= 0)
        return;
    int32_t x = 0;
    int32_t y = 0;
    landingPixel(record, state.primaryWidth, state.primaryHeight, {state.left, state.top, state.width, state.height}, x,
                 y);
    if (slowPageInstant())
        state.handler(x, y, record.flags);
    else
        queueOnSlowPage(x, y, record.flags, state.clockUs);
}

bool keyDownVirtual(ControlKey key) { return pollVirtualKey(key, clockMs()); }

void takeCopy()
{
    copy.pixels.resize(size_t(std::max(copy.width, 0)) * size_t(std::max(copy.height, 0)));
    copyScreen(copy.left, copy.top, copy.width, copy.height, copy.pixels.data());
    copy.taken = true;
}

void beginCaptureVirtual(int32_t left, int32_t top, int32_t width, int32_t height)
{
    copy = VirtualCopy{true, false, left, top, width, height, 0, {}};
    if (state.frameMs <= 0)
        takeCopy();
    else
        copy.dueMs = (clockMs() / state.frameMs + 1) * state.frameMs;
}

bool captureDoneVirtual(uint32_t* out)
{
    if (!copy.pending)
        return true;
    if (!copy.taken) {
        if (clockMs() < copy.dueMs)
            return false;
        takeCopy();
    }
    std::copy(copy.pixels.begin(), copy.pixels.end(), out);
    copy.pending = false;
    return true;
}

void cancelCaptureVirtual() { copy.pending = false; }

int64_t clockVirtual() { return clockMs(); }
int64_t clockMicrosecondsVirtual() { return state.clockUs; }
void statusVirtual(const char* text) { state.statuses.emplace_back(text); }

int32_t displayScaleVirtual(int32_t, int32_t) { return state.displayScale; }

int32_t monitorsVirtual(ScreenRect* out, int32_t most)
{
    const int32_t count = static_cast<int32_t>(std::min<size_t>(state.monitors.size(), size_t(std::max(most, 0))));
    std::copy(state.monitors.begin(), state.monitors.begin() + count, out);
    return static_cast<int32_t>(state.monitors.size());
}

int32_t pixelScaleVirtual() { return state.pixelScale; }

bool virtualScreenVirtual(ScreenRect* out)
{
    *out = {state.left, state.top, state.width, state.height};
    return true;
}

const DesktopBackend virtualBackend = {
    openVirtual,    closeVirtual, minimiseVirtual, sleepVirtual,   pauseVirtual,  screenSizeVirtual,
    captureVirtual, readVirtual,  sendVirtual,     keyDownVirtual, clockVirtual, statusVirtual,
    beginCaptureVirtual, captureDoneVirtual, cancelCaptureVirtual, pauseMicrosecondsVirtual, clockMicrosecondsVirtual,
    displayScaleVirtual, monitorsVirtual, pixelScaleVirtual, virtualScreenVirtual,
};

}  // namespace

const DesktopBackend& virtualDesktop() { return virtualBackend; }

void resetVirtualDesktop(int32_t width, int32_t height, uint32_t colour)
{
    state = VirtualState{};
    copy = VirtualCopy{};
    resetSlowPage();
    resetVirtualKeys();
    state.width = width > 0 ? width : 0;
    state.height = height > 0 ? height : 0;
    state.primaryWidth = state.width;
    state.primaryHeight = state.height;
    state.pixels.assign(size_t(state.width) * size_t(state.height), colour);
}

void setVirtualInputHandler(VirtualInputHandler handler) { state.handler = handler; }

void setVirtualScreenLayout(int32_t left, int32_t top, int32_t primaryWidth, int32_t primaryHeight)
{
    state.left = left;
    state.top = top;
    state.primaryWidth = primaryWidth > 0 ? primaryWidth : 0;
    state.primaryHeight = primaryHeight > 0 ? primaryHeight : 0;
}

void paintVirtualPixel(int32_t x, int32_t y, uint32_t colour)
{
    size_t at = 0;
    if (pixelIndex(x, y, at))
        state.pixels[at] = colour;
}

void paintVirtualRect(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t colour)
{
    size_t at = 0;
    for (int64_t y = top; y < int64_t{top} + height; ++y)
        for (int64_t x = left; x < int64_t{left} + width; ++x)
            if (pixelIndex(x, y, at))
                state.pixels[at] = colour;
}

uint32_t virtualPixel(int32_t x, int32_t y)
{
    size_t at = 0;
    return pixelIndex(x, y, at) ? state.pixels[at] : invalidColour;
}

int64_t virtualClockMs() { return clockMs(); }
int64_t virtualClockUs() { return state.clockUs; }
const std::vector<int32_t>& virtualMicroPauses() { return state.microPauses; }
void settleVirtualPage()
{
    int64_t lastShownUs = 0;
    if (slowPageLastShown(lastShownUs))
        moveClockTo(lastShownUs);
}
void setVirtualReadCost(int32_t us) { state.readCostUs = us > 0 ? us : 0; }
const std::vector<LoggedInput>& virtualInputLog() { return state.inputs; }
const std::vector<int32_t>& virtualSleeps() { return state.sleeps; }
bool virtualConsoleMinimised() { return state.minimised; }
const std::vector<std::string>& virtualStatuses() { return state.statuses; }
int64_t virtualPixelReads() { return state.pixelReads; }
int64_t virtualCaptures() { return state.captures; }

void setVirtualClockHook(VirtualClockHook hook) { state.clockHook = hook; }

void setVirtualFrameInterval(int32_t ms) { state.frameMs = ms > 0 ? ms : 0; }
void setVirtualReadsWaitForFrames(bool wait) { state.readsWaitForFrames = wait; }

void setVirtualDisplayScale(int32_t percent) { state.displayScale = percent; }

void setVirtualMonitors(const std::vector<ScreenRect>& monitors) { state.monitors = monitors; }

void setVirtualScreenPixelScale(int32_t percent) { state.pixelScale = percent; }
