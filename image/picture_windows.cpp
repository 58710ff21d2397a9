// The Windows build's decoders: GDI+ (flat API) for PNG, JPEG, GIF, BMP and TIFF,
// from memory; of an animated GIF or a many-page TIFF the first frame. The EXIF
// orientation (property 0x0112) is applied by the loader's common end, as for
// libjpeg-turbo's pictures on Linux, and so is the laying over white.
#include "image/exif_orientation.h"
#include "image/gdiplus_session.h"
#include "image/picture_decoders.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <cstdio>
#include <new>
#include <string>

namespace flat = Gdiplus::DllExports;

namespace {

constexpr PROPID orientationTag = 0x0112;

struct Stream {
    IStream* stream = nullptr;
    ~Stream()
    {
        if (stream != nullptr)
            stream->Release();
    }
};

struct Bitmap {
    Gdiplus::GpBitmap* bitmap = nullptr;
    ~Bitmap()
    {
        if (bitmap != nullptr)
            flat::GdipDisposeImage(bitmap);
    }
};

// GDI+'s orientation property; failing that (Wine's GDI+ gives none for JPEG), the
// EXIF segment of a JPEG read directly.
int orientationOf(Gdiplus::GpImage* image, const uint8_t* bytes, size_t size, PictureFormat format)
{
    const uint8_t* segment = nullptr;
    size_t length = 0;
    const int fromFile = format == PictureFormat::Jpeg && findJpegExifSegment(bytes, size, segment, length)
                             ? exifSegmentOrientation(segment, length)
                             : 1;
    UINT itemSize = 0;
    if (flat::GdipGetPropertyItemSize(image, orientationTag, &itemSize) != Gdiplus::Ok ||
        itemSize < sizeof(Gdiplus::PropertyItem) + 2)
        return fromFile;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[itemSize]);
    if (!buffer)
        return fromFile;
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.get());
    if (flat::GdipGetPropertyItem(image, orientationTag, itemSize, item) != Gdiplus::Ok ||
        item->type != 3 /* PropertyTagTypeShort */ || item->length < 2 || item->value == nullptr)
        return fromFile;
    const int orientation = *static_cast<const USHORT*>(item->value);
    return orientation >= 1 && orientation <= 8 ? orientation : fromFile;
}

std::string statusText(Gdiplus::Status status)
{
    char text[48];
    std::snprintf(text, sizeof text, "GDI+ status %d", static_cast<int>(status));
    return text;
}

}  // namespace

bool startGdiplus()
{
    static const bool started = [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        // Never shut down: it lives as long as the program.
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

PictureLoad decodeWithGdiplus(const uint8_t* bytes, size_t size, PictureFormat format, PassPixels& out)
{
    if (!startGdiplus())
        return {LoadResult::NotSupported, "GDI+ could not be started."};
    if (size > 0xFFFFFFFFu)
        return {LoadResult::NotSupported, "The file is larger than scrivdraw takes (512 MiB)."};
    Stream stream;
    stream.stream = SHCreateMemStream(bytes, static_cast<UINT>(size));
    if (stream.stream == nullptr)
        return pictureOutOfMemory();
    Bitmap picture;
    if (const Gdiplus::Status status = flat::GdipCreateBitmapFromStream(stream.stream, &picture.bitmap);
        status != Gdiplus::Ok || picture.bitmap == nullptr)
        return damagedPicture(format, statusText(status));

    UINT width = 0;
    UINT height = 0;
    if (flat::GdipGetImageWidth(picture.bitmap, &width) != Gdiplus::Ok ||
        flat::GdipGetImageHeight(picture.bitmap, &height) != Gdiplus::Ok)
        return damagedPicture(format, "no size");
    if (PictureLoad fits = checkPictureSize(width, height, format); fits.result != LoadResult::Loaded)
        return fits;

    // Straight (not premultiplied) 8-bit BGRA into a buffer of our own.
    const size_t stride = size_t(width) * 4;
    std::unique_ptr<uint8_t[]> rgba = allocatePictureBuffer(stride * size_t(height));
    if (!rgba)
        return pictureOutOfMemory();
    Gdiplus::BitmapData data{};
    data.Width = width;
    data.Height = height;
    data.Stride = static_cast<INT>(stride);
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = rgba.get();
    Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    if (const Gdiplus::Status status = flat::GdipBitmapLockBits(
            picture.bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
            PixelFormat32bppARGB, &data);
        status != Gdiplus::Ok)
        return status == Gdiplus::OutOfMemory ? pictureOutOfMemory() : damagedPicture(format, statusText(status));
    flat::GdipBitmapUnlockBits(picture.bitmap, &data);

    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        uint8_t* p = rgba.get() + i * 4;
        const uint8_t blue = p[0];
        p[0] = p[2];
        p[2] = blue;
    }
    if (composeForPass(rgba.get(), static_cast<int32_t>(width), static_cast<int32_t>(height), stride,
                       orientationOf(picture.bitmap, bytes, size, format), out) != LoadResult::Loaded)
        return pictureOutOfMemory();
    return {LoadResult::Loaded, {}};
}
