#include "desktop/page_watchdog.h"

#include "common/numeric.h"
#include "desktop/board_locator.h"
#include "desktop/platform.h"
#include "desktop/screen.h"

#include <cstddef>
#include <vector>

namespace {

constexpr uint32_t white = 0xFFFFFFu;
constexpr uint32_t grey = 0x999999u;
constexpr int32_t edgeToOrigin = 2;
constexpr int32_t lookAgainMs = 100;

const char* const pausedText =
    "scrivdraw paused \xC2\xB7 the page is covered or has moved: bring it back "
    "(keypad plus draws on regardless, Escape stops)";

enum class LastLook {
    None,  // nothing seen since arming or since a pause by the keys
    Present,
    Away,
};

struct Watchdog {
    const DesktopBackend* desktop = nullptr;  // the desktop watched; null when off
    int32_t edgeX = 0;
    int32_t edgeY = 0;
    std::vector<uint32_t> rows;  // the row above the edge, then the edge
    LastLook last = LastLook::None;
    bool lookedAfterGesture = false;  // since arming
    bool stopped = false;
};

Watchdog dog;

bool watching() { return dog.desktop != nullptr && dog.desktop == &activeDesktop(); }

void setEdge(int32_t edgeX, int32_t edgeY, int32_t run)
{
    dog.edgeX = edgeX;
    dog.edgeY = edgeY;
    dog.rows.assign(size_t(run > 0 ? run : 1) * 2, 0);
}

// Where the board's edge is now, if the locator sees it somewhere else.
bool boardFoundElsewhere(int32_t& x, int32_t& y, int32_t& run)
{
    return locateBoardEdge(x, y, run) && (x != BoardOrigin.x || y != BoardOrigin.y);
}

}  // namespace

void armPageWatchdog(int32_t edgeX, int32_t edgeY, int32_t run)
{
    dog.desktop = &activeDesktop();
    setEdge(edgeX, edgeY, run);
    dog.last = LastLook::None;
    dog.lookedAfterGesture = false;
    dog.stopped = false;
}

void disarmPageWatchdog()
{
    dog.desktop = nullptr;
    dog.last = LastLook::None;
    dog.stopped = false;
}

bool pageWatchdogArmed() { return dog.desktop != nullptr; }

PageCheck checkPage()
{
    const int32_t run = static_cast<int32_t>(dog.rows.size() / 2);
    captureScreen(dog.edgeX, dog.edgeY - 1, run, 2, dog.rows.data());
    for (int32_t c = 0; c < run; ++c)
        if (dog.rows[size_t(c)] != white || dog.rows[size_t(run + c)] != grey)
            return PageCheck::Away;
    return PageCheck::Present;
}

void notePageAfterGesture()
{
    if (!watching())
        return;
    dog.last = checkPage() == PageCheck::Present ? LastLook::Present : LastLook::Away;
    dog.lookedAfterGesture = true;
}

void forgetPageCheck() { dog.last = LastLook::None; }

bool pageWatchdogStopped() { return dog.stopped; }

GestureGate awaitPageBeforeGesture()
{
    GestureGate gate;
    if (dog.stopped) {
        gate.go = false;
        return gate;
    }
    if (!watching())
        return gate;
    if (dog.last == LastLook::None) {
        // No look since arming or since a pause: look now, outside any pause.
        dog.last = checkPage() == PageCheck::Present ? LastLook::Present : LastLook::Away;
    } else if (dog.last == LastLook::Away) {
        gate.repeatLast = dog.lookedAfterGesture;
    }
    if (dog.last == LastLook::Present)
        return gate;

    bool told = false;
    for (;;) {
        if (isKeyDown(ControlKey::Escape)) {
            dog.stopped = true;
            gate.go = false;
            return gate;
        }
        if (isKeyDown(ControlKey::KeypadPlus)) {
            // The user vouches for the page: trust it for the rest of the run.
            dog.desktop = nullptr;
            break;
        }
        if (checkPage() == PageCheck::Present)
            break;
        int32_t x = 0;
        int32_t y = 0;
        int32_t run = 0;
        if (boardFoundElsewhere(x, y, run)) {
            gate.shiftX = saturateToInt32(int64_t{x} - BoardOrigin.x);
            gate.shiftY = saturateToInt32(int64_t{y} - BoardOrigin.y);
            BoardOrigin = {x, y};
            setEdge(x, y - edgeToOrigin, run);
            break;
        }
        if (!told) {
            showStatus(pausedText);
            told = true;
        }
        sleepMilliseconds(lookAgainMs);
    }
    if (told)
        showStatus("");  // the drawing's own status comes back with its next update
    dog.last = LastLook::Present;
    return gate;
}
