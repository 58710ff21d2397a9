#pragma once
// Pictures in the formats people have, read into the pass's 4-byte pixels.
//
// The first bytes of a file decide its reader: PNG, JPEG and WebP on Linux
// (libspng, libjpeg-turbo with libexif for the orientation, libwebp); on Windows
// PNG, JPEG, GIF, BMP and TIFF through GDI+. Everything else goes to the Targa
// reader, unchanged. Transparent pixels are laid over white, the blank board; a
// JPEG's (or a GDI+ picture's) EXIF orientation is applied; an animated picture
// gives its first frame. Nothing throws; every failure is a LoadResult and, where
// there is something to say, a one-sentence reason.

#include "image/targa_image.h"

#include <cstddef>
#include <cstdint>
#include <string>

enum class PictureFormat : int32_t {
    Unknown,  // no signature we know: the Targa reader's (Targa has none)
    Png,
    Jpeg,
    WebP,
    Gif,
    Bmp,
    Tiff,
    Heif,  // HEIC/AVIF: recognised, read by neither build
};

// What the first bytes say; size may be short, then only what fits is looked at.
PictureFormat sniffPicture(const uint8_t* bytes, size_t size);
const char* pictureFormatName(PictureFormat format);
// Whether this build has a reader of its own for the format (other than Targa).
bool pictureFormatDecoded(PictureFormat format);

// Limits a decoded picture must keep: the pass stretches any size to the board, so
// these only bound memory (4 bytes a pixel, twice while decoding) and time.
constexpr int32_t maxPictureSide = 16384;
constexpr int64_t maxPicturePixels = int64_t{64} * 1024 * 1024;
// A picture file read into memory whole may be at most this large.
constexpr int64_t maxPictureFileBytes = int64_t{512} * 1024 * 1024;

struct PictureLoad {
    LoadResult result = LoadResult::OpenFailed;
    std::string reason;  // a sentence ending in '.', or empty (always empty when Loaded)
};

// The decoders' common end: RGBA rows (stride bytes apart, 4 bytes a pixel, alpha
// straight, not premultiplied) turned by the EXIF orientation (1-8; anything else
// is taken as 1) and laid over white into out. OutOfMemory if the buffer cannot be
// had; out is then empty.
LoadResult composeForPass(const uint8_t* rgba, int32_t width, int32_t height, size_t stride, int orientation,
                          PassPixels& out);

class Picture {
public:
    // Replaces the contents with the picture in the file at path. A file whose
    // first bytes are no format this build decodes goes to TargaImage::load as it
    // is: its outcome and (empty) reason are the Targa reader's, with a reason only
    // when the signature names a format this build does not read.
    PictureLoad load(const char* path);
    // The same for a file's bytes in memory (TargaImage::loadFromMemory for Targa).
    PictureLoad loadFromMemory(const uint8_t* bytes, size_t size);

    PictureFormat format() const { return format_; }
    // The picture as the pass takes it. For Targa pictures this is the Targa
    // reader's conversion; for decoded ones the pixels are handed over, so a second
    // call gives OpenFailed. On failure out is left empty.
    LoadResult convertForPass(PassPixels& out);

private:
    PictureLoad decode(const uint8_t* bytes, size_t size);

    PictureFormat format_ = PictureFormat::Unknown;
    bool decoded_ = false;  // pixels come from a decoder, not from targa_
    TargaImage targa_;
    PassPixels pixels_;
};

// Allocation failure on demand for the decoders' buffers, as failImageAllocation
// does for the Targa reader: the n-th buffer from now on (1 = the next) fails. 0 off.
void failPictureAllocation(int32_t n);
