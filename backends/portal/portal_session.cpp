#include "backends/portal/portal_session.h"

#include "backends/portal/pipewire_frames.h"
#include "backends/portal/portal_bus.h"
#include "backends/portal/session_watch.h"
#include "common/stop_request.h"

#include <cstdio>
#include <string>

#include <gio/gio.h>
#include <gio/gunixfdlist.h>

namespace {

const char* const screenCast = "org.freedesktop.portal.ScreenCast";

const char* const askNotice =
    "The desktop now asks in a dialog to share the screen: switch \"Allow remote interaction\" on, then choose "
    "Share\n";
const char* const noSession = "The desktop's remote desktop portal did not start a session\n";
const char* const refused = "Sharing the screen was refused in the desktop's dialog\n";
const char* const noPointer =
    "The screen was shared without remote interaction: run again and switch \"Allow remote interaction\" on\n";
const char* const noStream = "The desktop's screen cast gave no stream of the screen\n";

constexpr uint32_t monitorSource = 1;
constexpr uint32_t cursorHidden = 1;
// The dialog's answer has no limit but Ctrl+C.
constexpr int64_t setupTimeoutMs = 30000;

struct Session {
    GDBusConnection* bus = nullptr;
    std::string handle;
    CastStream stream;
    int tokens = 0;
    bool pointerRefused = false;
};

Session session;

struct Answer {
    bool came = false;
    PortalResponse response;
};

void onResponse(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
                gpointer data)
{
    auto* answer = static_cast<Answer*>(data);
    if (answer->came)
        return;
    answer->came = true;
    if (!readResponse(parameters, answer->response))
        answer->response.code = 2;
}

// Calls a method that answers through a Request object, and waits for its
// Response (limitMs < 0: until it comes or a stop is asked for). The options
// builder gets the request's token added and is consumed.
PortalResponse request(const char* interface, const char* method, const char* sessionPath, GVariantBuilder* options,
                       int64_t limitMs)
{
    const std::string token = "scrivdraw" + std::to_string(++session.tokens);
    g_variant_builder_add(options, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
    const std::string path = requestPathFor(g_dbus_connection_get_unique_name(session.bus), token.c_str());
    Answer answer;
    // Listening before the call, so an answer that comes at once is not missed.
    const guint subscription = g_dbus_connection_signal_subscribe(
        session.bus, portalName, "org.freedesktop.portal.Request", "Response", path.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, onResponse, &answer, nullptr);
    GVariant* parameters = sessionPath == nullptr
                               ? g_variant_new("(a{sv})", options)
                               : (std::string(method) == "Start" ? g_variant_new("(osa{sv})", sessionPath, "", options)
                                                                 : g_variant_new("(oa{sv})", sessionPath, options));
    GVariant* reply = callPortal(interface, method, parameters, G_VARIANT_TYPE("(o)"));
    if (reply != nullptr) {
        g_variant_unref(reply);
        const int64_t start = g_get_monotonic_time();
        GMainContext* context = g_main_context_default();
        while (!answer.came && !stopRequested() &&
               (limitMs < 0 || g_get_monotonic_time() - start < limitMs * 1000)) {
            // Woken now and then, so a stop asked for meanwhile is seen.
            GSource* tick = g_timeout_source_new(100);
            g_source_set_callback(tick, [](gpointer) { return gboolean(G_SOURCE_REMOVE); }, nullptr, nullptr);
            g_source_attach(tick, context);
            g_main_context_iteration(context, TRUE);
            g_source_destroy(tick);
            g_source_unref(tick);
        }
    }
    g_dbus_connection_signal_unsubscribe(session.bus, subscription);
    PortalResponse response = answer.response;
    if (!answer.came)
        response.code = 2;
    return response;
}

uint32_t property(const char* interface, const char* name)
{
    GVariant* reply = g_dbus_connection_call_sync(
        session.bus, portalName, portalPath, "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", interface, name), G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, portalCallTimeoutMs,
        nullptr, nullptr);
    uint32_t value = 0;
    if (reply != nullptr) {
        GVariant* inner = nullptr;
        g_variant_get(reply, "(v)", &inner);
        if (g_variant_is_of_type(inner, G_VARIANT_TYPE_UINT32))
            value = g_variant_get_uint32(inner);
        g_variant_unref(inner);
        g_variant_unref(reply);
    }
    return value;
}

bool connectBus()
{
    if (session.bus == nullptr)
        session.bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    return session.bus != nullptr;
}

void endSession()
{
    forgetInputHops();
    if (session.bus != nullptr)
        unwatchPortalSession(session.bus);
    closeFrameStream();
    if (session.bus != nullptr && !session.handle.empty()) {
        GVariant* reply = g_dbus_connection_call_sync(session.bus, portalName, session.handle.c_str(),
                                                      "org.freedesktop.portal.Session", "Close", nullptr, nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, portalCallTimeoutMs, nullptr, nullptr);
        if (reply != nullptr)
            g_variant_unref(reply);
    }
    if (session.bus != nullptr) {
        g_dbus_connection_flush_sync(session.bus, nullptr, nullptr);
        g_object_unref(session.bus);
    }
    session = Session{};
}

// The screen cast's PipeWire connection, handed over as a file descriptor.
bool openFrames()
{
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    GUnixFDList* fds = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        session.bus, portalName, portalPath, screenCast, "OpenPipeWireRemote",
        g_variant_new("(oa{sv})", session.handle.c_str(), &options), G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE,
        portalCallTimeoutMs, nullptr, &fds, nullptr, nullptr);
    int fd = -1;
    if (reply != nullptr && fds != nullptr) {
        gint32 index = -1;
        g_variant_get(reply, "(h)", &index);
        if (index >= 0 && index < g_unix_fd_list_get_length(fds))
            fd = g_unix_fd_list_get(fds, index, nullptr);
    }
    if (reply != nullptr)
        g_variant_unref(reply);
    if (fds != nullptr)
        g_object_unref(fds);
    return fd >= 0 && openFrameStream(fd, session.stream.node);
}

}  // namespace

