#include "backends/portal/pipewire_frames.h"

#include "backends/linux_timing.h"
#include "backends/portal/frame_look.h"
#include "backends/portal/frame_mapping.h"
#include "backends/portal/pipewire_params.h"
#include "desktop/platform.h"

#include <algorithm>
#include <unistd.h>

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>

namespace {

struct Frames {
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    // All below is guarded by the loop's lock.
    int layout = scrivFrameUnknown;
    int32_t width = 0;
    int32_t height = 0;
    pw_buffer* held = nullptr;  // the newest frame with a picture
    FrameView view;
    FrameStamp stamp;
    uint64_t unreadable = 0;
    bool ended = false;
    FrameLook look;  // sees every frame as it comes
};

Frames frames;
bool pipewireStarted = false;

// Holds the frames' lock for a scope; only while there is a stream.
struct FramesLock {
    FramesLock() { pw_thread_loop_lock(frames.loop); }
    ~FramesLock() { pw_thread_loop_unlock(frames.loop); }
    FramesLock(const FramesLock&) = delete;
    FramesLock& operator=(const FramesLock&) = delete;
};

void release(pw_buffer* buffer)
{
    if (buffer != nullptr)
        pw_stream_queue_buffer(frames.stream, buffer);
}

// The buffer's picture, when it has one that fits what it claims.
bool pictureOf(pw_buffer* buffer, FrameView& view)
{
    spa_buffer* spa = buffer->buffer;
    if (spa == nullptr || spa->n_datas < 1 || frames.layout == scrivFrameUnknown)
        return false;
    const spa_data& data = spa->datas[0];
    if (data.data == nullptr || data.chunk == nullptr || (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) != 0)
        return false;
    const spa_chunk& chunk = *data.chunk;
    if (!frameFits(data.maxsize, chunk.offset, chunk.size, chunk.stride, frames.width, frames.height))
        return false;
    view.bytes = static_cast<const uint8_t*>(data.data) + chunk.offset;
    view.size = chunk.size;
    view.width = frames.width;
    view.height = frames.height;
    view.stride = chunk.stride;
    view.order = frames.layout == scrivFrameBgrx ? PixelOrder::Bgrx : PixelOrder::Rgbx;
    return true;
}

void onProcess(void*)
{
    while (pw_buffer* buffer = pw_stream_dequeue_buffer(frames.stream)) {
        FrameView view;
        if (!pictureOf(buffer, view)) {
            // Frames that only move the cursor, or say nothing, keep the last picture.
            const spa_buffer* spa = buffer->buffer;
            const spa_chunk* chunk = spa != nullptr && spa->n_datas > 0 ? spa->datas[0].chunk : nullptr;
            if (chunk != nullptr && ((chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) != 0 || chunk->size == 0))
                ++frames.unreadable;
            release(buffer);
            continue;
        }
        release(frames.held);
        frames.held = buffer;
        frames.view = view;
        const int64_t now = monotonicNs();
        int64_t shown = now;
        // The compositor's own time of the frame, where it gives one on the same
        // clock: a frame can arrive well after it was made.
        auto* header = static_cast<spa_meta_header*>(
            spa_buffer_find_meta_data(buffer->buffer, SPA_META_Header, sizeof(spa_meta_header)));
        if (header != nullptr && header->pts > 0 && header->pts <= now && header->pts > now - 1'000'000'000)
            shown = header->pts;
        frames.stamp.count += 1;
        frames.stamp.shownNs = shown;
        lookSeesFrame(frames.look, view, shown);
    }
    pw_thread_loop_signal(frames.loop, false);
}

void onRemoveBuffer(void*, pw_buffer* buffer)
{
    if (buffer == frames.held) {
        frames.held = nullptr;
        frames.view = FrameView{};
    }
}

void onParamChanged(void*, uint32_t id, const spa_pod* param)
{
    if (id != SPA_PARAM_Format || param == nullptr)
        return;
    int layout = scrivFrameUnknown;
    uint32_t width = 0;
    uint32_t height = 0;
    if (scrivReadFormat(param, &layout, &width, &height) == 0 || width == 0 || height == 0 || width > 16384 ||
        height > 16384) {
        frames.layout = scrivFrameUnknown;
        return;
    }
    frames.layout = layout;
    frames.width = static_cast<int32_t>(width);
    frames.height = static_cast<int32_t>(height);
    uint8_t buffer[1024];
    const spa_pod* params[2] = {};
    if (scrivBufferParams(buffer, sizeof buffer, params) == 2)
        pw_stream_update_params(frames.stream, params, 2);
}

void onStateChanged(void*, pw_stream_state, pw_stream_state state, const char*)
{
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
        frames.ended = true;
        pw_thread_loop_signal(frames.loop, false);
    }
}

// Set field by field: the table grows with PipeWire's versions.
pw_stream_events streamEventsOf()
{
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = onStateChanged;
    events.param_changed = onParamChanged;
    events.remove_buffer = onRemoveBuffer;
    events.process = onProcess;
    return events;
}

const pw_stream_events streamEvents = streamEventsOf();

}  // namespace

