// The pointer through the portal session, and the settling of what was sent;
// on KDE Plasma through KWin's fake input instead, where KWin grants it.

#include "backends/portal/kwin_input.h"
#include "backends/portal/portal_bus.h"
#include "backends/portal/portal_session.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

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

// What is on its way: at most one pointer call, and the compositor's read of
// a settle begun earlier. The portal hands calls to its backend from a thread
// pool, so two pointer calls on their way at once can arrive out of order: each
// is answered before the next is sent. Its answer is waited for only then, so
// the pause after a record runs while the call travels. The bus's own thread
// sees the answers come (seeReply).
struct Pending {
    std::mutex lock;
    std::condition_variable answered;
    uint32_t call = 0;  // the pointer call's serial; 0: none on its way
    uint32_t read = 0;  // the compositor read's
    bool refused = false;
    guint replyFilter = 0;
};

Pending pending;

GDBusMessage* seeReply(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer)
{
    if (!incoming)
        return message;
    const std::lock_guard<std::mutex> guard(pending.lock);
    bool refused = false;
    if (answersCall(message, pending.call, refused)) {
        pending.call = 0;
        pending.refused = refused;
        pending.answered.notify_all();
    } else if (answersCall(message, pending.read, refused)) {
        pending.read = 0;
        pending.answered.notify_all();
    }
    return message;
}

// Waits for the answer to what is in slot, if anything. An answer slower than
// the portal's timeout is given up on, as a failed call was.
void await(uint32_t Pending::*slot)
{
    std::unique_lock<std::mutex> guard(pending.lock);
    pending.answered.wait_for(guard, std::chrono::milliseconds(portalCallTimeoutMs),
                              [slot] { return pending.*slot == 0; });
    pending.*slot = 0;
}

// An error the portal sent for a pointer call (the session unknown to it)
// means the session is no more.
void awaitPointerCall()
{
    await(&Pending::call);
    bool refused = false;
    {
        const std::lock_guard<std::mutex> guard(pending.lock);
        refused = pending.refused;
        pending.refused = false;
    }
    if (refused)
        portalPointerRefused();
}

// Sends without waiting; the serial goes in slot. Held under the lock while
// sending, so the answer cannot come before its serial is known.
bool sendAwaited(GDBusMessage* message, uint32_t Pending::*slot)
{
    const std::lock_guard<std::mutex> guard(pending.lock);
    guint32 serial = 0;
    const bool sent =
        g_dbus_connection_send_message(portalBus(), message, G_DBUS_SEND_MESSAGE_FLAGS_NONE, &serial, nullptr) != FALSE;
    pending.*slot = sent ? serial : 0;
    g_object_unref(message);
    return sent;
}

bool notify(const char* method, GVariant* parameters)
{
    awaitPointerCall();
    GDBusMessage* message = g_dbus_message_new_method_call(portalName, portalPath, remoteDesktop, method);
    g_dbus_message_set_body(message, parameters);
    return sendAwaited(message, &Pending::call);
}

GVariant* hopRead(const Hop& hop) { return g_variant_new("(ss)", hop.interface, hop.property); }

void sendHopRead(const Hop& hop)
{
    GDBusMessage* message =
        g_dbus_message_new_method_call(hop.name, hop.path, "org.freedesktop.DBus.Properties", "Get");
    g_dbus_message_set_body(message, hopRead(hop));
    sendAwaited(message, &Pending::read);
}

bool readHop(const Hop& hop)
{
    GVariant* reply = g_dbus_connection_call_sync(
        portalBus(), hop.name, hop.path, "org.freedesktop.DBus.Properties", "Get", hopRead(hop), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE,
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
    if (portalBus() != nullptr && pending.replyFilter == 0)
        pending.replyFilter = g_dbus_connection_add_filter(portalBus(), seeReply, nullptr, nullptr);
}

void forgetInputHops()
{
    closeKwinInput();
    for (bool& answers : hopAnswers)
        answers = false;
    if (pending.replyFilter != 0 && portalBus() != nullptr)
        g_dbus_connection_remove_filter(portalBus(), pending.replyFilter);
    pending.replyFilter = 0;
    const std::lock_guard<std::mutex> guard(pending.lock);
    pending.call = 0;
    pending.read = 0;
    pending.refused = false;
}

bool portalPointerTo(int32_t x, int32_t y)
{
    if (portalSessionHandle().empty())
        return false;
    // The fake input takes the desktop's global space; the portal, the stream's.
    if (kwinInputOpen())
        return kwinPointerTo(portalStream().x + x, portalStream().y + y);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    return notify("NotifyPointerMotionAbsolute", g_variant_new("(oa{sv}udd)", portalSessionHandle().c_str(), &options,
                                                               portalStream().node, double(x), double(y)));
}

bool portalLeftButton(bool down)
{
    if (portalSessionHandle().empty())
        return false;
    if (kwinInputOpen())
        return kwinLeftButton(down);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    return notify("NotifyPointerButton",
                  g_variant_new("(oa{sv}iu)", portalSessionHandle().c_str(), &options, BTN_LEFT, down ? 1u : 0u));
}

void settlePortalInput() { settlePortalInputBy(true); }

void settlePortalInputBy(bool now)
{
    if (kwinInputOpen()) {
        settleKwinInput(now);
        return;
    }
    if (portalBus() == nullptr)
        return;
    // The settle begun before has ended, and the portal has handed on what was
    // sent once it has answered.
    await(&Pending::read);
    awaitPointerCall();
    int last = hopCount - 1;
    while (last >= 0 && !hopAnswers[last])
        --last;
    for (int i = 0; i < last; ++i)
        if (hopAnswers[i])
            readHop(hops[i]);
    if (last < 0)
        return;
    // The compositor, last and slowest (it paints between its reads), is
    // waited for now or at the next settle.
    if (now)
        readHop(hops[last]);
    else
        sendHopRead(hops[last]);
}
