#pragma once
// KDE Plasma's pointer through KWin's own fake input (the org_kde_kwin_fake_input
// Wayland protocol): every request goes in order on one connection, so none waits
// for an answer, where each of the portal's pointer calls costs a round trip
// through three processes. KWin offers it only to programs named, by their
// executable, in an installed .desktop file that lists it under
// X-KDE-Wayland-Interfaces (the package's does); elsewhere the portal serves.

#include <cstdint>

// Connects to the session's compositor and asks for the fake input: false, with
// nothing left open, where KWin does not offer it to this program.
bool openKwinInput();
bool kwinInputOpen();
void closeKwinInput();

// The pointer to a point of the desktop's global (logical) space, and the left
// button. False once KWin has closed the connection: nothing more is sent.
bool kwinPointerTo(int32_t x, int32_t y);
bool kwinLeftButton(bool down);

// With now, returns once KWin has taken everything sent. Without, waits for the
// mark the settle before sent, and sends a new one: the input never runs more
// than one settle ahead of KWin.
void settleKwinInput(bool now);
