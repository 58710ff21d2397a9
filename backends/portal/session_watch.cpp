#include "backends/portal/session_watch.h"

#include "backends/portal/portal_bus.h"
#include "backends/portal/portal_replies.h"

#include <atomic>
#include <cstring>

namespace {

// Read by the filter on the bus's thread. Set before the filter is added and
// never freed: a filter can still run just after it was removed.
struct ClosedWatch {
    char handle[256] = {};
    std::atomic<bool> closed{false};
    guint filter = 0;
    guint closedSubscription = 0;
    guint portalGoneSubscription = 0;
};

ClosedWatch watch;

GDBusMessage* seeMessage(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer)
{
    if (incoming && endsPortalSession(message, watch.handle))
        watch.closed.store(true);
    return message;
}

void ignoreSignal(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*, gpointer) {}

}  // namespace

void watchPortalSession(GDBusConnection* bus, const std::string& handle)
{
    if (handle.size() >= sizeof watch.handle)
        return;
    std::memcpy(watch.handle, handle.c_str(), handle.size() + 1);
    watch.closed.store(false);
    watch.filter = g_dbus_connection_add_filter(bus, seeMessage, nullptr, nullptr);
    // The subscriptions only ask the bus to deliver the signals; the filter reads them.
    watch.closedSubscription =
        g_dbus_connection_signal_subscribe(bus, portalName, "org.freedesktop.portal.Session", "Closed",
                                           handle.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, ignoreSignal, nullptr,
                                           nullptr);
    watch.portalGoneSubscription = g_dbus_connection_signal_subscribe(
        bus, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged", "/org/freedesktop/DBus", portalName,
        G_DBUS_SIGNAL_FLAGS_NONE, ignoreSignal, nullptr, nullptr);
}

void unwatchPortalSession(GDBusConnection* bus)
{
    for (const guint subscription : {watch.closedSubscription, watch.portalGoneSubscription})
        if (subscription != 0)
            g_dbus_connection_signal_unsubscribe(bus, subscription);
    if (watch.filter != 0)
        g_dbus_connection_remove_filter(bus, watch.filter);
    watch.filter = 0;
    watch.closedSubscription = 0;
    watch.portalGoneSubscription = 0;
    watch.closed.store(false);
}

bool portalSessionClosedByDesktop() { return watch.closed.load(); }
