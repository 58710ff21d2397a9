// The pointer through the portal session, and the settling of what was sent.

#include "backends/portal/portal_bus.h"
#include "backends/portal/portal_session.h"

#include <linux/input-event-codes.h>

namespace {

// The processes a pointer call passes through after the portal, each of which
// hands it on without waiting (see settlePortalInput): the desktop's portal
// backend, then the compositor. An object of each with a property to read.
struct Hop {
    const char* name;
    const char* path;
    const char* interface;
    const char* property;
};

const Hop hops[] = {
    {"org.freedesktop.impl.portal.desktop.gnome", portalPath, "org.freedesktop.impl.portal.RemoteDesktop",
     "AvailableDeviceTypes"},
    {"org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
     "Version"},
};
constexpr int hopCount = sizeof hops / sizeof hops[0];

bool hopAnswers[hopCount] = {};

bool notify(const char* method, GVariant* parameters)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(portalBus(), portalName, portalPath, remoteDesktop, method,
                                                  parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, portalCallTimeoutMs,
                                                  nullptr, &error);
    if (reply == nullptr) {
        // An error the portal sent (the session unknown to it, closed) rather
        // than one on the way here (a slow answer).
        if (error != nullptr && g_dbus_error_is_remote_error(error))
            portalPointerRefused();
        g_clear_error(&error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}

bool readHop(const Hop& hop)
{
    GVariant* reply = g_dbus_connection_call_sync(
        portalBus(), hop.name, hop.path, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", hop.interface, hop.property), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
        portalCallTimeoutMs, nullptr, nullptr);
    if (reply == nullptr)
        return false;
    g_variant_unref(reply);
    return true;
}

}  // namespace

void findInputHops()
{
    for (int i = 0; i < hopCount; ++i)
        hopAnswers[i] = portalBus() != nullptr && readHop(hops[i]);
}

void forgetInputHops()
{
    for (bool& answers : hopAnswers)
        answers = false;
}

bool portalPointerTo(int32_t x, int32_t y)
{
    if (portalSessionHandle().empty())
        return false;
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    return notify("NotifyPointerMotionAbsolute", g_variant_new("(oa{sv}udd)", portalSessionHandle().c_str(), &options,
                                                               portalStream().node, double(x), double(y)));
}

bool portalLeftButton(bool down)
{
    if (portalSessionHandle().empty())
        return false;
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    return notify("NotifyPointerButton",
                  g_variant_new("(oa{sv}iu)", portalSessionHandle().c_str(), &options, BTN_LEFT, down ? 1u : 0u));
}

void settlePortalInput()
{
    if (portalBus() == nullptr)
        return;
    for (int i = 0; i < hopCount; ++i)
        if (hopAnswers[i])
            readHop(hops[i]);
}
