// libFuzzer target: what reaches the portal backend from other processes. The
// bytes are a serialised D-Bus value of a Response's type, (ua{sv}), read as the
// backend reads a Request's answer (session handle, Start's devices and stream);
// the last 24 bytes also serve as a frame's sizes, checked and copied as frames
// from the screen cast are. The same bytes, read as a whole D-Bus message, go
// where the bus's messages are checked for the end of the session, and read as
// KWin's answer to a screenshot, a{sv}, whose layout is then copied from.

#include "backends/portal/frame_mapping.h"
#include "backends/portal/kwin_shots.h"
#include "backends/portal/portal_replies.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gio/gio.h>

namespace {

void readFrame(const uint8_t* data, size_t size)
{
    if (size < 24)
        return;
    int32_t v[6];
    std::memcpy(v, data + size - 24, sizeof v);
    // A small buffer, so that any claim that fits it can be copied from.
    const std::vector<uint8_t> buffer(size_t(uint32_t(v[0]) % 4096));
    const uint64_t offset = uint32_t(v[1]) % 8192;
    const uint64_t length = uint32_t(v[2]) % 8192;
    if (!frameFits(buffer.size(), offset, length, v[3], v[4], v[5]))
        return;
    const FrameView frame{buffer.data() + offset, size_t(length), v[4], v[5], v[3], PixelOrder::Bgrx};
    std::vector<uint32_t> out(16);
    copyScreenRectangle(frame, v[4], v[5], v[4] / 2, v[5] / 2, 4, 4, out.data());
}

// A shot's layout as KWin answers it, for a small area and a large one, and the
// shot copied from a buffer of just the bytes that layout claims.
void readShot(const uint8_t* data, size_t size)
{
    GBytes* bytes = g_bytes_new(data, size);
    GVariant* value = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("a{sv}"), bytes, FALSE));
    for (const int32_t side : {3, 300}) {
        FrameView frame;
        if (!readShotLayout(value, side, side, frame))
            continue;
        const std::vector<uint8_t> shot(size_t(frame.stride) * size_t(side));
        frame.bytes = shot.data();
        frame.size = shot.size();
        std::vector<uint32_t> out(size_t(side) * size_t(side));
        copyScreenRectangle(frame, side, side, 0, 0, side, side, out.data());
    }
    g_variant_unref(value);
    g_bytes_unref(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GBytes* bytes = g_bytes_new(data, size);
    GVariant* value = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("(ua{sv})"), bytes, FALSE));
    PortalResponse response;
    if (readResponse(value, response)) {
        (void)sessionHandleOf(response.results);
        StartResults start;
        if (readStartResults(response.results, start) &&
            (start.stream.width <= 0 || start.stream.height <= 0 || start.stream.width > 32767 ||
             start.stream.height > 32767))
            std::abort();
        releaseResponse(response);
    }
    g_variant_unref(value);
    g_bytes_unref(bytes);
    readFrame(data, size);
    readShot(data, size);
    // The bus's own reader first, as the connection does before any filter sees it.
    GDBusMessage* message = g_dbus_message_new_from_blob(const_cast<guchar*>(data), size,
                                                         G_DBUS_CAPABILITY_FLAGS_NONE, nullptr);
    if (message != nullptr) {
        (void)endsPortalSession(message, "/org/freedesktop/portal/desktop/session/1_7/scrivdraw");
        bool refused = false;
        (void)answersCall(message, 7, refused);
        g_object_unref(message);
    }
    return 0;
}
