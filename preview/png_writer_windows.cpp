// The preview's PNG on Windows: GDI+'s PNG encoder, 8-bit RGB.
#include "preview/scrivlet_page.h"

#include "desktop/platform.h"
#include "image/gdiplus_session.h"
#include "preview/virtual_desktop.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace flat = Gdiplus::DllExports;

namespace {

// GDI+'s built-in PNG encoder.
const CLSID pngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

uint32_t screenColour(int64_t x, int64_t y)
{
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX)
        return invalidColour;
    return virtualPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

}  // namespace

bool writeScreenPng(const char* path, int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (path == nullptr || *path == '\0' || width <= 0 || height <= 0 || width > 0x1FFFFFFF / 3)
        return false;
    if (!startGdiplus())
        return false;
    // 24-bit rows as GDI+ keeps them: blue, green, red, each row a multiple of 4 bytes.
    const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[stride * size_t(height)]);
    if (!pixels)
        return false;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = pixels.get() + size_t(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            // 0x00BBGGRR: red is the lowest byte.
            const uint32_t colour = screenColour(int64_t{left} + x, int64_t{top} + y);
            row[size_t(x) * 3] = static_cast<uint8_t>(colour >> 16);
            row[size_t(x) * 3 + 1] = static_cast<uint8_t>(colour >> 8);
            row[size_t(x) * 3 + 2] = static_cast<uint8_t>(colour);
        }
    }

    const int wideLength = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (wideLength <= 0)
        return false;
    std::unique_ptr<wchar_t[]> widePath(new (std::nothrow) wchar_t[size_t(wideLength)]);
    if (!widePath || MultiByteToWideChar(CP_ACP, 0, path, -1, widePath.get(), wideLength) != wideLength)
        return false;

    Gdiplus::GpBitmap* bitmap = nullptr;
    if (flat::GdipCreateBitmapFromScan0(width, height, static_cast<INT>(stride), PixelFormat24bppRGB, pixels.get(),
                                        &bitmap) != Gdiplus::Ok ||
        bitmap == nullptr)
        return false;
    const bool ok = flat::GdipSaveImageToFile(bitmap, widePath.get(), &pngEncoder, nullptr) == Gdiplus::Ok;
    flat::GdipDisposeImage(bitmap);
    // A half-written picture is worse than none; but only a plain file is ours to delete.
    std::error_code error;
    if (!ok && std::filesystem::is_regular_file(path, error))
        std::remove(path);
    return ok;
}