bool portalOffered()
{
    if (!connectBus())
        return false;
    return (property(remoteDesktop, "AvailableDeviceTypes") & portalPointer) != 0 &&
           (property(screenCast, "AvailableSourceTypes") & monitorSource) != 0;
}

const char* openPortalSession()
{
    if (!connectBus())
        return noSession;
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "session_handle_token", g_variant_new_string("scrivdraw"));
    PortalResponse created = request(remoteDesktop, "CreateSession", nullptr, &options, setupTimeoutMs);
    session.handle = created.code == 0 ? sessionHandleOf(created.results) : std::string();
    releaseResponse(created);
    if (session.handle.empty()) {
        endSession();
        return noSession;
    }
    watchPortalSession(session.bus, session.handle);

    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(portalPointer));
    PortalResponse devices = request(remoteDesktop, "SelectDevices", session.handle.c_str(), &options, setupTimeoutMs);
    const bool devicesChosen = devices.code == 0;
    releaseResponse(devices);

    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(monitorSource));
    g_variant_builder_add(&options, "{sv}", "multiple", g_variant_new_boolean(FALSE));
    // The pointer's image kept out of the frames, where it would hide what is under it.
    if ((property(screenCast, "AvailableCursorModes") & cursorHidden) != 0)
        g_variant_builder_add(&options, "{sv}", "cursor_mode", g_variant_new_uint32(cursorHidden));
    PortalResponse sources = request(screenCast, "SelectSources", session.handle.c_str(), &options, setupTimeoutMs);
    const bool sourcesChosen = sources.code == 0;
    releaseResponse(sources);
    if (!devicesChosen || !sourcesChosen) {
        endSession();
        return noSession;
    }

    std::fputs(askNotice, stdout);
    std::fflush(stdout);
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    PortalResponse started = request(remoteDesktop, "Start", session.handle.c_str(), &options, -1);
    StartResults start;
    const bool haveStream = started.code == 0 && readStartResults(started.results, start);
    const uint32_t code = started.code;
    releaseResponse(started);
    const char* problem = "";
    if (code == 1 || (code != 0 && stopRequested()))
        problem = refused;
    else if (code != 0)
        problem = noSession;
    else if ((start.devices & portalPointer) == 0)
        problem = noPointer;
    else if (!haveStream)
        problem = noStream;
    if (*problem == '\0') {
        findInputHops();
        session.stream = start.stream;
        if (!openFrames())
            problem = noStream;
    }
    if (*problem != '\0')
        endSession();
    return problem;
}

void closePortalSession() { endSession(); }

bool portalSessionEnded()
{
    return !session.handle.empty() && (portalSessionClosedByDesktop() || session.pointerRefused || frameStreamEnded());
}

void portalPointerRefused() { session.pointerRefused = true; }

const CastStream& portalStream() { return session.stream; }

GDBusConnection* portalBus() { return session.bus; }

const std::string& portalSessionHandle() { return session.handle; }

GVariant* callPortal(const char* interface, const char* method, GVariant* parameters, const GVariantType* replyType)
{
    return g_dbus_connection_call_sync(session.bus, portalName, portalPath, interface, method, parameters, replyType,
                                       G_DBUS_CALL_FLAGS_NONE, portalCallTimeoutMs, nullptr, nullptr);
}
