#include "backends/portal/portal_replies.h"

#include <gtest/gtest.h>

namespace {

GVariant* parsed(const char* type, const char* text)
{
    GVariant* value = g_variant_parse(G_VARIANT_TYPE(type), text, nullptr, nullptr, nullptr);
    EXPECT_NE(value, nullptr) << text;
    return value;
}

struct StartCase {
    const char* results;
    bool usable;
    uint32_t devices;
    uint32_t node;
    int32_t x, y, width, height;
};

TEST(PortalReplies, StartResultsAreReadByNameAndType)
{
    const StartCase cases[] = {
        // What GNOME's portal sends: a pointer granted, one monitor.
        {"{'devices': <uint32 2>, 'streams': <[(uint32 43, {'position': <(0, 0)>, 'size': <(1280, 1024)>, "
         "'source_type': <uint32 1>})]>}",
         true, 2, 43, 0, 0, 1280, 1024},
        // "Allow remote interaction" left off: the screen but no devices.
        {"{'devices': <uint32 0>, 'streams': <[(uint32 44, {'size': <(1280, 1024)>})]>}", true, 0, 44, 0, 0, 1280,
         1024},
        {"{'streams': <[(uint32 7, {'position': <(1920, -40)>, 'size': <(800, 600)>})]>}", true, 0, 7, 1920, -40,
         800, 600},
        // The first stream is the screen.
        {"{'devices': <uint32 3>, 'streams': <[(uint32 1, {'size': <(10, 20)>}), (uint32 2, {'size': <(30, 40)>})]>}",
         true, 3, 1, 0, 0, 10, 20},
        // Unusable: no streams, none in the list, no size, sizes out of range, wrong types.
        {"{'devices': <uint32 2>}", false, 2, 0, 0, 0, 0, 0},
        {"{'devices': <uint32 2>, 'streams': <@a(ua{sv}) []>}", false, 2, 0, 0, 0, 0, 0},
        {"{'streams': <[(uint32 1, {'position': <(0, 0)>})]>}", false, 0, 0, 0, 0, 0, 0},
        {"{'streams': <[(uint32 1, {'size': <(0, 1024)>})]>}", false, 0, 0, 0, 0, 0, 0},
        {"{'streams': <[(uint32 1, {'size': <(-1280, 1024)>})]>}", false, 0, 0, 0, 0, 0, 0},
        {"{'streams': <[(uint32 1, {'size': <(32768, 1024)>})]>}", false, 0, 0, 0, 0, 0, 0},
        {"{'streams': <[(uint32 1, {'size': <(uint32 1280, uint32 1024)>})]>}", false, 0, 0, 0, 0, 0, 0},
        {"{'devices': <'pointer'>, 'streams': <[(1, 2)]>}", false, 0, 0, 0, 0, 0, 0},
        {"{'streams': <uint32 5>}", false, 0, 0, 0, 0, 0, 0},
    };
    for (const StartCase& c : cases) {
        GVariant* results = parsed("a{sv}", c.results);
        StartResults start;
        EXPECT_EQ(readStartResults(results, start), c.usable) << c.results;
        EXPECT_EQ(start.devices, c.devices) << c.results;
        EXPECT_EQ(start.haveStream, c.usable) << c.results;
        if (c.usable) {
            EXPECT_EQ(start.stream.node, c.node) << c.results;
            EXPECT_EQ(start.stream.x, c.x) << c.results;
            EXPECT_EQ(start.stream.y, c.y) << c.results;
            EXPECT_EQ(start.stream.width, c.width) << c.results;
            EXPECT_EQ(start.stream.height, c.height) << c.results;
        }
        g_variant_unref(results);
    }
    StartResults start;
    EXPECT_FALSE(readStartResults(nullptr, start));
    GVariant* notDictionary = parsed("(u)", "(uint32 2,)");
    EXPECT_FALSE(readStartResults(notDictionary, start));
    g_variant_unref(notDictionary);
}

TEST(PortalReplies, ResponsesAndSessionHandles)
{
    struct Case {
        const char* type;
        const char* parameters;
        bool read;
        uint32_t code;
        const char* handle;
    };
    const Case cases[] = {
        {"(ua{sv})", "(uint32 0, {'session_handle': <'/org/freedesktop/portal/desktop/session/1_5/s'>})", true, 0,
         "/org/freedesktop/portal/desktop/session/1_5/s"},
        {"(ua{sv})", "(uint32 0, {'session_handle': <objectpath '/a/b'>})", true, 0, "/a/b"},
        {"(ua{sv})", "(uint32 1, @a{sv} {})", true, 1, ""},
        {"(ua{sv})", "(uint32 0, {'session_handle': <'not a path'>})", true, 0, ""},
        {"(ua{sv})", "(uint32 0, {'session_handle': <uint32 3>})", true, 0, ""},
        {"(u)", "(uint32 0,)", false, 2, ""},
        {"(sa{sv})", "('0', @a{sv} {})", false, 2, ""},
    };
    for (const Case& c : cases) {
        GVariant* parameters = g_variant_ref_sink(parsed(c.type, c.parameters));
        PortalResponse response;
        EXPECT_EQ(readResponse(parameters, response), c.read) << c.parameters;
        EXPECT_EQ(response.code, c.code) << c.parameters;
        EXPECT_EQ(sessionHandleOf(response.results), c.handle) << c.parameters;
        releaseResponse(response);
        EXPECT_EQ(response.results, nullptr);
        g_variant_unref(parameters);
    }
}

TEST(PortalReplies, RequestPathsFollowTheBusName)
{
    EXPECT_EQ(requestPathFor(":1.42", "scrivdraw1"), "/org/freedesktop/portal/desktop/request/1_42/scrivdraw1");
    EXPECT_EQ(requestPathFor(":1.2.3", "t"), "/org/freedesktop/portal/desktop/request/1_2_3/t");
    EXPECT_EQ(requestPathFor(nullptr, nullptr), "/org/freedesktop/portal/desktop/request//");
}

TEST(PortalReplies, TheSessionEndsOnItsClosedSignalOrThePortalsDeparture)
{
    const char* const ours = "/org/freedesktop/portal/desktop/session/1_7/scrivdraw";
    struct Case {
        const char* path;
        const char* interface;
        const char* member;
        const char* sender;
        const char* body;  // (sss) when not null
        bool ends;
    };
    const Case cases[] = {
        {ours, "org.freedesktop.portal.Session", "Closed", ":1.3", nullptr, true},
        // Another program's session, or another signal of ours.
        {"/org/freedesktop/portal/desktop/session/1_9/other", "org.freedesktop.portal.Session", "Closed", ":1.3",
         nullptr, false},
        {ours, "org.freedesktop.portal.Request", "Response", ":1.3", nullptr, false},
        {ours, "org.freedesktop.impl.portal.Session", "Closed", ":1.3", nullptr, false},
        // The portal gone from the bus; told by the bus itself only.
        {"/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged", "org.freedesktop.DBus",
         "('org.freedesktop.portal.Desktop', ':1.3', '')", true},
        {"/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged", ":1.66",
         "('org.freedesktop.portal.Desktop', ':1.3', '')", false},
        {"/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged", "org.freedesktop.DBus",
         "('org.freedesktop.portal.Desktop', '', ':1.3')", false},
        {"/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged", "org.freedesktop.DBus",
         "('org.gnome.Mutter.RemoteDesktop', ':1.4', '')", false},
        {"/org/freedesktop/DBus", "org.freedesktop.DBus", "NameOwnerChanged", "org.freedesktop.DBus", nullptr,
         false},
    };
    for (const Case& c : cases) {
        GDBusMessage* message = g_dbus_message_new_signal(c.path, c.interface, c.member);
        g_dbus_message_set_sender(message, c.sender);
        if (c.body != nullptr)
            g_dbus_message_set_body(message, parsed("(sss)", c.body));
        EXPECT_EQ(endsPortalSession(message, ours), c.ends) << c.path << " " << c.member << " " << c.sender;
        g_object_unref(message);
    }
    // A method call of the same name is no signal; no session, nothing of ours ends.
    GDBusMessage* call = g_dbus_message_new_method_call(":1.3", ours, "org.freedesktop.portal.Session", "Closed");
    EXPECT_FALSE(endsPortalSession(call, ours));
    g_object_unref(call);
    GDBusMessage* closed = g_dbus_message_new_signal(ours, "org.freedesktop.portal.Session", "Closed");
    EXPECT_FALSE(endsPortalSession(closed, ""));
    EXPECT_FALSE(endsPortalSession(closed, nullptr));
    g_object_unref(closed);
    EXPECT_FALSE(endsPortalSession(nullptr, ours));
}

TEST(PortalReplies, OnlyTheAnswerToTheCallOnItsWayCounts)
{
    GDBusMessage* call = g_dbus_message_new_method_call("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                                        "org.freedesktop.portal.RemoteDesktop", "NotifyPointerButton");
    g_dbus_message_set_serial(call, 41);
    GDBusMessage* answer = g_dbus_message_new_method_reply(call);
    GDBusMessage* refusal = g_dbus_message_new_method_error(call, "org.freedesktop.DBus.Error.AccessDenied", "Invalid session");
    GDBusMessage* signal = g_dbus_message_new_signal("/a", "b.c", "D");
    struct Case {
        GDBusMessage* message;
        uint32_t awaited;
        bool answers;
        bool refused;
    };
    const Case cases[] = {
        {answer, 41, true, false},
        {refusal, 41, true, true},
        // Another call's answer, none awaited, the call itself, a signal.
        {answer, 42, false, false},
        {refusal, 0, false, false},
        {call, 41, false, false},
        {signal, 41, false, false},
        {nullptr, 41, false, false},
    };
    for (const Case& c : cases) {
        bool refused = !c.refused;
        EXPECT_EQ(answersCall(c.message, c.awaited, refused), c.answers) << c.awaited;
        EXPECT_EQ(refused, c.refused) << c.awaited;
    }
    for (GDBusMessage* message : {call, answer, refusal, signal})
        g_object_unref(message);
}

}  // namespace
