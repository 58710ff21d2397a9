// WebP through libwebp: lossy or lossless, with or without alpha; of an animated
// one the first frame, as its canvas shows it.
#include "image/picture_decoders.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

namespace {

const char* statusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "bad bitstream";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_SUSPENDED: return "suspended";
    case VP8_STATUS_USER_ABORT: return "aborted";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "it ends too soon";
    case VP8_STATUS_OK: break;
    }
    return "";
}

struct AnimationDecoder {
    WebPAnimDecoder* decoder = nullptr;
    ~AnimationDecoder()
    {
        if (decoder != nullptr)
            WebPAnimDecoderDelete(decoder);
    }
};

PictureLoad firstFrame(const uint8_t* bytes, size_t size, PassPixels& out)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return damagedPicture(PictureFormat::WebP, "libwebp version mismatch");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData data{bytes, size};
    AnimationDecoder animation;
    animation.decoder = WebPAnimDecoderNew(&data, &options);
    if (animation.decoder == nullptr)
        return damagedPicture(PictureFormat::WebP, "bad animation");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(animation.decoder, &info))
        return damagedPicture(PictureFormat::WebP, "bad animation");
    if (PictureLoad fits = checkPictureSize(info.canvas_width, info.canvas_height, PictureFormat::WebP);
        fits.result != LoadResult::Loaded)
        return fits;
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderHasMoreFrames(animation.decoder) ||
        !WebPAnimDecoderGetNext(animation.decoder, &canvas, &timestamp) || canvas == nullptr)
        return damagedPicture(PictureFormat::WebP, "its first frame does not decode");
    const int32_t width = static_cast<int32_t>(info.canvas_width);
    const int32_t height = static_cast<int32_t>(info.canvas_height);
    if (composeForPass(canvas, width, height, size_t(width) * 4, 1, out) != LoadResult::Loaded)
        return pictureOutOfMemory();
    return {LoadResult::Loaded, {}};
}

}  // namespace

PictureLoad decodeWebp(const uint8_t* bytes, size_t size, PassPixels& out)
{
    WebPBitstreamFeatures features;
    if (const VP8StatusCode status = WebPGetFeatures(bytes, size, &features); status != VP8_STATUS_OK)
        return damagedPicture(PictureFormat::WebP, statusText(status));
    if (PictureLoad fits = checkPictureSize(features.width, features.height, PictureFormat::WebP);
        fits.result != LoadResult::Loaded)
        return fits;
    if (features.has_animation)
        return firstFrame(bytes, size, out);

    const int32_t width = features.width;
    const int32_t height = features.height;
    const size_t stride = size_t(width) * 4;
    const size_t rgbaSize = stride * size_t(height);
    std::unique_ptr<uint8_t[]> rgba = allocatePictureBuffer(rgbaSize);
    if (!rgba)
        return pictureOutOfMemory();
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return damagedPicture(PictureFormat::WebP, "libwebp version mismatch");
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = rgba.get();
    config.output.u.RGBA.stride = static_cast<int>(stride);
    config.output.u.RGBA.size = rgbaSize;
    const VP8StatusCode status = WebPDecode(bytes, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OUT_OF_MEMORY)
        return pictureOutOfMemory();
    if (status != VP8_STATUS_OK)
        return damagedPicture(PictureFormat::WebP, statusText(status));
    if (composeForPass(rgba.get(), width, height, stride, 1, out) != LoadResult::Loaded)
        return pictureOutOfMemory();
    return {LoadResult::Loaded, {}};
}