bool openFrameStream(int fd, uint32_t node)
{
    closeFrameStream();
    if (!pipewireStarted) {
        pw_init(nullptr, nullptr);
        pipewireStarted = true;
    }
    frames.loop = pw_thread_loop_new("scrivdraw-frames", nullptr);
    if (frames.loop == nullptr) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    frames.context = pw_context_new(pw_thread_loop_get_loop(frames.loop), nullptr, 0);
    if (frames.context == nullptr || pw_thread_loop_start(frames.loop) < 0) {
        if (fd >= 0)
            close(fd);
        closeFrameStream();
        return false;
    }
    pw_thread_loop_lock(frames.loop);
    frames.core = fd >= 0 ? pw_context_connect_fd(frames.context, fd, nullptr, 0)
                          : pw_context_connect(frames.context, nullptr, 0);
    bool connected = false;
    if (frames.core != nullptr) {
        frames.stream = pw_stream_new(frames.core, "scrivdraw",
                                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                                        PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (frames.stream != nullptr) {
            // Not linked to another source when the screen cast's node goes (the
            // user stopped sharing): the stream fails, which ends the drawing.
            pw_stream_add_listener(frames.stream, &frames.listener, &streamEvents, nullptr);
            uint8_t buffer[1024];
            const spa_pod* params[1] = {};
            connected = scrivFormatParam(buffer, sizeof buffer, params) == 1 &&
                        pw_stream_connect(frames.stream, PW_DIRECTION_INPUT, node,
                                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                                       PW_STREAM_FLAG_MAP_BUFFERS |
                                                                       PW_STREAM_FLAG_DONT_RECONNECT),
                                          params, 1) == 0;
        }
    }
    pw_thread_loop_unlock(frames.loop);
    if (!connected)
        closeFrameStream();
    return connected;
}

void closeFrameStream()
{
    if (frames.loop != nullptr) {
        pw_thread_loop_lock(frames.loop);
        if (frames.stream != nullptr) {
            release(frames.held);
            frames.held = nullptr;
            pw_stream_destroy(frames.stream);
        }
        if (frames.core != nullptr)
            pw_core_disconnect(frames.core);
        pw_thread_loop_unlock(frames.loop);
        pw_thread_loop_stop(frames.loop);
        if (frames.context != nullptr)
            pw_context_destroy(frames.context);
        pw_thread_loop_destroy(frames.loop);
    }
    frames = Frames{};
}

FrameStamp newestFrame()
{
    if (frames.loop == nullptr)
        return {};
    const FramesLock lock;
    return frames.stamp;
}

bool waitForFrameSince(int64_t sinceNs, int64_t deadlineNs)
{
    if (frames.loop == nullptr)
        return false;
    pw_thread_loop_lock(frames.loop);
    bool got = false;
    for (;;) {
        got = frames.stamp.count > 0 && frames.stamp.shownNs >= sinceNs;
        const int64_t now = monotonicNs();
        if (got || frames.ended || now >= deadlineNs)
            break;
        // Woken by every frame; at most 50 ms at a time, so a stop is seen.
        timespec until{};
        pw_thread_loop_get_time(frames.loop, &until, std::min<int64_t>(50'000'000, deadlineNs - now));
        pw_thread_loop_timed_wait_full(frames.loop, &until);
    }
    pw_thread_loop_unlock(frames.loop);
    return got;
}

bool copyFromNewestFrame(int32_t screenWidth, int32_t screenHeight, int32_t left, int32_t top, int32_t width,
                         int32_t height, uint32_t* out)
{
    if (width <= 0 || height <= 0)
        return false;
    if (frames.loop == nullptr) {
        std::fill(out, out + int64_t{width} * height, invalidColour);
        return false;
    }
    const FramesLock lock;
    const bool have = frames.held != nullptr;
    copyScreenRectangle(have ? frames.view : FrameView{}, screenWidth, screenHeight, left, top, width, height, out);
    return have;
}

// A flag read under the loop's lock; false without a stream.
static bool lockedFlag(bool (*read)())
{
    if (frames.loop == nullptr)
        return false;
    const FramesLock lock;
    return read();
}

bool frameStreamEnded() { return lockedFlag([] { return frames.ended; }); }
bool framesUnreadable() { return lockedFlag([] { return frames.stamp.count == 0 && frames.unreadable > 0; }); }

void frameSize(int32_t& width, int32_t& height)
{
    width = 0;
    height = 0;
    if (frames.loop == nullptr)
        return;
    const FramesLock lock;
    if (frames.layout != scrivFrameUnknown) {
        width = frames.width;
        height = frames.height;
    }
}

bool withFrameLook(const std::function<void(FrameLook& look, const FrameView* newest, int64_t shownNs)>& use)
{
    if (frames.loop == nullptr)
        return false;
    const FramesLock lock;
    use(frames.look, frames.held != nullptr ? &frames.view : nullptr, frames.stamp.shownNs);
    return true;
}
