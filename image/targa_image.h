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
    // Rows top first. True colour: 2, 3 or 4 bytes a pixel (2 at depth 15 as at 16,
    // since that is how such files store them); 24- and 32-bit ones red first, 15-
    // and 16-bit ones as stored, little-endian A1R5G5B5. Colour-mapped: the index
    // values, one byte each.
    const uint8_t* pixels() const { return pixels_; }

    // The loaded picture as 4-byte pixels, colour maps applied and 15/16-bit
    // channels widened to 8 bits. OutOfMemory if the buffer cannot be had;
    // OpenFailed when no load has succeeded since the last one started. On any
    // failure out is left empty.
    LoadResult convertForPass(PassPixels& out) const;

    // Whether the file's bytes are still held: after a failed load they stay until
    // the next load or the destruction.
    bool holdsFileBytes() const { return fileBytes_ != nullptr; }

private:
    LoadResult decodeFileBytes();
    LoadResult parseHeader();
    LoadResult copyUncompressed();
    LoadResult decodeRunLength();
    LoadResult readColourMap();
    void swapRedBlue();
    void flipRows();
    void mirrorRows();
    void freeBuffers();

    int16_t width_ = 0;
    int16_t height_ = 0;
    int16_t depth_ = 0;
    uint32_t byteSize_ = 0;
    uint8_t imageType_ = 0;
    uint8_t* pixels_ = nullptr;
    uint8_t* colourMap_ = nullptr;
    uint8_t* fileBytes_ = nullptr;
    size_t fileSize_ = 0;
    // Taken from the header by parseHeader.
    uint8_t colourMapType_ = 0;
    uint8_t descriptor_ = 0;
    uint32_t bytesPerPixel_ = 0;
    size_t pixelDataOffset_ = 0;
    bool loaded_ = false;
};

// Allocation failure on demand, so that every OutOfMemory path can be reached
// without exhausting memory: the n-th buffer the reader asks for from now on
// (1 = the next) fails as if memory had run out. 0 switches it off.
void failImageAllocation(int32_t n);
