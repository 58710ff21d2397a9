#include "backends/wlroots/wayland_screencopy.h"

#include "backends/wlroots/wayland_session.h"
#include "desktop/platform.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int32_t largestSide = 16384;
constexpr int64_t captureTimeoutMs = 2000;

// Shared memory the compositor copies into, kept from copy to copy while the
// frames ask for the same layout (the watchdog's rows do, at every point).
struct CopyBuffer {
    int fd = -1;
    uint8_t* bytes = nullptr;
    size_t size = 0;
    wl_shm_pool* pool = nullptr;
    wl_buffer* buffer = nullptr;
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;
};

// The copy under way: the rectangle asked for, the part of it on the screen,
// and what the compositor has said about its frame.
struct CopyRequest {
    zwlr_screencopy_frame_v1* frame = nullptr;
    ScreenCopyState state = ScreenCopyState::Idle;
    int32_t left = 0, top = 0, width = 0, height = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool yInvert = false;
};

CopyBuffer copyBuffer;
CopyRequest request;

void freeBuffer()
{
    if (copyBuffer.buffer != nullptr)
        wl_buffer_destroy(copyBuffer.buffer);
    if (copyBuffer.pool != nullptr)
        wl_shm_pool_destroy(copyBuffer.pool);
    if (copyBuffer.bytes != nullptr)
        munmap(copyBuffer.bytes, copyBuffer.size);
    if (copyBuffer.fd >= 0)
        close(copyBuffer.fd);
    copyBuffer = CopyBuffer{};
}

bool readableFormat(uint32_t format)
{
    return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888 ||
           format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
}

bool prepareBuffer(uint32_t format, uint32_t width, uint32_t height, uint32_t stride)
{
    if (copyBuffer.buffer != nullptr && copyBuffer.format == format && copyBuffer.width == width &&
        copyBuffer.height == height && copyBuffer.stride == stride)
        return true;
    freeBuffer();
    const uint64_t size = uint64_t{stride} * height;
    if (width == 0 || height == 0 || stride < uint64_t{width} * 4 || size > INT32_MAX)
        return false;
    copyBuffer.fd = memfd_create("scrivdraw-screen", MFD_CLOEXEC);
    if (copyBuffer.fd < 0 || ftruncate(copyBuffer.fd, static_cast<off_t>(size)) != 0) {
        freeBuffer();
        return false;
    }
    void* bytes = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, copyBuffer.fd, 0);
    if (bytes == MAP_FAILED) {
        freeBuffer();
        return false;
    }
    copyBuffer.bytes = static_cast<uint8_t*>(bytes);
    copyBuffer.size = size;
    copyBuffer.pool = wl_shm_create_pool(wayland.shm, copyBuffer.fd, static_cast<int32_t>(size));
    copyBuffer.buffer = wl_shm_pool_create_buffer(copyBuffer.pool, 0, static_cast<int32_t>(width),
                                                  static_cast<int32_t>(height), static_cast<int32_t>(stride), format);
    copyBuffer.format = format;
    copyBuffer.width = width;
    copyBuffer.height = height;
    copyBuffer.stride = stride;
    return true;
}

void endFrame(ScreenCopyState state)
{
    if (request.frame != nullptr)
        zwlr_screencopy_frame_v1_destroy(request.frame);
    request.frame = nullptr;
    request.state = state;
}

void onBuffer(void*, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width, uint32_t height,
              uint32_t stride)
{
    if (frame != request.frame || request.state != ScreenCopyState::Pending)
        return;
    if (!readableFormat(format) || !prepareBuffer(format, width, height, stride)) {
        endFrame(ScreenCopyState::Failed);
        return;
    }
    zwlr_screencopy_frame_v1_copy(frame, copyBuffer.buffer);
}

void onFlags(void*, zwlr_screencopy_frame_v1* frame, uint32_t flags)
{
    if (frame == request.frame)
        request.yInvert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void onReady(void*, zwlr_screencopy_frame_v1* frame, uint32_t, uint32_t, uint32_t)
{
    if (frame == request.frame)
        endFrame(ScreenCopyState::Ready);
}

void onFailed(void*, zwlr_screencopy_frame_v1* frame)
{
    if (frame == request.frame)
        endFrame(ScreenCopyState::Failed);
}

void onDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}

const zwlr_screencopy_frame_v1_listener frameListener = {onBuffer, onFlags, onReady, onFailed, onDamage};

