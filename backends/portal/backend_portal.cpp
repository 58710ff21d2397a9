// The desktop on Wayland compositors that keep their protocols to themselves
// (GNOME's mutter, KDE's KWin): the pointer and the screen through the desktop
// portal's remote-desktop session, which the user approves in a dialog at start.
// No program may read the keyboard there.

#include "backends/linux_desktops.h"
#include "backends/linux_timing.h"
#include "backends/portal/desktop_choice.h"
#include "backends/portal/kwin_input.h"
#include "backends/portal/kwin_shots.h"
#include "backends/portal/pipewire_frames.h"
#include "backends/portal/portal_session.h"
#include "common/stop_request.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/prctl.h>

namespace {

const char* const noPortal =
    "This Wayland desktop lets no program move the pointer or read the screen; use an X11 session, or a "
    "wlroots desktop such as sway\n";
const char* const noKeys =
    "Escape and the keypad keys can't be read on this desktop: switching away from the page pauses the "
    "drawing, Ctrl+C in this console stops it\n";
const char* const noFrames = "The desktop's screen cast sent no picture of the screen within 15 seconds\n";
const char* const sharingStopped =
    "The desktop stopped sharing the screen (its sharing indicator, or the session ended), so the drawing stopped\n";
const char* const emptyFrames =
    "The desktop's screen cast sends only empty pictures (as KDE Plasma's does), so the screen can't be read\n";
// KDE Plasma without KWin's screenshots for this program: the line names both ways tried.
std::string kwinRefusal;

// The first click after the session starts can be lost: the pointer is moved
// once and given this long before any input that counts.
constexpr int32_t pointerWarmUpMs = 200;
// How long the first picture may take after the session starts: on a busy machine
// a first start of the screen cast takes seconds.
constexpr int64_t firstFrameMs = 15000;
// The screen cast sends a frame only when the screen changes, some time after the
// change: a read waits for a frame made after it was asked for, and takes the
// newest once none has come for this long (nothing changed).
constexpr int64_t quietScreenMs = 400;
// A watchdog look vouches for every gesture sent before it, and judges the
// screen as it was then from the frames made just before and just after; with
// no frame after, it waits this long before taking the screen as unchanged: on
// a loaded machine a frame can reach this program well over quietScreenMs after
// it was made. Looks never hold up the input: the wait costs only the
// watchdog's reaction when nothing changes on the screen.
constexpr int64_t quietLookMs = 2000;
// How many gestures may be on their way to the compositor at most.
constexpr int32_t gesturesPerSettle = 8;

struct Pacing {
    int64_t lastSendNs = 0;
    bool sentAny = false;
    bool buttonDown = false;
    bool pointerKnown = false;  // the pointer was last sent to pointerX, pointerY
    int32_t pointerX = 0;
    int32_t pointerY = 0;
    bool open = false;
    int32_t unsettledGestures = 0;
    bool ended = false;  // the desktop ended the session: nothing more is sent
    bool lookStarted = false;
    int64_t lookPixels = 0;
    bool kwinShots = false;  // the screen is read through KWin's screenshots
    WaitState wait;
};

Pacing pacing;

const char* openPortal()
{
    if (pacing.open)
        return "";
    pacing = Pacing{};
    if (!portalOffered())
        return noPortal;
    if (const char* problem = openPortalSession(); *problem != '\0')
        return problem;
    // Plasma's screen cast sends no pictures: KWin's own screenshots instead, where
    // it takes them for this program, and its input, without the portal's round trips.
    const bool plasma = plasmaDesktop(std::getenv("XDG_CURRENT_DESKTOP"));
    std::string refused;
    if (plasma)
        refused = openKwinShots();
    pacing.kwinShots = plasma && refused.empty();
    if (pacing.kwinShots)
        openKwinInput();
    if (!pacing.kwinShots && !waitForFrameSince(0, monotonicNs() + firstFrameMs * 1'000'000)) {
        const bool unreadable = framesUnreadable();
        closePortalSession();
        if (plasma) {
            kwinRefusal = kwinRefusalLine(refused);
            return kwinRefusal.c_str();
        }
        return unreadable ? emptyFrames : noFrames;
    }
    pacing.open = true;
    const CastStream& screen = portalStream();
    portalPointerTo(screen.width / 2, screen.height / 2);
    sleepUntilNs(monotonicNs() + int64_t{pointerWarmUpMs} * 1'000'000);
    std::fputs(noKeys, stdout);
    // The 1 ms pauses after every record should end when they are due.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    return "";
}

// Whether the desktop has ended the session. The first time it is seen: the
// status line cleared, the one line said, and the run stopped as by Ctrl+C
// (it ends between points with -1 and says nothing more).
bool sessionEnded()
{
    if (pacing.ended)
        return true;
    if (!pacing.open || !portalSessionEnded())
        return false;
    pacing.ended = true;
    x11Desktop().showStatus("");
    std::fputs(sharingStopped, stdout);
    std::fflush(stdout);
    requestStop();
    return true;
}

void closePortal()
{
    // A look's shot under way is waited for: its thread must not outlive the run.
    cancelKwinShot();
    if (!pacing.open)
        return;
    if (sessionEnded()) {
        closePortalSession();
        pacing = Pacing{};
        return;
    }
    // The button is never left held down, however the run ended.
    if (pacing.buttonDown)
        portalLeftButton(false);
    // Closing the session drops input still on its way.
    settlePortalInput();
    closePortalSession();
    pacing = Pacing{};
}

// GNOME gives no program a way to set other windows aside.
void minimisePortal() {}

// In short steps, so the start-up wait ends as soon as the desktop ends the session.
void sleepPortal(int32_t ms)
{
    constexpr int32_t stepMs = 50;
    for (; ms > 0 && !sessionEnded() && !stopRequested(); ms -= stepMs)
        sleepUnlessStopped(std::min(ms, stepMs));
}

void pausePortal(int32_t ms)
{
    if (!pacing.sentAny || ms <= 0 || sessionEnded())
        return;
    waitPrecisely(linuxWaitClock, pacing.wait, pacing.lastSendNs + int64_t{ms} * 1'000'000);
}

void screenSizePortal(int32_t* width, int32_t* height)
{
    *width = portalStream().width;
    *height = portalStream().height;
}

void copyNewest(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    copyFromNewestFrame(portalStream().width, portalStream().height, left, top, width, height, out);
}

void capturePortal(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    if (width <= 0 || height <= 0)
        return;
    // No screen is shared any more: nothing on it is vouched for.
    if (sessionEnded()) {
        std::fill(out, out + int64_t{width} * height, invalidColour);
        return;
    }
    if (pacing.kwinShots) {
        kwinShot(left, top, width, height, out);
        return;
    }
    const int64_t asked = monotonicNs();
    waitForFrameSince(asked, asked + quietScreenMs * 1'000'000);
    copyNewest(left, top, width, height, out);
}

uint32_t readPortal(int32_t x, int32_t y)
{
    uint32_t colour = invalidColour;
    capturePortal(x, y, 1, 1, &colour);
    return colour;
}

void sendPortal(const MouseInputRecord& record)
{
    pacing.lastSendNs = monotonicNs();
    pacing.sentAny = true;
    if (!pacing.open || sessionEnded())
        return;
    // Only absolute motion: the records this program sends.
    // A motion to where the pointer already is (a release where it was pressed)
    // is left out: each call costs a round trip through the portal.
    if ((record.flags & mouseMove) != 0 && (record.flags & mouseAbsolute) != 0) {
        const CastStream& screen = portalStream();
        const int32_t x = pixelOfAbsolute(record.dx, screen.width);
        const int32_t y = pixelOfAbsolute(record.dy, screen.height);
        if (!pacing.pointerKnown || x != pacing.pointerX || y != pacing.pointerY)
            pacing.pointerKnown = portalPointerTo(x, y);
        pacing.pointerX = x;
        pacing.pointerY = y;
    }
    // The session can end between the motion and the button.
    if (sessionEnded())
        return;
    if ((record.flags & mouseLeftDown) != 0 && portalLeftButton(true))
        pacing.buttonDown = true;
    if ((record.flags & mouseLeftUp) != 0 && portalLeftButton(false))
        pacing.buttonDown = false;
    // Every few gestures a settle is begun, once the one before has ended: input
    // never runs more than two settles ahead of the compositor.
    if ((record.flags & mouseLeftUp) != 0 && ++pacing.unsettledGestures >= gesturesPerSettle) {
        settlePortalInputBy(false);
        pacing.unsettledGestures = 0;
    }
}

bool keyDownPortal(ControlKey) { return false; }

int64_t clockPortal() { return monotonicNs() / 1'000'000; }

// The status line lives in the terminal, whatever the desktop: X11's serves.
void statusPortal(const char* text) { x11Desktop().showStatus(text); }

// The watchdog's looks: the screen as it was when the look began. Never waits.
void beginCapturePortal(int32_t left, int32_t top, int32_t width, int32_t height)
{
    // A look vouches for the gestures sent before it: they must have reached the
    // compositor by then, not be still on their way.
    if (!sessionEnded())
        settlePortalInput();
    pacing.unsettledGestures = 0;
    const CastStream& screen = portalStream();
    pacing.lookPixels = int64_t{width} * height;
    if (pacing.kwinShots) {
        beginKwinShot(left, top, width, height);
        pacing.lookStarted = true;
        return;
    }
    const int64_t now = monotonicNs();
    pacing.lookStarted = false;
    withFrameLook([&](FrameLook& frameLook, const FrameView* newest, int64_t shownNs) {
        pacing.lookStarted = startFrameLook(frameLook, now, screen.width, screen.height, left, top, width, height);
        if (pacing.lookStarted && newest != nullptr)
            lookSeesFrame(frameLook, *newest, shownNs);
    });
}

bool captureDonePortal(uint32_t* out)
{
    if (pacing.kwinShots)
        return kwinShotDone(out);
    bool decided = false;
    const bool streaming = pacing.lookStarted && !sessionEnded() && withFrameLook([&](FrameLook& frameLook, const FrameView*, int64_t) {
        decided = frameLookDecided(frameLook, monotonicNs(), quietLookMs * 1'000'000);
        if (decided) {
            frameLookResult(frameLook, out);
            frameLook = FrameLook{};
        }
    });
    // No stream to look at, or none any more: nothing on the screen is vouched for.
    if (!streaming)
        std::fill(out, out + std::max<int64_t>(pacing.lookPixels, 0), invalidColour);
    return decided || !streaming;
}

void cancelCapturePortal()
{
    cancelKwinShot();
    withFrameLook([](FrameLook& frameLook, const FrameView*, int64_t) { frameLook = FrameLook{}; });
}

const DesktopBackend portalBackend = {
    openPortal,       closePortal,   minimisePortal,     sleepPortal,       pausePortal,
    screenSizePortal, capturePortal, readPortal,         sendPortal,        keyDownPortal,
    clockPortal,      statusPortal,  beginCapturePortal, captureDonePortal, cancelCapturePortal,
    // Every pointer call waits for the portal's answer, far longer than a finer
    // pause would matter: whole milliseconds do.
    nullptr,          nullptr,
};

}  // namespace

const DesktopBackend& portalDesktop() { return portalBackend; }
