#include "desktop/page_watchdog.h"

#include "common/numeric.h"
#include "desktop/board_search.h"
#include "desktop/page_layout.h"
#include "desktop/page_scale.h"
#include "desktop/platform.h"
#include "desktop/board_reach.h"
#include "desktop/screen.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

constexpr uint32_t white = edgeWhite;
constexpr uint32_t grey = edgeGrey;
constexpr int32_t edgeToOrigin = edgeGap;
constexpr int32_t lookAgainMs = 100;

const char* const pausedText =
    "scrivdraw paused \xC2\xB7 the page is covered or has moved: bring it back "
    "(keypad plus draws on regardless, Escape stops)";

enum class LastLook {
    None,  // nothing seen since arming
    Present,
    Away,
};

// A look under way. The copy may show the pointer's image wherever the pointer
// was while it was being made: those columns prove nothing either way.
struct PendingLook {
    bool active = false;
    int64_t mark = 0;  // gestures sent when it began
    bool masked = false;
    int64_t maskFrom = 0;  // columns maskFrom .. maskTo, screen x
    int64_t maskTo = 0;
    int32_t width = 0;  // the copy's rows, the edge's two first
    bool withBoard = false;  // and the board's below them, from the edge's start
};

struct Watchdog {
    const DesktopBackend* desktop = nullptr;  // the desktop watched; null when off
    int32_t edgeX = 0;
    int32_t edgeY = 0;
    int32_t run = 1;  // the edge's columns watched
    std::vector<uint32_t> rows;  // the row above the edge, then the edge (and the board, where looks take it)
    LastLook last = LastLook::None;
    bool lookAgain = false;  // a pause by the keys made the last look old
    int64_t arrived = 0;     // gestures numbered below this reached the page
    PendingLook look;
    bool stopped = false;
    bool anywhere = false;  // a moved board is looked for over the whole desktop
    int32_t edgeLength = 0;  // the whole edge as it was found: a page's own, any length
    int64_t armings = 0;
    const uint32_t* boardSeen = nullptr;  // the board in the last look collected, if it saw one
    int32_t boardStride = 0;
};

Watchdog dog;

bool watching() { return dog.desktop != nullptr && dog.desktop == &activeDesktop(); }

int32_t watchedRun() { return dog.run; }

void setEdge(int32_t edgeX, int32_t edgeY, int32_t run)
{
    dog.edgeX = edgeX;
    dog.edgeY = edgeY;
    dog.run = run > 0 ? run : 1;
    dog.rows.assign(size_t(dog.run) * 2, 0);
}

void dropLook()
{
    dog.boardSeen = nullptr;
    if (dog.look.active && watching())
        cancelCapture();
    dog.look = PendingLook{};
}

// Columns near a pointer on or just by the watched rows may show its image.
void maskPointerAt(int32_t x, int32_t y)
{
    const int64_t reach = cursorImageReach;
    if (y < int64_t{dog.edgeY} - 1 - reach || y > int64_t{dog.edgeY} + reach)
        return;
    const int64_t from = x - reach;
    const int64_t to = x + reach;
    dog.look.maskFrom = dog.look.masked ? std::min(dog.look.maskFrom, from) : from;
    dog.look.maskTo = dog.look.masked ? std::max(dog.look.maskTo, to) : to;
    dog.look.masked = true;
}

enum class Verdict { Present, Away, Unsure };

// What the rows show (stride apart), leaving out the masked columns; Unsure when
// none are left.
Verdict judgeRows(const PendingLook& look, int32_t stride)
{
    const int32_t run = watchedRun();
    bool judged = false;
    for (int32_t c = 0; c < run; ++c) {
        const int64_t x = int64_t{dog.edgeX} + c;
        if (look.masked && x >= look.maskFrom && x <= look.maskTo)
            continue;
        if (dog.rows[size_t(c)] != white || dog.rows[size_t(stride) + size_t(c)] != grey)
            return Verdict::Away;
        judged = true;
    }
    return judged ? Verdict::Present : Verdict::Unsure;
}

// Takes in the look under way if its copy has come.
void collectLook()
{
    if (!dog.look.active || !captureDone(dog.rows.data()))
        return;
    const PendingLook look = dog.look;
    dog.look = PendingLook{};
    switch (judgeRows(look, look.width)) {
    case Verdict::Present:
        dog.last = LastLook::Present;
        dog.arrived = std::max(dog.arrived, look.mark);
        if (look.withBoard) {
            dog.boardSeen = dog.rows.data() + size_t(edgeToOrigin + 1) * size_t(look.width);
            dog.boardStride = look.width;
        }
        break;
    case Verdict::Away:
        dog.last = LastLook::Away;
        break;
    case Verdict::Unsure:
        break;  // the next look tells
    }
}

std::string pausedAtScaleText(int32_t scale)
{
    return "scrivdraw paused \xC2\xB7 the page is shown at " + std::to_string(scale) +
           " %, not 100 %: set the browser's zoom back (Ctrl and 0) to go on (Escape stops)";
}

}  // namespace

