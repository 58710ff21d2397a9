#pragma once
// Escape and the keypad keys on sway. A Wayland client cannot ask whether a key is
// down, so the run asks sway, over its IPC socket, to bind the three keys to
// commands that signal this process while it runs, and removes the bindings when
// the run lets go of the desktop. The same socket hides the console.

#include "desktop/platform.h"

// Binds the keys. False when this is not sway (no SWAYSOCK) or sway refused.
bool openSwayKeys();
// Removes the bindings; safe to call when there are none.
void closeSwayKeys();
// Escape, once pressed, stays down; minus and plus are each seen by one poll per
// press, as the pass wants (minus pauses, plus resumes).
bool swayKeyDown(ControlKey key);
// Moves the console the run was started from to sway's scratchpad, when it is
// the focused window; nothing otherwise.
void swayMinimiseConsole();
