#include "backends/portal/portal_replies.h"

#include <cstring>

namespace {

constexpr int32_t largestSide = 32767;

bool same(const char* a, const char* b) { return a != nullptr && b != nullptr && std::strcmp(a, b) == 0; }

}  // namespace

bool readResponse(GVariant* parameters, PortalResponse& response)
{
    response = PortalResponse{};
    if (parameters == nullptr || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})")))
        return false;
    g_variant_get(parameters, "(u@a{sv})", &response.code, &response.results);
    return true;
}

void releaseResponse(PortalResponse& response)
{
    if (response.results != nullptr)
        g_variant_unref(response.results);
    response = PortalResponse{};
}

std::string sessionHandleOf(GVariant* results)
{
    if (results == nullptr || !g_variant_is_of_type(results, G_VARIANT_TYPE_VARDICT))
        return {};
    // Version 1 of the portal sends the handle as a string; either way it must be a path.
    const char* handle = nullptr;
    if (!g_variant_lookup(results, "session_handle", "&s", &handle) &&
        !g_variant_lookup(results, "session_handle", "&o", &handle))
        return {};
    if (!g_variant_is_object_path(handle))
        return {};
    return handle;
}

bool readStartResults(GVariant* results, StartResults& start)
{
    start = StartResults{};
    if (results == nullptr || !g_variant_is_of_type(results, G_VARIANT_TYPE_VARDICT))
        return false;
    uint32_t devices = 0;
    if (g_variant_lookup(results, "devices", "u", &devices))
        start.devices = devices;
    GVariant* streams = g_variant_lookup_value(results, "streams", G_VARIANT_TYPE("a(ua{sv})"));
    if (streams == nullptr)
        return false;
    bool usable = false;
    if (g_variant_n_children(streams) > 0) {
        GVariant* properties = nullptr;
        CastStream stream;
        g_variant_get_child(streams, 0, "(u@a{sv})", &stream.node, &properties);
        // Position is optional (a lone monitor has none); size is not.
        g_variant_lookup(properties, "position", "(ii)", &stream.x, &stream.y);
        usable = g_variant_lookup(properties, "size", "(ii)", &stream.width, &stream.height) &&
                 stream.width > 0 && stream.height > 0 && stream.width <= largestSide &&
                 stream.height <= largestSide;
        g_variant_unref(properties);
        if (usable) {
            start.stream = stream;
            start.haveStream = true;
        }
    }
    g_variant_unref(streams);
    return usable;
}

std::string requestPathFor(const char* uniqueName, const char* token)
{
    std::string path = "/org/freedesktop/portal/desktop/request/";
    const char* name = uniqueName == nullptr ? "" : uniqueName;
    if (*name == ':')
        ++name;
    for (; *name != '\0'; ++name)
        path += *name == '.' ? '_' : *name;
    path += '/';
    path += token == nullptr ? "" : token;
    return path;
}

bool endsPortalSession(GDBusMessage* message, const char* sessionHandle)
{
    if (message == nullptr || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_SIGNAL)
        return false;
    const char* interface = g_dbus_message_get_interface(message);
    const char* member = g_dbus_message_get_member(message);
    if (same(interface, "org.freedesktop.portal.Session") && same(member, "Closed"))
        return sessionHandle != nullptr && *sessionHandle != '\0' &&
               same(g_dbus_message_get_path(message), sessionHandle);
    if (!same(interface, "org.freedesktop.DBus") || !same(member, "NameOwnerChanged") ||
        !same(g_dbus_message_get_sender(message), "org.freedesktop.DBus"))
        return false;
    GVariant* body = g_dbus_message_get_body(message);
    if (body == nullptr || !g_variant_is_of_type(body, G_VARIANT_TYPE("(sss)")))
        return false;
    const char* name = nullptr;
    const char* newOwner = nullptr;
    g_variant_get(body, "(&s&s&s)", &name, nullptr, &newOwner);
    return same(name, "org.freedesktop.portal.Desktop") && *newOwner == '\0';
}

bool answersCall(GDBusMessage* message, uint32_t serial, bool& refused)
{
    refused = false;
    if (message == nullptr || serial == 0 || g_dbus_message_get_reply_serial(message) != serial)
        return false;
    const GDBusMessageType type = g_dbus_message_get_message_type(message);
    if (type != G_DBUS_MESSAGE_TYPE_METHOD_RETURN && type != G_DBUS_MESSAGE_TYPE_ERROR)
        return false;
    refused = type == G_DBUS_MESSAGE_TYPE_ERROR;
    return true;
}