void armPageWatchdog(int32_t edgeX, int32_t edgeY, int32_t run, bool anywhere, int32_t edgeLength)
{
    dog.anywhere = anywhere;
    dropLook();
    dog.desktop = &activeDesktop();
    setEdge(edgeX, edgeY, run);
    dog.edgeLength = edgeLength > 0 ? edgeLength : run;
    ++dog.armings;
    dog.last = LastLook::None;
    dog.lookAgain = false;
    dog.arrived = 0;
    dog.stopped = false;
}

void disarmPageWatchdog()
{
    dropLook();
    dog.desktop = nullptr;
    dog.last = LastLook::None;
    dog.stopped = false;
}

bool pageWatchdogArmed() { return dog.desktop != nullptr; }

bool pageWatched() { return watching(); }

int64_t pageWatchArmings() { return dog.armings; }

PageCheck checkPage()
{
    const int32_t run = watchedRun();
    dog.boardSeen = nullptr;  // its rows are read over
    captureScreen(dog.edgeX, dog.edgeY - 1, run, 2, dog.rows.data());
    return judgeRows(PendingLook{}, run) == Verdict::Present ? PageCheck::Present : PageCheck::Away;
}

bool pageLookFree(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (!watching())
        return false;
    if (dog.look.active) {
        maskPointerAt(x1, y1);
        maskPointerAt(x2, y2);
        return false;
    }
    return true;
}

void beginPageLook(int64_t gesturesSent, int32_t x2, int32_t y2, bool withBoard)
{
    dog.boardSeen = nullptr;
    dog.look.active = true;
    dog.look.mark = gesturesSent;
    maskPointerAt(x2, y2);  // the pointer rests where the gesture ended
    // The board lies below the edge's start (it is found there, and moves with it).
    dog.look.withBoard = withBoard && int64_t{BoardOrigin.x} == dog.edgeX &&
                         int64_t{BoardOrigin.y} == int64_t{dog.edgeY} + edgeToOrigin;
    dog.look.width = dog.look.withBoard ? std::max(watchedRun(), boardSide) : watchedRun();
    const int32_t height = dog.look.withBoard ? edgeToOrigin + 1 + boardSide : 2;
    dog.rows.resize(size_t(dog.look.width) * size_t(height));
    beginCapture(dog.edgeX, dog.edgeY - 1, dog.look.width, height);
}

const uint32_t* collectPageLook(int32_t& stride)
{
    if (!watching())
        return nullptr;
    collectLook();
    const uint32_t* board = dog.boardSeen;
    dog.boardSeen = nullptr;
    stride = dog.boardStride;
    return board;
}

void forgetPageCheck() { dog.lookAgain = true; }

bool pageWatchdogStopped() { return dog.stopped; }

GestureGate awaitPageBeforeGesture(int64_t gesturesSent)
{
    GestureGate gate;
    if (dog.stopped) {
        gate.go = false;
        return gate;
    }
    if (!watching())
        return gate;
    collectLook();
    if (dog.last == LastLook::None)
        dog.arrived = gesturesSent;  // what came before the arming is none of this watch's business
    if (dog.last == LastLook::None || dog.lookAgain) {
        // No look since arming, or the last is old: look now, outside any pause.
        // After a pause, whatever was not yet seen to arrive is sent again.
        gate.resend = dog.last != LastLook::None;
        dropLook();
        dog.lookAgain = false;
        dog.last = checkPage() == PageCheck::Present ? LastLook::Present : LastLook::Away;
    }
    gate.arrived = dog.arrived;
    if (dog.last == LastLook::Present)
        return gate;

    gate.resend = true;
    bool told = false;
    int32_t toldScale = 100;  // the scale said last, 100 when none
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
        int32_t scale = 100;
        if (checkPage() == PageCheck::Present && (scale = scaleSeenAt(dog.edgeX, dog.edgeY, dog.edgeLength)) == 100)
            break;
        int32_t x = 0;
        int32_t y = 0;
        int32_t run = 0;
        bool offBand = false;
        // A board found off the band is taken only where the pointer reaches it
        // (and from then on input goes where it is).
        if (scale == 100 && boardSeenElsewhere(dog.anywhere, x, y, run, offBand) &&
            (scale = scaleSeenAt(x, y - edgeToOrigin, dog.edgeLength)) == 100 && (!offBand || reachBoardAt(x, y))) {
            gate.shiftX = saturateToInt32(int64_t{x} - BoardOrigin.x);
            gate.shiftY = saturateToInt32(int64_t{y} - BoardOrigin.y);
            BoardOrigin = {x, y};
            setEdge(x, y - edgeToOrigin, run);
            break;
        }
        if (scale == 100)
            scale = scaleOfShortEdge(dog.anywhere, dog.edgeLength);
        if (!commonScale(scale))
            scale = 100;  // no zoom's: said as the page gone
        if (scale != 100 && scale != toldScale) {
            showStatus(pausedAtScaleText(scale).c_str());
            toldScale = scale;
            told = true;
        } else if (!told) {
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
