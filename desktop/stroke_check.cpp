#include "desktop/stroke_check.h"

#include "desktop/pen_tracker.h"
#include "desktop/platform.h"
#include "desktop/resend_log.h"
#include "desktop/screen.h"
#include "desktop/page_layout.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int64_t showWithinMs = 2000;
// A pixel that still shows what it showed before may be on a page held up by a
// busy machine (seen: Chromium starved for over 2 s at its first click) rather
// than one that takes no input: it is given longer. A page that paints it in
// another colour is told at showWithinMs.
constexpr int64_t untouchedWithinMs = 6000;
constexpr int32_t lookEveryMs = 10;
// A mark proves the sliders set the pen only in a pen with a channel at least this
// bright: a page whose slider clicks miss (shown at another scale, near 1:1) keeps
// a dark pen, and a canvas's pen starts black. Darker marks are checked, and the
// check goes on to the next, up to this many.
constexpr int32_t provingChannel = 40;
constexpr int32_t mostDarkMarks = 64;

enum class State { Off, Waiting, Failed };

struct StrokeCheck {
    const DesktopBackend* desktop = nullptr;
    State state = State::Off;
    bool due = false;              // the gesture just sent must show
    int32_t x = 0;
    int32_t y = 0;
    uint32_t before = 0;  // 0x00BBGGRR, (x, y) before the gesture
    uint32_t seen = 0;    // the last read there
    int64_t waitedMs = 0;
    int32_t darkMarks = 0;  // marks seen in a pen too dark to prove the sliders
    bool pauseAsked = false;  // keypad minus went down while a stroke was awaited
};

StrokeCheck check;

bool checking() { return check.state == State::Waiting && check.desktop == &activeDesktop(); }

bool nearPen(uint32_t colour) { return colour != invalidColour && coloursNear(colour, penColour()); }

bool onBoard(int32_t x, int32_t y)
{
    return int64_t{x} >= BoardOrigin.x && int64_t{x} < int64_t{BoardOrigin.x} + boardSide &&
           int64_t{y} >= BoardOrigin.y && int64_t{y} < int64_t{BoardOrigin.y} + boardSide;
}

std::string hexColour(uint32_t colour)
{
    if (colour == invalidColour)
        return "nothing readable";
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned(colour & 0xFFu), unsigned((colour >> 8) & 0xFFu),
                  unsigned((colour >> 16) & 0xFFu));
    return text;
}

}  // namespace

bool coloursNear(uint32_t seen, uint32_t meant)
{
    for (int32_t shift = 0; shift < 24; shift += 8) {
        const int32_t a = int32_t((seen >> shift) & 0xFFu);
        const int32_t b = int32_t((meant >> shift) & 0xFFu);
        if (std::abs(a - b) > shownChannelTolerance)
            return false;
    }
    return true;
}

void armStrokeCheck()
{
    check = StrokeCheck{};
    check.desktop = &activeDesktop();
    check.state = State::Waiting;
    forgetPen();  // a page newly found: its pen starts black
}

void disarmStrokeCheck() { check = StrokeCheck{}; }

void strokeCheckBefore(int32_t channel, int32_t x1, int32_t y1)
{
    check.due = false;
    if (!checking())
        return;
    // Slider clicks set the pen, which the pen tracker follows. The press pixel is painted by a dot and a line alike; one already in the pen's
    // colour would prove nothing.
    if (channel != boardGesture || !onBoard(x1, y1))
        return;
    check.before = readScreenPixel(x1, y1);
    if (nearPen(check.before))
        return;
    check.due = true;
    check.x = x1;
    check.y = y1;
}

void strokeCheckAfter(bool (*pageAway)())
{
    if (!check.due || !checking())
        return;
    check.due = false;
    const int64_t start = clockMilliseconds();
    for (;;) {
        check.seen = readScreenPixel(check.x, check.y);
        if (nearPen(check.seen)) {
            // Seen: the page takes what is drawn, in a pen its sliders set.
            const bool proves = std::max({penChannel(0), penChannel(1), penChannel(2)}) >= provingChannel;
            if (proves || ++check.darkMarks >= mostDarkMarks)
                check.state = State::Off;
            return;
        }
        // A page covered or moved meanwhile, if only for a moment, proves nothing
        // either way: the watchdog sees to it, and a later stroke is checked instead.
        if (pageAway != nullptr && pageAway())
            return;
        // Escape meanwhile ends the run at the drawing's next look at the keys; keypad
        // minus is kept for that look, as the key may be up by then.
        if (isKeyDown(ControlKey::Escape))
            return;
        if (isKeyDown(ControlKey::KeypadMinus))
            check.pauseAsked = true;
        const bool untouched = check.seen != invalidColour && coloursNear(check.seen, check.before);
        check.waitedMs = clockMilliseconds() - start;
        if (check.waitedMs >= (untouched ? untouchedWithinMs : showWithinMs))
            break;
        sleepMilliseconds(lookEveryMs);
    }
    check.state = State::Failed;
}

bool strokeCheckFailed() { return check.state == State::Failed; }

bool strokeCheckPauseAsked()
{
    const bool asked = check.pauseAsked;
    check.pauseAsked = false;
    return asked;
}

std::string strokeCheckFailure()
{
    const std::string waited = std::to_string((check.waitedMs + 500) / 1000);
    return "The page does not show what was drawn at (" + std::to_string(check.x) + ", " + std::to_string(check.y) +
           "): after " + waited + " s it shows " + hexColour(check.seen) + ", not the pen's " + hexColour(penColour()) +
           ", so it is not the drawing page or takes no input.";
}
