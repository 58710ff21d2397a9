#include "preview/slow_page.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace {

struct QueuedRecord {
    int32_t x, y;
    uint32_t flags;
    int64_t doneUs;  // shown
    int64_t sentUs;
    int64_t takenUs;
};

struct SlowPage {
    int32_t costUs = 0;
    int32_t paintDelayUs = 0;
    int32_t paintFrameUs = 0;
    std::deque<QueuedRecord> queued;  // sent, not yet taken by the page
    int64_t freeUs = 0;               // when the page finishes the last record queued
    std::vector<int64_t> waits;
};

SlowPage slow;

}  // namespace

void resetSlowPage() { slow = SlowPage{}; }

bool slowPageInstant() { return slow.costUs <= 0 && slow.paintDelayUs <= 0 && slow.paintFrameUs <= 0; }

void queueOnSlowPage(int32_t x, int32_t y, uint32_t flags, int64_t nowUs)
{
    slow.freeUs = std::max(slow.freeUs, nowUs) + slow.costUs;
    int64_t shownUs = slow.freeUs + slow.paintDelayUs;
    if (slow.paintFrameUs > 0)
        shownUs += (slow.paintFrameUs - shownUs % slow.paintFrameUs) % slow.paintFrameUs;
    slow.queued.push_back({x, y, flags, shownUs, nowUs, slow.freeUs});
}

void deliverSlowPage(int64_t nowUs, VirtualInputHandler handler)
{
    while (!slow.queued.empty() && slow.queued.front().doneUs <= nowUs) {
        const QueuedRecord r = slow.queued.front();
        slow.queued.pop_front();
        slow.waits.push_back(r.takenUs - r.sentUs);
        if (handler != nullptr)
            handler(r.x, r.y, r.flags);
    }
}

bool slowPageLastShown(int64_t& us)
{
    if (slow.queued.empty())
        return false;
    us = slow.queued.back().doneUs;
    return true;
}

void setVirtualPageCost(int32_t costUs) { slow.costUs = costUs > 0 ? costUs : 0; }
void setVirtualPaintDelay(int32_t us) { slow.paintDelayUs = us > 0 ? us : 0; }
void setVirtualPaintFrames(int32_t us) { slow.paintFrameUs = us > 0 ? us : 0; }
const std::vector<int64_t>& virtualPageWaitsUs() { return slow.waits; }

void stallVirtualPage(int32_t us)
{
    slow.freeUs = std::max(slow.freeUs, virtualClockUs()) + std::max(us, 0);
}

int64_t virtualPageBusyUntilUs()
{
    return std::max(slow.queued.empty() ? slow.freeUs : slow.queued.back().doneUs, virtualClockUs());
}
