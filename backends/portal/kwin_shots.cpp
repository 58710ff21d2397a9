#include "backends/portal/kwin_shots.h"

#include "desktop/platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <vector>

#include <gio/gunixfdlist.h>
#include <poll.h>
#include <unistd.h>

namespace {

// KWin's image formats that are 32-bit words 0xAARRGGBB (alpha ignored: the screen
// is opaque): bytes blue, green, red, alpha on this machine.
constexpr uint32_t formatRgb32 = 4;
constexpr uint32_t formatArgb32Premultiplied = 6;
// KWin answers once the frame is painted, then writes: a shot takes a frame or two.
constexpr int shotCallTimeoutMs = 5000;
constexpr int shotWriteTimeoutMs = 2000;

bool lookupUint(GVariant* results, const char* key, uint32_t& value)
{
    return g_variant_lookup(results, key, "u", &value) != FALSE;
}

void closeQuietly(int fd)
{
    if (fd >= 0)
        close(fd);
}

// Reads exactly size bytes, or fails: the pipe ends early, or stays silent too long.
bool readAll(int fd, uint8_t* bytes, size_t size)
{
    size_t got = 0;
    while (got < size) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, shotWriteTimeoutMs) <= 0)
            return false;
        const ssize_t n = read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

// One CaptureArea: the answer, then the bytes. problem gets KWin's error, if any.
bool takeShot(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out, std::string* problem)
{
    std::fill(out, out + int64_t{width} * height, invalidColour);
    // The process's own session bus (the portal's pointer calls go on another).
    static GDBusConnection* const bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    int ends[2] = {-1, -1};
    if (bus == nullptr || width <= 0 || height <= 0 || pipe2(ends, O_CLOEXEC) != 0)
        return false;
    GUnixFDList* handed = g_unix_fd_list_new();
    const int handle = g_unix_fd_list_append(handed, ends[1], nullptr);
    closeQuietly(ends[1]);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureArea",
        g_variant_new("(iiuua{sv}h)", left, top, uint32_t(width), uint32_t(height), &options, handle),
        G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NONE, shotCallTimeoutMs, handed, nullptr, nullptr, &error);
    // Our copy of the writing end must go, or the pipe never ends.
    g_object_unref(handed);
    bool shot = false;
    if (reply == nullptr) {
        if (problem != nullptr && error != nullptr) {
            gchar* remote = g_dbus_error_get_remote_error(error);
            g_dbus_error_strip_remote_error(error);
            *problem = std::string(remote != nullptr ? remote : "") + (remote != nullptr ? ": " : "") + error->message;
            g_free(remote);
        }
    } else {
        GVariant* results = g_variant_get_child_value(reply, 0);
        FrameView frame;
        if (readShotLayout(results, width, height, frame)) {
            std::vector<uint8_t> bytes(size_t(frame.stride) * size_t(height));
            if (readAll(ends[0], bytes.data(), bytes.size())) {
                frame.bytes = bytes.data();
                frame.size = bytes.size();
                copyScreenRectangle(frame, width, height, 0, 0, width, height, out);
                shot = true;
            }
        } else if (problem != nullptr) {
            *problem = "an answer of another layout than asked for";
        }
        g_variant_unref(results);
        g_variant_unref(reply);
    }
    if (error != nullptr)
        g_error_free(error);
    closeQuietly(ends[0]);
    return shot;
}

struct Look {
    std::thread worker;
    std::vector<uint32_t> pixels;
    std::atomic<bool> done{false};
};

Look look;

}  // namespace

bool readShotLayout(GVariant* results, int32_t width, int32_t height, FrameView& frame)
{
    if (results == nullptr || !g_variant_is_of_type(results, G_VARIANT_TYPE("a{sv}")) || width <= 0 || height <= 0)
        return false;
    uint32_t format = 0;
    uint32_t shotWidth = 0;
    uint32_t shotHeight = 0;
    uint32_t stride = 0;
    if (!lookupUint(results, "format", format) || !lookupUint(results, "width", shotWidth) ||
        !lookupUint(results, "height", shotHeight) || !lookupUint(results, "stride", stride))
        return false;
    const gchar* type = nullptr;
    if (g_variant_lookup(results, "type", "&s", &type) && g_strcmp0(type, "raw") != 0)
        return false;
    if (format < formatRgb32 || format > formatArgb32Premultiplied)
        return false;
    // A scaled output's shot in its own pixels is larger than the area: not taken.
    if (shotWidth != uint32_t(width) || shotHeight != uint32_t(height))
        return false;
    // Rows no shorter than their pixels, and no wider than a little padding.
    if (uint64_t{stride} < uint64_t{shotWidth} * 4 || uint64_t{stride} > uint64_t{shotWidth} * 4 + 64)
        return false;
    frame = FrameView{nullptr, 0, width, height, int32_t(stride), PixelOrder::Bgrx};
    return true;
}

std::string openKwinShots()
{
    uint32_t pixel = 0;
    std::string problem;
    if (takeShot(0, 0, 1, 1, &pixel, &problem))
        return "";
    return problem.empty() ? std::string("no shot came") : problem;
}

std::string kwinRefusalLine(const std::string& refused)
{
    return "The desktop's screen cast sends only empty pictures, and KWin's screenshots (org.kde.KWin.ScreenShot2) "
           "refused this program (" + refused + "), so the screen can't be read: install scrivdraw's package, whose "
           ".desktop file grants them, or list this executable in one (see its documentation)\n";
}

bool kwinShot(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    return takeShot(left, top, width, height, out, nullptr);
}

void beginKwinShot(int32_t left, int32_t top, int32_t width, int32_t height)
{
    cancelKwinShot();
    look.pixels.assign(size_t(std::max(width, 0)) * size_t(std::max(height, 0)), invalidColour);
    look.done = false;
    look.worker = std::thread([=] {
        takeShot(left, top, width, height, look.pixels.data(), nullptr);
        look.done = true;
    });
}

bool kwinShotDone(uint32_t* out)
{
    if (!look.worker.joinable())
        return true;
    if (!look.done)
        return false;
    look.worker.join();
    std::copy(look.pixels.begin(), look.pixels.end(), out);
    return true;
}

void cancelKwinShot()
{
    // A shot under way ends within its call's and write's time limits.
    if (look.worker.joinable())
        look.worker.join();
}