// The copied buffer, as the program's pixels. The buffer covers the on-screen
// part of the rectangle; on a scaled output it has more pixels than that part,
// and each logical pixel takes the buffer pixel at its top-left corner.
int32_t copyScale = 0;  // buffer pixels per logical one, in percent, of the last copy

void convertInto(uint32_t* out)
{
    std::fill(out, out + int64_t{request.width} * request.height, invalidColour);
    const int64_t partWidth = request.x1 - request.x0;
    const int64_t partHeight = request.y1 - request.y0;
    if (partWidth <= 0 || partHeight <= 0 || copyBuffer.bytes == nullptr)
        return;
    copyScale = static_cast<int32_t>((int64_t{copyBuffer.width} * 100 + partWidth / 2) / partWidth);
    const bool bgr = copyBuffer.format == WL_SHM_FORMAT_XBGR8888 || copyBuffer.format == WL_SHM_FORMAT_ABGR8888;
    for (int64_t y = 0; y < partHeight; ++y) {
        int64_t row = y * copyBuffer.height / partHeight;
        if (request.yInvert)
            row = copyBuffer.height - 1 - row;
        const uint8_t* line = copyBuffer.bytes + row * copyBuffer.stride;
        uint32_t* target = out + (request.y0 - request.top + y) * request.width + (request.x0 - request.left);
        for (int64_t x = 0; x < partWidth; ++x) {
            const uint8_t* p = line + x * copyBuffer.width / partWidth * 4;
            // Little-endian words: 0xXXRRGGBB is bytes B, G, R; 0xXXBBGGRR is R, G, B.
            const uint32_t r = bgr ? p[0] : p[2];
            const uint32_t g = p[1];
            const uint32_t b = bgr ? p[2] : p[0];
            target[x] = r | g << 8 | b << 16;
        }
    }
}

int64_t nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

int32_t screenCopyScalePercent() { return copyScale; }

bool beginScreenCopy(int32_t left, int32_t top, int32_t width, int32_t height)
{
    cancelScreenCopy();
    if (wayland.copyManager == nullptr || width <= 0 || height <= 0 || width > largestSide || height > largestSide)
        return false;
    request = CopyRequest{};
    request.left = left;
    request.top = top;
    request.width = width;
    request.height = height;
    request.x0 = static_cast<int32_t>(std::max<int64_t>(left, 0));
    request.y0 = static_cast<int32_t>(std::max<int64_t>(top, 0));
    request.x1 = static_cast<int32_t>(std::min<int64_t>(int64_t{left} + width, wayland.width));
    request.y1 = static_cast<int32_t>(std::min<int64_t>(int64_t{top} + height, wayland.height));
    request.state = ScreenCopyState::Pending;
    if (request.x0 >= request.x1 || request.y0 >= request.y1) {
        request.state = ScreenCopyState::Ready;  // nothing on the screen to wait for
        return true;
    }
    request.frame = zwlr_screencopy_manager_v1_capture_output_region(wayland.copyManager, 0, wayland.output,
                                                                     request.x0, request.y0, request.x1 - request.x0,
                                                                     request.y1 - request.y0);
    zwlr_screencopy_frame_v1_add_listener(request.frame, &frameListener, nullptr);
    wl_display_flush(wayland.display);
    return true;
}

ScreenCopyState screenCopyReady(uint32_t* out)
{
    if (request.state == ScreenCopyState::Pending && !pumpWayland(0))
        endFrame(ScreenCopyState::Failed);
    const ScreenCopyState state = request.state;
    if (state == ScreenCopyState::Ready)
        convertInto(out);
    if (state == ScreenCopyState::Ready || state == ScreenCopyState::Failed)
        request.state = ScreenCopyState::Idle;
    return state;
}

void cancelScreenCopy() { endFrame(ScreenCopyState::Idle); }

void captureWaylandScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out)
{
    if (width <= 0 || height <= 0)
        return;
    std::fill(out, out + int64_t{width} * height, invalidColour);
    // This read may take its time: the pointer's image is moved out of it first.
    keepPointerOutOf(left, top, width, height);
    if (!beginScreenCopy(left, top, width, height))
        return;
    const int64_t deadline = nowMs() + captureTimeoutMs;
    for (;;) {
        const ScreenCopyState state = screenCopyReady(out);
        if (state != ScreenCopyState::Pending)
            return;
        const int64_t remaining = deadline - nowMs();
        if (remaining <= 0) {
            cancelScreenCopy();
            return;
        }
        pumpWayland(static_cast<int32_t>(std::min<int64_t>(remaining, 100)));
    }
}

void releaseScreenCopies()
{
    cancelScreenCopy();
    freeBuffer();
}
