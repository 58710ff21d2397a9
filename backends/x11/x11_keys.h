#pragma once
// The state of the control keys on an X server, without a round trip per poll: the
// server's raw key events (XInput 2, selected on the root window, so whatever
// window has the focus) keep a copy of the keymap up to date, and a poll only takes
// in the events already delivered. Servers without XInput 2 are asked for the
// keymap at each poll, as before.

#include <X11/Xlib.h>

// Starts following the keys on display (once it is open); stopX11Keys before it closes.
void startX11Keys(Display* display, Window root);
void stopX11Keys();

// Whether the key is down now, as far as the server has told.
bool x11KeyDown(Display* display, KeyCode code);
