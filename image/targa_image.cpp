#include "image/targa_image.h"

#include "image/targa_format.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

using namespace targa;

namespace {

int32_t allocationCountdown = 0;

uint16_t wordAt(const uint8_t* bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

bool isTrueColourDepth(int32_t depth) { return depth == 15 || depth == 16 || depth == 24 || depth == 32; }

}  // namespace

namespace targa {

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

}  // namespace targa

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

