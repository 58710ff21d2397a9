#pragma once
// What the desktop portal answers, read out of its D-Bus values. They come from
// another process: every value is looked up by name and type, and anything
// missing, mistyped or out of range makes the answer unusable rather than
// guessed at.

#include <cstdint>
#include <string>

#include <gio/gio.h>

// The devices Start grants, as the portal numbers them.
inline constexpr uint32_t portalKeyboard = 1;
inline constexpr uint32_t portalPointer = 2;

// A Request's Response: 0 granted, 1 refused by the user, 2 anything else.
struct PortalResponse {
    uint32_t code = 2;
    GVariant* results = nullptr;  // a{sv}, owned; null when none came
};

// Reads a Response signal's parameters, (ua{sv}). False when they are not that.
bool readResponse(GVariant* parameters, PortalResponse& response);
void releaseResponse(PortalResponse& response);

// The session handle CreateSession's results give; empty when none or not a path.
std::string sessionHandleOf(GVariant* results);

// The stream the session shows: its PipeWire node and where it lies on the
// desktop, in the logical pixels pointer positions are given in.
struct CastStream {
    uint32_t node = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct StartResults {
    uint32_t devices = 0;  // portalPointer, ... granted; 0 when none
    bool haveStream = false;
    CastStream stream;     // the first stream, the one taken as the screen
};

// Reads Start's results. False when there is no usable stream: none, or one
// without a size between 1 and 32767 on each side. Devices are read either way.
bool readStartResults(GVariant* results, StartResults& start);

// The D-Bus object path a request's answer comes on, as the portal makes it from
// the caller's unique bus name (":1.42" gives "1_42") and the token the caller chose.
std::string requestPathFor(const char* uniqueName, const char* token);

// Whether a message from the bus says the session whose handle is given has
// ended on the desktop's side (the user stopped sharing, or the desktop closed
// it): the Session's Closed signal at that path, or the portal's name losing
// its owner (the portal itself gone).
bool endsPortalSession(GDBusMessage* message, const char* sessionHandle);

// Whether a message from the bus answers the call sent with the given serial
// (0: none), and if so whether it was an error, an answer of refusal.
bool answersCall(GDBusMessage* message, uint32_t serial, bool& refused);
