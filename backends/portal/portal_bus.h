#pragma once
// What the portal session's parts share: the session bus, the session, the
// portal's calls. The pointer's calls (portal_pointer.cpp) go through these.

#include <cstdint>
#include <string>

#include <gio/gio.h>

inline const char* const portalName = "org.freedesktop.portal.Desktop";
inline const char* const portalPath = "/org/freedesktop/portal/desktop";
inline const char* const remoteDesktop = "org.freedesktop.portal.RemoteDesktop";
// Calls the desktop answers at once.
constexpr int portalCallTimeoutMs = 5000;

GDBusConnection* portalBus();
// The session's object path; empty when there is none.
const std::string& portalSessionHandle();
// A method of the portal, waited for; null when it failed.
GVariant* callPortal(const char* interface, const char* method, GVariant* parameters, const GVariantType* replyType);

// The portal answered a pointer call with an error: the session is no more.
void portalPointerRefused();

// Once the session has started: which of the processes after the portal answer
// the reads that settle the input (see settlePortalInput). Forgotten at the end,
// and KWin's input with them.
void findInputHops();
void forgetInputHops();
