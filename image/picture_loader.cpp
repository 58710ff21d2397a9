#include "image/picture_loader.h"

#include "image/picture_decoders.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace {

int32_t allocationsUntilFailure = 0;

bool startsWith(const uint8_t* bytes, size_t size, size_t at, const char* text)
{
    const size_t length = std::strlen(text);
    return size >= at + length && std::memcmp(bytes + at, text, length) == 0;
}

// Enough of the start of a file for every signature sniffPicture knows.
constexpr size_t sniffBytes = 16;

// The reason to add when the Targa reader refused a file whose signature names a
// format this build does not decode.
std::string unreadFormatReason(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Unknown:
        return {};
    case PictureFormat::Heif:
        return "HEIC and AVIF pictures are not read: save it as JPEG or PNG.";
    default:
        break;
    }
#if defined(_WIN32)
    return std::string(pictureFormatName(format)) + " pictures are read only by the Linux build.";
#else
    return std::string(pictureFormatName(format)) + " pictures are read only by the Windows build.";
#endif
}

}  // namespace

PictureFormat sniffPicture(const uint8_t* bytes, size_t size)
{
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(bytes, png, 8) == 0)
        return PictureFormat::Png;
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return PictureFormat::Jpeg;
    if (startsWith(bytes, size, 0, "RIFF") && startsWith(bytes, size, 8, "WEBP"))
        return PictureFormat::WebP;
    if (startsWith(bytes, size, 0, "GIF87a") || startsWith(bytes, size, 0, "GIF89a"))
        return PictureFormat::Gif;
    if (startsWith(bytes, size, 0, "BM"))
        return PictureFormat::Bmp;
    static const uint8_t tiffLittle[4] = {'I', 'I', 42, 0};
    static const uint8_t tiffBig[4] = {'M', 'M', 0, 42};
    if (size >= 4 && (std::memcmp(bytes, tiffLittle, 4) == 0 || std::memcmp(bytes, tiffBig, 4) == 0))
        return PictureFormat::Tiff;
    if (startsWith(bytes, size, 4, "ftyp")) {
        for (const char* brand : {"heic", "heix", "heim", "heis", "mif1", "msf1", "avif", "avis"})
            if (startsWith(bytes, size, 8, brand))
                return PictureFormat::Heif;
    }
    // None of these can begin a Targa file the reader takes: their second byte
    // would be its colour map type, which is 0 or 1.
    return PictureFormat::Unknown;
}

const char* pictureFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Png: return "PNG";
    case PictureFormat::Jpeg: return "JPEG";
    case PictureFormat::WebP: return "WebP";
    case PictureFormat::Gif: return "GIF";
    case PictureFormat::Bmp: return "BMP";
    case PictureFormat::Tiff: return "TIFF";
    case PictureFormat::Heif: return "HEIF";
    case PictureFormat::Unknown: break;
    }
    return "Targa";
}

bool pictureFormatDecoded(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Png:
    case PictureFormat::Jpeg:
        return true;
#if defined(_WIN32)
    case PictureFormat::Gif:
    case PictureFormat::Bmp:
    case PictureFormat::Tiff:
        return true;
#else
    case PictureFormat::WebP:
        return true;
#endif
    default:
        return false;
    }
}

void failPictureAllocation(int32_t n) { allocationsUntilFailure = n; }

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
    if (width > maxPictureSide || height > maxPictureSide || width * height > maxPicturePixels) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Its %lld x %lld pixels are more than scrivdraw takes (%d on a side, %lld million in all).",
                      static_cast<long long>(width), static_cast<long long>(height), maxPictureSide,
                      static_cast<long long>(maxPicturePixels / (1024 * 1024)));
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
