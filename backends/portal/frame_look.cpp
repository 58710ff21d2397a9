#include "backends/portal/frame_look.h"

#include "desktop/platform.h"

#include <algorithm>

namespace {

// Large enough for any look the watchdog takes (a row pair of the board's width).
constexpr int64_t largestLookPixels = int64_t{16384} * 16;

}  // namespace

bool startFrameLook(FrameLook& look, int64_t sinceNs, int32_t screenWidth, int32_t screenHeight, int32_t left,
                    int32_t top, int32_t width, int32_t height)
{
    look = FrameLook{};
    if (width <= 0 || height <= 0 || int64_t{width} * height > largestLookPixels)
        return false;
    look.active = true;
    look.sinceNs = sinceNs;
    look.screenWidth = screenWidth;
    look.screenHeight = screenHeight;
    look.left = left;
    look.top = top;
    look.width = width;
    look.height = height;
    const size_t pixels = size_t(width) * size_t(height);
    look.before.assign(pixels, invalidColour);
    look.after.assign(pixels, invalidColour);
    return true;
}

void lookSeesFrame(FrameLook& look, const FrameView& frame, int64_t shownNs)
{
    if (!look.active || look.haveAfter)
        return;
    const bool afterMoment = shownNs > look.sinceNs;
    std::vector<uint32_t>& into = afterMoment ? look.after : look.before;
    copyScreenRectangle(frame, look.screenWidth, look.screenHeight, look.left, look.top, look.width, look.height,
                        into.data());
    (afterMoment ? look.haveAfter : look.haveBefore) = true;
}

bool frameLookDecided(const FrameLook& look, int64_t nowNs, int64_t quietNs)
{
    return look.active && (look.haveAfter || nowNs - look.sinceNs >= quietNs);
}

void frameLookResult(const FrameLook& look, uint32_t* out)
{
    const size_t pixels = look.before.size();
    if (!look.haveAfter) {
        std::copy(look.before.begin(), look.before.end(), out);
        return;
    }
    if (!look.haveBefore) {
        std::copy(look.after.begin(), look.after.end(), out);
        return;
    }
    for (size_t i = 0; i < pixels; ++i)
        out[i] = look.before[i] == look.after[i] ? look.before[i] : invalidColour;
}
