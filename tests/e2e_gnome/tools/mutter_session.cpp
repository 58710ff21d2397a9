#include "tests/e2e_gnome/tools/mutter_session.h"

#include "backends/linux_timing.h"
#include "backends/portal/pipewire_frames.h"

#include <linux/input-event-codes.h>
#include <string>

#include <gio/gio.h>

namespace {

const char* const connector = "Meta-0";

struct Mutter {
    GDBusConnection* bus = nullptr;
    std::string desktop;  // remote desktop session path, when input is wanted
    std::string cast;     // screen cast session path
    std::string stream;   // its stream's path
    uint32_t node = 0;
    bool nodeCame = false;
    int32_t width = 0;
    int32_t height = 0;
};

Mutter mutter;

GVariant* call(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters,
               const GVariantType* reply)
{
    GError* error = nullptr;
    GVariant* result = g_dbus_connection_call_sync(mutter.bus, name, path, interface, method, parameters, reply,
                                                   G_DBUS_CALL_FLAGS_NONE, 25000, nullptr, &error);
    if (error != nullptr) {
        g_printerr("mutter %s.%s: %s\n", interface, method, error->message);
        g_error_free(error);
    }
    return result;
}

bool callPath(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters,
              std::string& out)
{
    GVariant* reply = call(name, path, interface, method, parameters, G_VARIANT_TYPE("(o)"));
    if (reply == nullptr)
        return false;
    const char* value = nullptr;
    g_variant_get(reply, "(&o)", &value);
    out = value;
    g_variant_unref(reply);
    return true;
}

void onStreamAdded(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
                   gpointer)
{
    if (g_variant_is_of_type(parameters, G_VARIANT_TYPE("(u)"))) {
        g_variant_get(parameters, "(u)", &mutter.node);
        mutter.nodeCame = true;
    }
}

bool simpleCall(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters)
{
    GVariant* reply = call(name, path, interface, method, parameters, nullptr);
    if (reply == nullptr)
        return false;
    g_variant_unref(reply);
    return true;
}

}  // namespace

bool openMutterSession(bool withInput)
{
    mutter.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (mutter.bus == nullptr)
        return false;
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
    if (withInput) {
        if (!callPath("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                      "org.gnome.Mutter.RemoteDesktop", "CreateSession", nullptr, mutter.desktop))
            return false;
        GVariant* id = call("org.gnome.Mutter.RemoteDesktop", mutter.desktop.c_str(),
                            "org.freedesktop.DBus.Properties", "Get",
                            g_variant_new("(ss)", "org.gnome.Mutter.RemoteDesktop.Session", "SessionId"),
                            G_VARIANT_TYPE("(v)"));
        if (id == nullptr)
            return false;
        GVariant* inner = nullptr;
        g_variant_get(id, "(v)", &inner);
        g_variant_builder_add(&properties, "{sv}", "remote-desktop-session-id", inner);
        g_variant_unref(id);
    }
    if (!callPath("org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast", "org.gnome.Mutter.ScreenCast",
                  "CreateSession", g_variant_new("(a{sv})", &properties), mutter.cast))
        return false;
    GVariantBuilder streamProperties;
    g_variant_builder_init(&streamProperties, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&streamProperties, "{sv}", "cursor-mode", g_variant_new_uint32(0));  // hidden
    if (!callPath("org.gnome.Mutter.ScreenCast", mutter.cast.c_str(), "org.gnome.Mutter.ScreenCast.Session",
                  "RecordMonitor", g_variant_new("(sa{sv})", connector, &streamProperties), mutter.stream))
        return false;
    const guint subscription = g_dbus_connection_signal_subscribe(
        mutter.bus, "org.gnome.Mutter.ScreenCast", "org.gnome.Mutter.ScreenCast.Stream", "PipeWireStreamAdded",
        mutter.stream.c_str(), nullptr, G_DBUS_SIGNAL_FLAGS_NONE, onStreamAdded, nullptr, nullptr);
    const bool started =
        withInput ? simpleCall("org.gnome.Mutter.RemoteDesktop", mutter.desktop.c_str(),
                               "org.gnome.Mutter.RemoteDesktop.Session", "Start", nullptr)
                  : simpleCall("org.gnome.Mutter.ScreenCast", mutter.cast.c_str(),
                               "org.gnome.Mutter.ScreenCast.Session", "Start", nullptr);
    const int64_t deadline = monotonicNs() + 5'000'000'000;
    while (started && !mutter.nodeCame && monotonicNs() < deadline)
        g_main_context_iteration(nullptr, TRUE);
    g_dbus_connection_signal_unsubscribe(mutter.bus, subscription);
    if (!mutter.nodeCame) {
        g_printerr("mutter announced no PipeWire stream\n");
        return false;
    }
    if (!openFrameStream(-1, mutter.node)) {
        g_printerr("no connection to PipeWire's node %u\n", mutter.node);
        return false;
    }
    // The stream's first frame: the screen as it is, and its size (slow to come on
    // a busy machine).
    if (!waitForFrameSince(0, monotonicNs() + 15'000'000'000)) {
        g_printerr("no frame from PipeWire's node %u\n", mutter.node);
        return false;
    }
    return true;
}

void closeMutterSession()
{
    closeFrameStream();
    if (mutter.bus != nullptr) {
        if (!mutter.desktop.empty())
            simpleCall("org.gnome.Mutter.RemoteDesktop", mutter.desktop.c_str(),
                       "org.gnome.Mutter.RemoteDesktop.Session", "Stop", nullptr);
        else if (!mutter.cast.empty())
            simpleCall("org.gnome.Mutter.ScreenCast", mutter.cast.c_str(), "org.gnome.Mutter.ScreenCast.Session",
                       "Stop", nullptr);
        g_object_unref(mutter.bus);
    }
    mutter = Mutter{};
}

bool grabScreen(int32_t& width, int32_t& height, std::vector<uint32_t>& pixels)
{
    const int64_t asked = monotonicNs();
    waitForFrameSince(asked, asked + 400'000'000);
    frameSize(width, height);
    if (width <= 0 || height <= 0)
        return false;
    pixels.assign(size_t(width) * size_t(height), 0);
    if (!copyFromNewestFrame(width, height, 0, 0, width, height, pixels.data()))
        return false;
    // 0x00BBGGRR to 0x00RRGGBB.
    for (uint32_t& p : pixels)
        p = (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
    return true;
}

bool clickAt(int32_t x, int32_t y)
{
    const char* path = mutter.desktop.c_str();
    const char* session = "org.gnome.Mutter.RemoteDesktop.Session";
    return simpleCall("org.gnome.Mutter.RemoteDesktop", path, session, "NotifyPointerMotionAbsolute",
                      g_variant_new("(sdd)", mutter.stream.c_str(), double(x), double(y))) &&
           simpleCall("org.gnome.Mutter.RemoteDesktop", path, session, "NotifyPointerButton",
                      g_variant_new("(ib)", BTN_LEFT, TRUE)) &&
           simpleCall("org.gnome.Mutter.RemoteDesktop", path, session, "NotifyPointerButton",
                      g_variant_new("(ib)", BTN_LEFT, FALSE));
}
