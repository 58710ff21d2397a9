#include "source/picture_bytes.h"

#include <cstring>
#include <new>

PictureBytes emptyPictureBytes(size_t limit)
{
    PictureBytes bytes;
    bytes.limit = limit;
    return bytes;
}

static bool growTo(PictureBytes& bytes, size_t wanted)
{
    if (wanted <= bytes.capacity)
        return true;
    // Doubling keeps a long stream's copies few; the limit caps it.
    size_t capacity = bytes.capacity < 65536 ? 65536 : bytes.capacity;
    while (capacity < wanted)
        capacity = capacity > bytes.limit / 2 ? bytes.limit : capacity * 2;
    if (capacity > bytes.limit)
        capacity = bytes.limit;
    std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[capacity == 0 ? 1 : capacity]);
    if (!grown) {
        bytes.outOfMemory = true;
        return false;
    }
    if (bytes.size > 0)
        std::memcpy(grown.get(), bytes.data.get(), bytes.size);
    bytes.data = std::move(grown);
    bytes.capacity = capacity;
    return true;
}

bool appendPictureBytes(PictureBytes& bytes, const uint8_t* more, size_t count)
{
    if (count == 0)
        return true;
    if (count > bytes.limit - bytes.size) {
        bytes.tooLarge = true;
        return false;
    }
    if (!growTo(bytes, bytes.size + count))
        return false;
    std::memcpy(bytes.data.get() + bytes.size, more, count);
    bytes.size += count;
    return true;
}

bool reservePictureBytes(PictureBytes& bytes, uint64_t announced)
{
    if (announced > bytes.limit) {
        bytes.tooLarge = true;
        return false;
    }
    return growTo(bytes, static_cast<size_t>(announced));
}
