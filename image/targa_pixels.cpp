// The Targa reader's pixel data: copied or run-length decoded, the colour map, the
// rows put top first and left to right, and the conversion for the pass.
#include "image/targa_format.h"
#include "image/targa_image.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace targa;

namespace {

bool isColourMapped(uint8_t imageType) { return imageType == 1 || imageType == 9; }

// A 5-bit channel widened to 8 bits, v * 255 / 31 rounded to nearest (no ties occur).
uint8_t widenFiveBits(uint32_t v) { return static_cast<uint8_t>((v * 255 + 15) / 31); }

}  // namespace

// The caller has checked that byteSize bytes follow the pixel-data offset.
LoadResult TargaImage::copyUncompressed()
{
    freeBytes(pixels_);
    pixels_ = allocateBytes(byteSize_);
    if (pixels_ == nullptr)
        return LoadResult::OutOfMemory;
    std::memcpy(pixels_, fileBytes_ + pixelDataOffset_, byteSize_);
    return LoadResult::Loaded;
}

LoadResult TargaImage::decodeRunLength()
{
    const size_t b = bytesPerPixel_;
    const size_t end = fileSize_;
    size_t in = pixelDataOffset_;
    if (in > end)
        return LoadResult::Malformed;
    // Even if every packet were a run of 128, what is left could not fill the
    // picture: refuse before asking for a buffer the data can never fill.
    const uint64_t mostPixels = uint64_t((end - in) / (1 + b)) * largestPacketPixels;
    if (byteSize_ / b > mostPixels)
        return LoadResult::Malformed;

    freeBytes(pixels_);
    pixels_ = allocateBytes(byteSize_);
    if (pixels_ == nullptr)
        return LoadResult::OutOfMemory;

    size_t out = 0;
    while (out < byteSize_) {
        if (in >= end)
            return LoadResult::Malformed;
        const uint8_t packet = fileBytes_[in++];
        const size_t n = (packet & 0x7Fu) + 1;
        if (n * b > byteSize_ - out)
            return LoadResult::Malformed;
        if ((packet & 0x80u) != 0) {
            if (end - in < b)
                return LoadResult::Malformed;
            for (size_t k = 0; k < n; ++k) {
                std::memcpy(pixels_ + out, fileBytes_ + in, b);
                out += b;
            }
            in += b;
        } else {
            if (end - in < n * b)
                return LoadResult::Malformed;
            std::memcpy(pixels_ + out, fileBytes_ + in, n * b);
            in += n * b;
            out += n * b;
        }
    }
    return LoadResult::Loaded;
}

// The map lies before the pixel data, which the caller has found inside the file.
LoadResult TargaImage::readColourMap()
{
    freeBytes(colourMap_);
    colourMap_ = allocateBytes(colourMapBytes);
    if (colourMap_ == nullptr)
        return LoadResult::OutOfMemory;
    std::memcpy(colourMap_, fileBytes_ + headerSize + fileBytes_[0], colourMapBytes);
    // Stored blue, green, red.
    for (size_t e = 0; e < colourMapEntries; ++e)
        std::swap(colourMap_[e * 3], colourMap_[e * 3 + 2]);
    return LoadResult::Loaded;
}

void TargaImage::swapRedBlue()
{
    const size_t b = bytesPerPixel_;
    for (size_t at = 0; at + b <= byteSize_; at += b)
        std::swap(pixels_[at], pixels_[at + 2]);
}

void TargaImage::flipRows()
{
    const size_t rowLength = size_t(width_) * bytesPerPixel_;
    uint8_t* top = pixels_;
    uint8_t* bottom = pixels_ + (size_t(height_) - 1) * rowLength;
    while (top < bottom) {
        std::swap_ranges(top, top + rowLength, bottom);
        top += rowLength;
        bottom -= rowLength;
    }
}

// Pixels stored right to left: put each row back into left-to-right order.
void TargaImage::mirrorRows()
{
    const size_t b = bytesPerPixel_;
    const size_t rowLength = size_t(width_) * b;
    for (size_t row = 0; row < size_t(height_); ++row) {
        uint8_t* left = pixels_ + row * rowLength;
        uint8_t* right = left + rowLength - b;
        while (left < right) {
            std::swap_ranges(left, left + b, right);
            left += b;
            right -= b;
        }
    }
}

LoadResult TargaImage::convertForPass(PassPixels& out) const
{
    out.width = 0;
    out.height = 0;
    out.bytes.reset();
    if (!loaded_)
        return LoadResult::OpenFailed;

    const size_t count = size_t(width_) * size_t(height_);
    if (count > std::numeric_limits<size_t>::max() / 4)
        return LoadResult::OutOfMemory;
    uint8_t* bytes = allocateBytes(count * 4);
    if (bytes == nullptr)
        return LoadResult::OutOfMemory;

    const uint8_t* in = pixels_;
    uint8_t* to = bytes;
    if (isColourMapped(imageType_)) {
        for (size_t i = 0; i < count; ++i, to += 4) {
            const uint8_t* entry = colourMap_ + size_t(in[i]) * colourMapEntryBytes;
            to[0] = entry[0];
            to[1] = entry[1];
            to[2] = entry[2];
            to[3] = 0;
        }
    } else if (bytesPerPixel_ == 4) {
        std::memcpy(bytes, in, count * 4);
    } else if (bytesPerPixel_ == 3) {
        for (size_t i = 0; i < count; ++i, in += 3, to += 4) {
            to[0] = in[0];
            to[1] = in[1];
            to[2] = in[2];
            to[3] = 0;
        }
    } else {
        for (size_t i = 0; i < count; ++i, in += 2, to += 4) {
            const uint32_t v = uint32_t(in[0]) | (uint32_t(in[1]) << 8);
            to[0] = widenFiveBits((v >> 10) & 31);
            to[1] = widenFiveBits((v >> 5) & 31);
            to[2] = widenFiveBits(v & 31);
            to[3] = 0;
        }
    }
    out.width = width_;
    out.height = height_;
    out.bytes.reset(bytes);
    return LoadResult::Loaded;
}
