#include "image/picture_loader.h"

#include "image/picture_decoders.h"

#include <cstdio>
#include <utility>

PictureLoad Picture::decode(const uint8_t* bytes, size_t size)
{
#if defined(_WIN32)
    return decodeWithGdiplus(bytes, size, format_, pixels_);
#else
    switch (format_) {
    case PictureFormat::Png: return decodePng(bytes, size, pixels_);
    case PictureFormat::Jpeg: return decodeJpeg(bytes, size, pixels_);
    case PictureFormat::WebP: return decodeWebp(bytes, size, pixels_);
    default: return {LoadResult::NotSupported, unreadFormatReason(format_)};
    }
#endif
}

PictureLoad Picture::loadFromMemory(const uint8_t* bytes, size_t size)
{
    pixels_ = PassPixels{};
    format_ = sniffPicture(bytes, size);
    decoded_ = pictureFormatDecoded(format_);
    if (!decoded_) {
        PictureLoad loaded{targa_.loadFromMemory(bytes, size), {}};
        if (loaded.result != LoadResult::Loaded)
            loaded.reason = unreadFormatReason(format_);
        return loaded;
    }
    PictureLoad loaded = decode(bytes, size);
    if (loaded.result != LoadResult::Loaded)
        pixels_ = PassPixels{};
    return loaded;
}

PictureLoad Picture::load(const char* path)
{
    pixels_ = PassPixels{};
    decoded_ = false;
    format_ = PictureFormat::Unknown;
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    uint8_t head[sniffBytes];
    const size_t headSize = file != nullptr ? std::fread(head, 1, sizeof head, file) : 0;
    const PictureFormat format = sniffPicture(head, headSize);
    if (file == nullptr || !pictureFormatDecoded(format)) {
        // Not ours (or not to be opened): the Targa reader's, as it always was.
        if (file != nullptr)
            std::fclose(file);
        format_ = format;
        PictureLoad loaded{targa_.load(path), {}};
        if (loaded.result != LoadResult::Loaded)
            loaded.reason = unreadFormatReason(format);
        return loaded;
    }

    // The whole file in memory, then the same way as loadFromMemory.
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        size = end;
    }
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        format_ = format;
        return {LoadResult::OpenFailed, "It could not be read."};
    }
    if (size > maxPictureFileBytes) {
        std::fclose(file);
        format_ = format;
        return {LoadResult::NotSupported, "The file is larger than scrivdraw takes (512 MiB)."};
    }
    std::unique_ptr<uint8_t[]> bytes = allocatePictureBuffer(static_cast<size_t>(size));
    if (!bytes) {
        std::fclose(file);
        format_ = format;
        return pictureOutOfMemory();
    }
    const size_t got = std::fread(bytes.get(), 1, static_cast<size_t>(size), file);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        format_ = format;
        return {LoadResult::OpenFailed, "It could not be read."};
    }
    // A file that changed size meanwhile: what was read is what there is.
    return loadFromMemory(bytes.get(), got);
}

LoadResult Picture::convertForPass(PassPixels& out)
{
    out = PassPixels{};
    if (!decoded_)
        return targa_.convertForPass(out);
    if (!pixels_.bytes)
        return LoadResult::OpenFailed;
    out = std::move(pixels_);
    pixels_ = PassPixels{};
    return LoadResult::Loaded;
}
