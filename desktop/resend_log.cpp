#include "desktop/resend_log.h"

#include "common/numeric.h"

#include <array>
#include <cstddef>
#include <deque>

namespace {

// A page that never shows again keeps none of these anyway: past this many the
// oldest are taken as arrived, so the log stays small.
constexpr size_t mostKept = 4096;

std::deque<SentGesture> unconfirmed;
// The last slider click per channel known to have arrived.
std::array<SentGesture, 3> settledPen{};
std::array<bool, 3> penKnown{};

void settle(const SentGesture& gesture)
{
    if (gesture.channel < 0 || gesture.channel > 2)
        return;
    settledPen[size_t(gesture.channel)] = gesture;
    penKnown[size_t(gesture.channel)] = true;
}

void shift(SentGesture& g, int32_t dx, int32_t dy)
{
    g.x1 = saturateToInt32(int64_t{g.x1} + dx);
    g.y1 = saturateToInt32(int64_t{g.y1} + dy);
    g.x2 = saturateToInt32(int64_t{g.x2} + dx);
    g.y2 = saturateToInt32(int64_t{g.y2} + dy);
}

}  // namespace

void clearResendLog()
{
    unconfirmed.clear();
    penKnown = {};
}

void logSentGesture(const SentGesture& gesture)
{
    unconfirmed.push_back(gesture);
    while (unconfirmed.size() > mostKept) {
        settle(unconfirmed.front());
        unconfirmed.pop_front();
    }
}

void dropArrivedGestures(int64_t arrived)
{
    while (!unconfirmed.empty() && unconfirmed.front().number < arrived) {
        settle(unconfirmed.front());
        unconfirmed.pop_front();
    }
}

void shiftResendLog(int32_t dx, int32_t dy)
{
    for (SentGesture& g : unconfirmed)
        shift(g, dx, dy);
    for (SentGesture& g : settledPen)
        shift(g, dx, dy);
}

std::vector<SentGesture> gesturesToResend()
{
    std::vector<SentGesture> out;
    // A channel needs its settled click first when a board gesture comes before the
    // log's own first click on it: a later click that did arrive changed the pen.
    bool boardSeen = false;
    std::array<bool, 3> clickedFirst{};
    std::array<bool, 3> needed{};
    for (const SentGesture& g : unconfirmed) {
        if (g.channel < 0 || g.channel > 2) {
            boardSeen = true;
            continue;
        }
        const size_t c = size_t(g.channel);
        if (!clickedFirst[c] && !needed[c])
            (boardSeen ? needed : clickedFirst)[c] = true;
    }
    for (size_t c = 0; c < 3; ++c)
        if (needed[c] && penKnown[c])
            out.push_back(settledPen[c]);
    out.insert(out.end(), unconfirmed.begin(), unconfirmed.end());
    return out;
}
