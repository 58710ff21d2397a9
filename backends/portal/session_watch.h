#pragma once
// Watching for the desktop to end the portal session: GNOME's indicator's
// "Stop", the desktop closing it, the portal leaving the bus. Seen on the bus's
// own thread as the signal comes, so the drawing learns of it before it sends
// anything more.

#include <string>

#include <gio/gio.h>

void watchPortalSession(GDBusConnection* bus, const std::string& handle);
void unwatchPortalSession(GDBusConnection* bus);

// Whether the session watched has ended on the desktop's side.
bool portalSessionClosedByDesktop();
