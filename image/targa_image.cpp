#include "image/targa_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr size_t headerSize = 18;
constexpr size_t colourMapEntries = 256;
constexpr size_t colourMapEntryBytes = 3;
constexpr size_t colourMapBytes = colourMapEntries * colourMapEntryBytes;
constexpr size_t largestPacketPixels = 128;

// Descriptor bits.
constexpr uint8_t rightToLeftBit = 0x10;
constexpr uint8_t topFirstBit = 0x20;
constexpr uint8_t interleaveBits = 0xC0;

int32_t allocationCountdown = 0;

uint8_t* allocateBytes(size_t count)
{
    if (allocationCountdown > 0 && --allocationCountdown == 0)
        return nullptr;
    return new (std::nothrow) uint8_t[count];
}

void freeBytes(uint8_t*& buffer)
{
    delete[] buffer;
    buffer = nullptr;
}

uint16_t wordAt(const uint8_t* bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

bool isColourMapped(uint8_t imageType) { return imageType == 1 || imageType == 9; }

bool isTrueColourDepth(int32_t depth) { return depth == 15 || depth == 16 || depth == 24 || depth == 32; }

// A 5-bit channel widened to 8 bits, v * 255 / 31 rounded to nearest (no ties occur).
uint8_t widenFiveBits(uint32_t v) { return static_cast<uint8_t>((v * 255 + 15) / 31); }

}  // namespace

void failImageAllocation(int32_t n) { allocationCountdown = n > 0 ? n : 0; }

TargaImage::~TargaImage() { freeBuffers(); }

void TargaImage::freeBuffers()
{
    freeBytes(pixels_);
    freeBytes(colourMap_);
    freeBytes(fileBytes_);
    fileSize_ = 0;
}

LoadResult TargaImage::load(const char* path)
{
    freeBytes(pixels_);
    freeBytes(colourMap_);
    loaded_ = false;
    if (path == nullptr)
        return LoadResult::OpenFailed;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return LoadResult::OpenFailed;

    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return LoadResult::OpenFailed;
    }
    const size_t size = static_cast<size_t>(end);
    // The first byte is read before any buffer is sized: what opens but cannot be
    // read (a directory reports a size of its own) must not ask for that much.
    const int first = size > 0 ? std::fgetc(file) : 0;

    freeBytes(fileBytes_);
    fileSize_ = 0;
    if (first == EOF) {
        std::fclose(file);
        return LoadResult::OpenFailed;
    }
    fileBytes_ = allocateBytes(size);
    if (fileBytes_ == nullptr) {
        std::fclose(file);
        return LoadResult::OutOfMemory;
    }
    size_t arrived = 0;
    if (size > 0) {
        fileBytes_[0] = static_cast<uint8_t>(first);
        arrived = 1 + std::fread(fileBytes_ + 1, 1, size - 1, file);
    }
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    fileSize_ = arrived;
    // Bytes that never arrived are not parsed: a file cut short while being read
    // or a device error ends here.
    if (readFailed || arrived != size)
        return LoadResult::OpenFailed;
    return decodeFileBytes();
}

LoadResult TargaImage::loadFromMemory(const uint8_t* bytes, size_t size)
{
    freeBytes(pixels_);
    freeBytes(colourMap_);
    loaded_ = false;
    if (bytes == nullptr)
        return LoadResult::OpenFailed;
    freeBytes(fileBytes_);
    fileSize_ = 0;
    fileBytes_ = allocateBytes(size);
    if (fileBytes_ == nullptr)
        return LoadResult::OutOfMemory;
    if (size > 0)
        std::memcpy(fileBytes_, bytes, size);
    fileSize_ = size;
    return decodeFileBytes();
}

