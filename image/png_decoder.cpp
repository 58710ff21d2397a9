// PNG through libspng: every colour type and depth to 8-bit RGBA, tRNS applied,
// interlaced or not. The size is checked before anything is allocated.
#include "image/picture_decoders.h"

#include <spng.h>

namespace {

struct SpngContext {
    spng_ctx* ctx = spng_ctx_new(0);
    ~SpngContext()
    {
        if (ctx != nullptr)
            spng_ctx_free(ctx);
    }
};

// Ancillary chunks (text, profiles) are taken up to this size each and in all.
constexpr size_t chunkLimit = size_t{4} * 1024 * 1024;
constexpr size_t chunkCacheLimit = size_t{16} * 1024 * 1024;

}  // namespace

PictureLoad decodePng(const uint8_t* bytes, size_t size, PassPixels& out)
{
    SpngContext png;
    if (png.ctx == nullptr)
        return pictureOutOfMemory();
    spng_set_chunk_limits(png.ctx, chunkLimit, chunkCacheLimit);
    // A damaged ancillary chunk is passed over, as viewers do; damaged image data is not.
    spng_set_crc_action(png.ctx, SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
    spng_set_png_buffer(png.ctx, bytes, size);

    spng_ihdr header{};
    // The size is libspng's to check against PNG's own bounds, ours against the limits.
    if (const int error = spng_get_ihdr(png.ctx, &header); error != 0)
        return damagedPicture(PictureFormat::Png, spng_strerror(error));
    if (PictureLoad fits = checkPictureSize(header.width, header.height, PictureFormat::Png);
        fits.result != LoadResult::Loaded)
        return fits;

    size_t rgbaSize = 0;
    if (const int error = spng_decoded_image_size(png.ctx, SPNG_FMT_RGBA8, &rgbaSize); error != 0)
        return damagedPicture(PictureFormat::Png, spng_strerror(error));
    std::unique_ptr<uint8_t[]> rgba = allocatePictureBuffer(rgbaSize);
    if (!rgba)
        return pictureOutOfMemory();
    if (const int error = spng_decode_image(png.ctx, rgba.get(), rgbaSize, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        error != 0)
        return error == SPNG_EMEM ? pictureOutOfMemory() : damagedPicture(PictureFormat::Png, spng_strerror(error));

    const int32_t width = static_cast<int32_t>(header.width);
    const int32_t height = static_cast<int32_t>(header.height);
    if (composeForPass(rgba.get(), width, height, size_t(width) * 4, 1, out) != LoadResult::Loaded)
        return pictureOutOfMemory();
    return {LoadResult::Loaded, {}};
}
