#include "source/dib_file.h"

namespace {

uint32_t little16(const uint8_t* at) { return uint32_t(at[0]) | uint32_t(at[1]) << 8; }
uint32_t little32(const uint8_t* at) { return little16(at) | little16(at + 2) << 16; }

constexpr uint32_t coreHeaderSize = 12;  // BITMAPCOREHEADER
constexpr uint32_t infoHeaderSize = 40;  // BITMAPINFOHEADER; the later ones grow from it
constexpr uint32_t largestHeaderSize = 124;  // BITMAPV5HEADER
constexpr uint32_t bitFields = 3;
constexpr uint32_t alphaBitFields = 6;

// Bytes from the start of the DIB to its pixels, or 0 when the layout does not
// add up within size.
uint64_t pixelOffset(const uint8_t* dib, size_t size)
{
    if (size < 4)
        return 0;
    const uint32_t header = little32(dib);
    if (header != coreHeaderSize && (header < infoHeaderSize || header > largestHeaderSize))
        return 0;
    if (size < header)
        return 0;
    if (header == coreHeaderSize) {
        const uint32_t bits = little16(dib + 10);
        return header + uint64_t{3} * (bits <= 8 ? uint32_t{1} << bits : 0);
    }
    const uint32_t bits = little16(dib + 14);
    const uint32_t compression = little32(dib + 16);
    const uint32_t used = little32(dib + 32);
    // Only a plain info header has its masks after it; later headers hold them.
    uint64_t masks = 0;
    if (header == infoHeaderSize && compression == bitFields)
        masks = 12;
    if (header == infoHeaderSize && compression == alphaBitFields)
        masks = 16;
    const uint64_t colours = used != 0 ? used : (bits <= 8 ? uint32_t{1} << bits : 0);
    return header + masks + uint64_t{4} * colours;
}

void putLittle32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

std::string bmpFileFromDib(const uint8_t* dib, size_t size, PictureBytes& file)
{
    const uint64_t offset = pixelOffset(dib, size);
    if (offset == 0 || offset >= size)
        return "The bitmap on the clipboard is damaged.";
    const uint64_t total = bmpFileHeaderSize + uint64_t{size};
    if (total > file.limit - file.size || total > UINT32_MAX) {
        file.tooLarge = true;
        return "It is larger than scrivdraw takes (512 MiB).";
    }
    uint8_t header[bmpFileHeaderSize] = {'B', 'M'};
    putLittle32(header + 2, static_cast<uint32_t>(total));
    putLittle32(header + 10, static_cast<uint32_t>(bmpFileHeaderSize + offset));
    if (!reservePictureBytes(file, file.size + total) || !appendPictureBytes(file, header, sizeof header) ||
        !appendPictureBytes(file, dib, size))
        return file.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "There is not enough memory for it.";
    return {};
}
