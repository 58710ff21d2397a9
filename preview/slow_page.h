#pragma once
// The virtual desktop's page that takes time over its input, as a busy browser
// does (setVirtualPageCost and its kin in virtual_desktop.h): each record it is
// handed waits for the page to finish the one before, then for the paint delay
// and the next frame, before the input handler sees it.

#include "preview/virtual_desktop.h"

#include <cstdint>

// Nothing queued, no cost, no delay, no frames.
void resetSlowPage();
// Whether the page takes records at once (no cost, delay or frames): then they go
// straight to the input handler, never through the queue.
bool slowPageInstant();
// Queues a record sent at nowUs that lands on (x, y).
void queueOnSlowPage(int32_t x, int32_t y, uint32_t flags, int64_t nowUs);
// Hands every record the page has shown by nowUs to handler (which may be null),
// oldest first.
void deliverSlowPage(int64_t nowUs, VirtualInputHandler handler);
// When the last record queued will have been shown; false when none is queued.
bool slowPageLastShown(int64_t& us);
