#include "image/exif_orientation.h"

#include <cstring>

namespace {

uint32_t bigEndian16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }

}  // namespace

bool findJpegExifSegment(const uint8_t* bytes, size_t size, const uint8_t*& segment, size_t& length)
{
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    size_t at = 2;  // past SOI
    while (at + 4 <= size) {
        if (bytes[at] != 0xFF)
            return false;
        const uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // image data or the end: no EXIF after
            return false;
        const size_t segmentLength = bigEndian16(bytes + at + 2);
        if (segmentLength < 2 || segmentLength > size - at - 2)
            return false;
        const uint8_t* data = bytes + at + 4;
        const size_t dataLength = segmentLength - 2;
        if (marker == 0xE1 && dataLength >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
            segment = data;
            length = dataLength;
            return true;
        }
        at += 2 + segmentLength;
    }
    return false;
}

int exifSegmentOrientation(const uint8_t* segment, size_t length)
{
    if (segment == nullptr || length < 6 + 8)
        return 1;
    const uint8_t* tiff = segment + 6;
    const size_t size = length - 6;
    bool little = false;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (!(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    auto read16 = [&](size_t at) -> uint32_t {
        return little ? uint32_t{tiff[at]} | uint32_t{tiff[at + 1]} << 8 : uint32_t{tiff[at]} << 8 | tiff[at + 1];
    };
    auto read32 = [&](size_t at) -> uint32_t {
        return little ? read16(at) | read16(at + 2) << 16 : read16(at) << 16 | read16(at + 2);
    };
    if (read16(2) != 42)
        return 1;
    const size_t ifd = read32(4);
    if (ifd > size || size - ifd < 2)
        return 1;
    const size_t entries = read16(ifd);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entry = ifd + 2 + 12 * i;
        if (entry > size || size - entry < 12)
            return 1;
        // Tag 0x0112, type SHORT, at least one value, kept in the entry itself.
        if (read16(entry) == 0x0112) {
            if (read16(entry + 2) != 3 || read32(entry + 4) < 1)
                return 1;
            const uint32_t orientation = read16(entry + 8);
            return orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 1;
        }
    }
    return 1;
}
