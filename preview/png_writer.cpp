#include "preview/scrivlet_page.h"

#include "desktop/platform.h"
#include "preview/virtual_desktop.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <memory>
#include <new>

// An 8-bit RGB PNG without a compression library: the image data goes into zlib
// "stored" blocks, which need only the two checksums. Data is streamed one block at
// a time, so the memory used does not grow with the picture.

namespace {

constexpr std::array<uint32_t, 256> makeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> crcTable = makeCrcTable();

// CRC-32 as PNG chunks carry it; start with 0xFFFFFFFF, finish by inverting.
uint32_t crcUpdate(uint32_t crc, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        crc = crcTable[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return crc;
}

struct Adler32 {
    uint32_t a = 1;
    uint32_t b = 0;
};

void adlerUpdate(Adler32& sum, const uint8_t* bytes, size_t count)
{
    constexpr uint32_t modulus = 65521;
    for (size_t i = 0; i < count; ++i) {
        sum.a = (sum.a + bytes[i]) % modulus;
        sum.b = (sum.b + sum.a) % modulus;
    }
}

void putBigEndian(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

struct PngOutput {
    std::FILE* file = nullptr;
    bool ok = true;
};

void writeRaw(PngOutput& out, const uint8_t* bytes, size_t count)
{
    if (out.ok && count > 0 && std::fwrite(bytes, 1, count, out.file) != count)
        out.ok = false;
}

// One chunk: length, type, data, CRC of type and data.
void writeChunk(PngOutput& out, const char type[4], const uint8_t* data, uint32_t length)
{
    uint8_t head[8];
    putBigEndian(head, length);
    for (int i = 0; i < 4; ++i)
        head[4 + i] = static_cast<uint8_t>(type[i]);
    uint32_t crc = crcUpdate(0xFFFFFFFFu, head + 4, 4);
    crc = crcUpdate(crc, data, length);
    uint8_t tail[4];
    putBigEndian(tail, crc ^ 0xFFFFFFFFu);
    writeRaw(out, head, sizeof head);
    writeRaw(out, data, length);
    writeRaw(out, tail, sizeof tail);
}

// The filtered image data, produced on demand: each row is filter byte 0 (none)
// followed by the row's R, G, B bytes.
struct ScanlineSource {
    int32_t left = 0;
    int32_t top = 0;
    int64_t rowBytes = 0;  // 1 + 3 * width
    int64_t row = 0;
    int64_t offset = 0;    // within the row
    uint32_t colour = 0;   // of the pixel being written
};

uint32_t screenColour(int64_t x, int64_t y)
{
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX)
        return invalidColour;
    return virtualPixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
}

void produceScanlines(ScanlineSource& source, uint8_t* out, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (source.offset == 0) {
            out[i] = 0;
        } else {
            const int64_t channel = (source.offset - 1) % 3;
            if (channel == 0)
                source.colour = screenColour(source.left + (source.offset - 1) / 3, source.top + source.row);
            // 0x00BBGGRR: red is the lowest byte.
            out[i] = static_cast<uint8_t>(source.colour >> (8 * channel));
        }
        if (++source.offset == source.rowBytes) {
            source.offset = 0;
            ++source.row;
        }
    }
}

constexpr size_t maxStoredBlock = 65535;
constexpr size_t zlibHeaderBytes = 2;
constexpr size_t blockHeaderBytes = 5;
constexpr size_t adlerBytes = 4;

// The zlib stream, one IDAT chunk per stored block: the first chunk also carries the
// zlib header, the last one the Adler-32 of the image data.
void writeImageData(PngOutput& out, ScanlineSource& source, uint64_t total, uint8_t* chunk)
{
    Adler32 adler;
    uint64_t written = 0;
    bool first = true;
    while (out.ok && written < total) {
        const uint64_t left = total - written;
        const size_t block = left < maxStoredBlock ? static_cast<size_t>(left) : maxStoredBlock;
        const bool last = written + block == total;
        size_t at = 0;
        if (first) {
            chunk[at++] = 0x78;  // deflate, 32 KiB window
            chunk[at++] = 0x01;  // no dictionary, fastest; makes the header a multiple of 31
            first = false;
        }
        chunk[at++] = last ? 1 : 0;  // BFINAL, BTYPE 00 (stored)
        chunk[at++] = static_cast<uint8_t>(block);
        chunk[at++] = static_cast<uint8_t>(block >> 8);
        chunk[at++] = static_cast<uint8_t>(~block);
        chunk[at++] = static_cast<uint8_t>(~block >> 8);
        produceScanlines(source, chunk + at, block);
        adlerUpdate(adler, chunk + at, block);
        at += block;
        written += block;
        if (last) {
            putBigEndian(chunk + at, adler.b << 16 | adler.a);
            at += adlerBytes;
        }
        writeChunk(out, "IDAT", chunk, static_cast<uint32_t>(at));
    }
}

}  // namespace

bool writeScreenPng(const char* path, int32_t left, int32_t top, int32_t width, int32_t height)
{
    if (path == nullptr || *path == '\0' || width <= 0 || height <= 0)
        return false;
    std::unique_ptr<uint8_t[]> chunk(
        new (std::nothrow) uint8_t[zlibHeaderBytes + blockHeaderBytes + maxStoredBlock + adlerBytes]);
    if (!chunk)
        return false;

    PngOutput out;
    out.file = std::fopen(path, "wb");
    if (out.file == nullptr)
        return false;

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    writeRaw(out, signature, sizeof signature);

    uint8_t header[13];
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header + 4, static_cast<uint32_t>(height));
    header[8] = 8;   // bits per channel
    header[9] = 2;   // truecolour RGB
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filtering, every row "none" here
    header[12] = 0;  // not interlaced
    writeChunk(out, "IHDR", header, sizeof header);

    ScanlineSource source;
    source.left = left;
    source.top = top;
    source.rowBytes = 1 + 3 * int64_t{width};
    writeImageData(out, source, static_cast<uint64_t>(source.rowBytes) * static_cast<uint64_t>(height),
                   chunk.get());

    writeChunk(out, "IEND", nullptr, 0);

    if (std::fclose(out.file) != 0)
        out.ok = false;
    // A half-written picture is worse than none; but only a plain file is ours to
    // delete (the path may name a device).
    std::error_code error;
    if (!out.ok && std::filesystem::is_regular_file(path, error))
        std::remove(path);
    return out.ok;
}
