#pragma once
// Every desktop test starts from a fresh virtual desktop of a known size, with the
// shared screen values set to match it.

#include "desktop/platform.h"
#include "desktop/screen.h"
#include "preview/virtual_desktop.h"

#include <cstdint>
#include <vector>

inline void freshDesktop(int32_t width, int32_t height, uint32_t colour = 0xFFFFFFu)
{
    resetVirtualDesktop(width, height, colour);
    useDesktop(virtualDesktop());
    ScreenSize = {width, height};
    VirtualDesk = {};
    BoardOrigin = {0, 0};
}

// The screen pixel a logged record landed on, as the platform maps it back.
struct LandedPixel {
    int32_t x;
    int32_t y;
    uint32_t flags;
    bool operator==(const LandedPixel&) const = default;
};

inline std::vector<LandedPixel> landedPixels()
{
    std::vector<LandedPixel> out;
    for (const LoggedInput& input : virtualInputLog())
        out.push_back({pixelFromAbsolute(input.record.dx, ScreenSize.width),
                       pixelFromAbsolute(input.record.dy, ScreenSize.height), input.record.flags});
    return out;
}
