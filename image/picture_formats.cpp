// Which format a picture is in, told by its first bytes, and which formats this
// build reads.
#include "image/picture_decoders.h"

#include <cstring>
#include <string>

namespace {

bool startsWith(const uint8_t* bytes, size_t size, size_t at, const char* text)
{
    const size_t length = std::strlen(text);
    return size >= at + length && std::memcmp(bytes + at, text, length) == 0;
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
