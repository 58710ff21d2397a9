#pragma once
// The virtual desktop's keys, held down by script (holdKeyDuringPolls and
// holdKeyDuringTime in virtual_desktop.h) and counted as the program polls them.

#include "desktop/platform.h"

#include <cstdint>

// No key held, no poll counted.
void resetVirtualKeys();
// One poll of key at virtual time nowMs: whether a script holds it down then.
bool pollVirtualKey(ControlKey key, int64_t nowMs);
