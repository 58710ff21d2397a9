// What every decoder shares: the limits and buffers, the reasons a picture is
// refused with, and the common end that turns and lays the RGBA rows over white.
#include "image/picture_decoders.h"

#include <cstdio>
#include <new>
#include <utility>

namespace {

int32_t allocationsUntilFailure = 0;
PictureLimits limitsInForce;

}  // namespace

void failPictureAllocation(int32_t n) { allocationsUntilFailure = n; }

void setPictureLimits(const PictureLimits& limits) { limitsInForce = limits; }

PictureLimits pictureLimits() { return limitsInForce; }

std::unique_ptr<uint8_t[]> allocatePictureBuffer(size_t bytes)
{
    if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0)
        return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes == 0 ? 1 : bytes]);
}

PictureLoad pictureFailure(LoadResult result, std::string reason) { return {result, std::move(reason)}; }

PictureLoad damagedPicture(PictureFormat format, const std::string& detail)
{
    std::string reason = std::string("The ") + pictureFormatName(format) + " file is damaged";
    if (!detail.empty())
        reason += " (" + detail + ")";
    return {LoadResult::Malformed, reason + "."};
}

PictureLoad pictureOutOfMemory() { return {LoadResult::OutOfMemory, "There is not enough memory for it."}; }

PictureLoad checkPictureSize(int64_t width, int64_t height, PictureFormat format)
{
    if (width < 1 || height < 1)
        return damagedPicture(format, "it has no pixels");
    const PictureLimits& limits = limitsInForce;
    if (width > limits.maxSide || height > limits.maxSide || width * height > limits.maxPixels) {
        char text[160];
        const int64_t mebi = 1024 * 1024;
        // Whole millions (of 2^20) as the limit is set by default; plain numbers otherwise.
        if (limits.maxPixels % mebi == 0)
            std::snprintf(text, sizeof text,
                          "Its %lld x %lld pixels are more than scrivdraw takes (%d on a side, %lld million in all).",
                          static_cast<long long>(width), static_cast<long long>(height), limits.maxSide,
                          static_cast<long long>(limits.maxPixels / mebi));
        else
            std::snprintf(text, sizeof text,
                          "Its %lld x %lld pixels are more than scrivdraw takes (%d on a side, %lld in all).",
                          static_cast<long long>(width), static_cast<long long>(height), limits.maxSide,
                          static_cast<long long>(limits.maxPixels));
        return {LoadResult::NotSupported, text};
    }
    return {LoadResult::Loaded, {}};
}

LoadResult composeForPass(const uint8_t* rgba, int32_t width, int32_t height, size_t stride, int orientation,
                          PassPixels& out)
{
    out = PassPixels{};
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    // Orientations 5 to 8 turn the picture a quarter: its sides swap.
    const bool turned = orientation >= 5;
    const int32_t outWidth = turned ? height : width;
    const int32_t outHeight = turned ? width : height;
    std::unique_ptr<uint8_t[]> bytes =
        allocatePictureBuffer(static_cast<size_t>(outWidth) * static_cast<size_t>(outHeight) * 4);
    if (!bytes)
        return LoadResult::OutOfMemory;

    uint8_t* at = bytes.get();
    for (int32_t y = 0; y < outHeight; ++y) {
        for (int32_t x = 0; x < outWidth; ++x) {
            // The stored pixel that shows at (x, y) once the picture is turned as its
            // EXIF orientation says.
            int32_t sx = x;
            int32_t sy = y;
            switch (orientation) {
            case 2: sx = width - 1 - x; break;                          // mirrored
            case 3: sx = width - 1 - x; sy = height - 1 - y; break;     // upside down
            case 4: sy = height - 1 - y; break;                         // flipped
            case 5: sx = y; sy = x; break;                              // transposed
            case 6: sx = y; sy = height - 1 - x; break;                 // to turn clockwise
            case 7: sx = width - 1 - y; sy = height - 1 - x; break;     // transversed
            case 8: sx = width - 1 - y; sy = x; break;                  // to turn anticlockwise
            default: break;
            }
            const uint8_t* p = rgba + static_cast<size_t>(sy) * stride + static_cast<size_t>(sx) * 4;
            const uint32_t alpha = p[3];
            for (int c = 0; c < 3; ++c)
                at[c] = static_cast<uint8_t>((p[c] * alpha + 255 * (255 - alpha) + 127) / 255);
            at[3] = 0;
            at += 4;
        }
    }
    out.width = outWidth;
    out.height = outHeight;
    out.bytes = std::move(bytes);
    return LoadResult::Loaded;
}
