#pragma once
// One remote-desktop session through the desktop portal (xdg-desktop-portal) on
// the session bus: the pointer granted and the screen cast to us, approved by
// the user in the desktop's dialog. A pointer call is sent only once the one
// before it has been answered, since the portal may hand calls on out of the
// order they were sent in.

#include "backends/portal/portal_replies.h"

#include <cstdint>

// Whether the session bus has a portal with both a remote desktop that gives a
// pointer and a screen cast of monitors.
bool portalOffered();

// Opens the session: asks, says on the console that a dialog asks, waits for the
// user's answer and connects to the screen cast. Returns an empty text, or the one
// line that says why there is no session (nothing is left open then).
const char* openPortalSession();
void closePortalSession();

// Whether the desktop ended the session while it was open: the user stopped
// sharing (GNOME's indicator), the desktop closed it, the portal went away, the
// screen cast's stream ended, or the portal refused a pointer call. Nothing sent
// after that reaches the desktop.
bool portalSessionEnded();

// The screen cast's one stream: the screen.
const CastStream& portalStream();

// Absolute motion to a logical pixel of the stream, and the left button. Each
// first waits for the answer to the call before it (the portal may reorder
// calls that are on their way together), not for its own: that one travels
// while the caller pauses. False when the call could not be sent.
bool portalPointerTo(int32_t x, int32_t y);
bool portalLeftButton(bool down);

// The portal answers a pointer call once it has handed it on, and the desktop's
// portal backend hands it on to the compositor without waiting either: input can
// pile up on the way (seconds of it, where the compositor is slower than the
// pace) and arrive long after it was sent, or be dropped when the session
// closes. Each of those processes takes its calls in the order they come, so,
// once the portal has answered the last pointer call, a read from each in
// turn, awaited, returns once everything sent before has reached the compositor. Only the hops known here (GNOME's) are read.
void settlePortalInput();
// The same, except that the compositor's read is only sent: it is waited for at
// the next settle (or pointer call's settle), so the compositor may be at most
// two settles behind while its answer travels alongside the drawing.
void settlePortalInputBy(bool now);
