#include "preview/virtual_keys.h"

#include "preview/virtual_desktop.h"

#include <array>
#include <cstddef>
#include <vector>

namespace {

struct KeyHold {
    ControlKey key;
    bool byPoll;  // else by time
    int64_t from;
    int64_t to;   // polls: inclusive; time: exclusive
};

struct VirtualKeys {
    std::vector<KeyHold> holds;
    std::array<int64_t, 3> polls{};
};

VirtualKeys keys;

size_t keyIndex(ControlKey key) { return static_cast<size_t>(key); }

}  // namespace

void resetVirtualKeys()
{
    keys = VirtualKeys{};
    forgetEscape();
}

bool pollVirtualKey(ControlKey key, int64_t nowMs)
{
    const int64_t poll = keys.polls[keyIndex(key)]++;
    for (const KeyHold& hold : keys.holds) {
        if (hold.key != key)
            continue;
        if (hold.byPoll ? (poll >= hold.from && poll <= hold.to) : (nowMs >= hold.from && nowMs < hold.to))
            return true;
    }
    return false;
}

void holdKeyDuringPolls(ControlKey key, int64_t firstPoll, int64_t lastPoll)
{
    keys.holds.push_back({key, true, firstPoll, lastPoll});
}

void holdKeyDuringTime(ControlKey key, int64_t fromMs, int64_t untilMs)
{
    keys.holds.push_back({key, false, fromMs, untilMs});
}

int64_t virtualKeyPolls(ControlKey key) { return keys.polls[keyIndex(key)]; }
