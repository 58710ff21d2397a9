// The preview's PNG on Linux: libspng's encoder, 8-bit RGB, one row at a time, so
// the memory used does not grow with the picture.
#include "preview/scrivlet_page.h"

#include "desktop/platform.h"
#include "preview/virtual_desktop.h"

#include <spng.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

namespace {

uint32_t screenColour(int64_t x, int64_t y)
{
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX)
        return invalidColour;
    return virtualPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

bool encodeRows(spng_ctx* png, std::FILE* file, int32_t left, int32_t top, int32_t width, int32_t height,
                uint8_t* row)
{
    if (spng_set_png_file(png, file) != 0)
        return false;
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(width);
    header.height = static_cast<uint32_t>(height);
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    if (spng_set_ihdr(png, &header) != 0)
        return false;
    if (spng_encode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) != 0)
        return false;
    const size_t rowBytes = size_t(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            // 0x00BBGGRR: red is the lowest byte.
            const uint32_t colour = screenColour(int64_t{left} + x, int64_t{top} + y);
            row[size_t(x) * 3] = static_cast<uint8_t>(colour);
            row[size_t(x) * 3 + 1] = static_cast<uint8_t>(colour >> 8);
            row[size_t(x) * 3 + 2] = static_cast<uint8_t>(colour >> 16);
        }
        const int result = spng_encode_row(png, row, rowBytes);
        // The last row ends the image: SPNG_EOI, and the file is finished.
        if (result != 0 && !(result == SPNG_EOI && y == height - 1))
            return false;
    }
    return true;
}

}  // namespace

bool writeScreenPng(const char* path, int32_t left, int32_t top, int32_t width, int32_t height)
{
    // Rows of more than 2^31 bytes are beyond what PNG writers take.
    if (path == nullptr || *path == '\0' || width <= 0 || height <= 0 || width > 0x7FFFFFFF / 3)
        return false;
    std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[size_t(width) * 3]);
    spng_ctx* png = spng_ctx_new(SPNG_CTX_ENCODER);
    if (!row || png == nullptr) {
        spng_ctx_free(png);
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        spng_ctx_free(png);
        return false;
    }
    bool ok = encodeRows(png, file, left, top, width, height, row.get());
    spng_ctx_free(png);
    if (std::fclose(file) != 0)
        ok = false;
    // A half-written picture is worse than none; but only a plain file is ours to
    // delete (the path may name a device).
    std::error_code error;
    if (!ok && std::filesystem::is_regular_file(path, error))
        std::remove(path);
    return ok;
}