LoadResult TargaImage::decodeFileBytes()
{
    LoadResult result = parseHeader();
    if (result != LoadResult::Loaded)
        return result;

    // Offsets and sizes below are summed in 64 bits: byteSize and the file size
    // are each near 4 GiB at most.
    const uint64_t needed = uint64_t(pixelDataOffset_) + byteSize_;
    switch (imageType_) {
    case 1:
    case 9:
        if (colourMapType_ != 1)
            return LoadResult::Malformed;
        // The map holds 256 entries, so only one-byte indices can be looked up.
        if (depth_ != 8)
            return LoadResult::NotSupported;
        if (imageType_ == 1) {
            if (needed > fileSize_)
                return LoadResult::Malformed;
            result = copyUncompressed();
        } else {
            if (pixelDataOffset_ > fileSize_)  // ends inside the ID field or the map
                return LoadResult::Malformed;
            result = decodeRunLength();
        }
        if (result != LoadResult::Loaded)
            return result;
        result = readColourMap();
        if (result != LoadResult::Loaded)
            return result;
        break;
    case 2:
    case 10:
        if (colourMapType_ != 0)
            return LoadResult::Malformed;
        if (!isTrueColourDepth(depth_))
            return LoadResult::NotSupported;
        if (imageType_ == 2) {
            if (needed > fileSize_)
                return LoadResult::Malformed;
            result = copyUncompressed();
        } else {
            result = decodeRunLength();
        }
        if (result != LoadResult::Loaded)
            return result;
        // 15- and 16-bit pixels pack their channels into one little-endian word;
        // exchanging bytes would tear them apart.
        if (bytesPerPixel_ >= 3)
            swapRedBlue();
        break;
    default:
        return LoadResult::NotSupported;
    }

    if ((descriptor_ & rightToLeftBit) != 0)
        mirrorRows();
    if ((descriptor_ & topFirstBit) == 0)
        flipRows();
    freeBytes(fileBytes_);
    fileSize_ = 0;
    loaded_ = true;
    return LoadResult::Loaded;
}

LoadResult TargaImage::parseHeader()
{
    if (fileBytes_ == nullptr || fileSize_ == 0)
        return LoadResult::OpenFailed;
    if (fileSize_ < headerSize)
        return LoadResult::Malformed;
    const uint8_t* header = fileBytes_;

    colourMapType_ = header[1];
    if (colourMapType_ > 1)
        return LoadResult::NotSupported;

    // Compared as a signed byte: codes 128 and up pass here and are refused by the
    // dispatch on the type, unless the dimensions are refused first.
    imageType_ = header[2];
    if (static_cast<int8_t>(imageType_) > 11)
        return LoadResult::NotSupported;

    if (colourMapType_ == 1 &&
        (wordAt(header, 3) != 0 || wordAt(header, 5) != colourMapEntries || header[7] != 24))
        return LoadResult::NotSupported;

    // The origin at offsets 8 and 10 is where the picture sits on a screen; it does
    // not shrink the picture.
    width_ = static_cast<int16_t>(wordAt(header, 12));
    height_ = static_cast<int16_t>(wordAt(header, 14));
    if (width_ < 1 || height_ < 1)
        return LoadResult::Malformed;

    depth_ = header[16];
    // The low four bits count attribute bits and bits 0x10 and 0x20 give the pixel
    // order; only the interleaved row orders are beyond this reader.
    descriptor_ = header[17];
    if ((descriptor_ & interleaveBits) != 0)
        return LoadResult::NotSupported;
    // Below 8 bits a pixel would take no bytes and the decoding would never advance.
    if (depth_ < 8)
        return LoadResult::NotSupported;

    bytesPerPixel_ = (static_cast<uint32_t>(depth_) + 7) / 8;
    const uint64_t size = uint64_t(bytesPerPixel_) * uint64_t(height_) * uint64_t(width_);
    if (size > std::numeric_limits<uint32_t>::max())
        return LoadResult::Malformed;
    byteSize_ = static_cast<uint32_t>(size);
    pixelDataOffset_ = headerSize + header[0] + (colourMapType_ == 1 ? colourMapBytes : 0);
    return LoadResult::Loaded;
}

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
