#pragma once
// Targa (TGA) pictures: uncompressed and run-length encoded, colour-mapped or true
// colour, read into a top-first, red-first pixel buffer. Every outcome is a
// LoadResult; nothing throws and nothing reads or writes past a buffer.

#include <cstddef>
#include <cstdint>
#include <memory>

enum class LoadResult : int32_t {
    Loaded = 1,
    OpenFailed = 2,
    OutOfMemory = 4,
    Malformed = 8,
    NotSupported = 64,
};

// A picture as the drawing pass samples it: width x height pixels of 4 bytes each,
// red, green, blue, pad, rows top first.
struct PassPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint8_t[]> bytes;
};

class TargaImage {
public:
    TargaImage() = default;
    ~TargaImage();
    TargaImage(const TargaImage&) = delete;
    TargaImage& operator=(const TargaImage&) = delete;

    // Replaces the contents with the picture in the file at path.
    LoadResult load(const char* path);
    // The same, from a file's bytes already in memory.
    LoadResult loadFromMemory(const uint8_t* bytes, size_t size);

    int32_t depth() const { return depth_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // true colour: depth/8 bytes a pixel, red first; colour-mapped: the index values.
    const uint8_t* pixels() const { return pixels_; }

    // The loaded picture as 4-byte pixels, colour maps applied and 15/16-bit
    // channels widened to 8 bits. OutOfMemory if the buffer cannot be had.
    LoadResult convertForPass(PassPixels& out) const;

private:
    // Implementation detail left to the reader's source.
    LoadResult decodeFileBytes();
    LoadResult parseHeader();
    LoadResult copyUncompressed();
    LoadResult decodeRunLength();
    LoadResult readColourMap();
    void swapRedBlue();
    void flipRows();

    int16_t width_ = 0;
    int16_t height_ = 0;
    int16_t depth_ = 0;
    uint32_t byteSize_ = 0;
    uint8_t imageType_ = 0;
    uint8_t* pixels_ = nullptr;
    uint8_t* colourMap_ = nullptr;
    uint8_t* fileBytes_ = nullptr;
    size_t fileSize_ = 0;
};
