#pragma once
// Targa files made in memory for the reader's tests: a header from its fields, and
// pixels written the way a file stores them (row order, column order, packets).

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct TargaHeader {
    uint8_t idLength = 0;
    uint8_t colourMapType = 0;
    uint8_t imageType = 2;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t xOrigin = 0;
    uint16_t yOrigin = 0;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t depth = 24;
    uint8_t descriptor = 0x20;
};

inline void putWord(Bytes& b, uint16_t v)
{
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t(v >> 8));
}

inline Bytes headerBytes(const TargaHeader& h)
{
    Bytes b{h.idLength, h.colourMapType, h.imageType};
    putWord(b, h.mapFirst);
    putWord(b, h.mapLength);
    b.push_back(h.mapEntryBits);
    putWord(b, h.xOrigin);
    putWord(b, h.yOrigin);
    putWord(b, h.width);
    putWord(b, h.height);
    b.push_back(h.depth);
    b.push_back(h.descriptor);
    return b;
}

// A header that carries the one colour map the reader takes: 256 entries of 24 bits.
inline TargaHeader mappedHeader(uint8_t imageType, uint16_t width, uint16_t height)
{
    TargaHeader h;
    h.colourMapType = 1;
    h.imageType = imageType;
    h.mapLength = 256;
    h.mapEntryBits = 24;
    h.width = width;
    h.height = height;
    h.depth = 8;
    return h;
}

// Test palette entry i as red, green, blue; files store it blue first.
inline void paletteEntry(int32_t i, uint8_t rgb[3])
{
    rgb[0] = uint8_t(i);
    rgb[1] = uint8_t(255 - i);
    rgb[2] = uint8_t(i * 7 + 3);
}

inline Bytes storedPalette()
{
    Bytes b;
    for (int32_t i = 0; i < 256; ++i) {
        uint8_t rgb[3];
        paletteEntry(i, rgb);
        b.insert(b.end(), {rgb[2], rgb[1], rgb[0]});
    }
    return b;
}

// Pixels held top row first, left to right, each bytesPerPixel bytes as the file
// stores one pixel.
struct StoredPicture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;
    Bytes bytes;
    const uint8_t* at(int32_t x, int32_t y) const
    {
        return &bytes[(size_t(y) * size_t(width) + size_t(x)) * size_t(bytesPerPixel)];
    }
};

// The pixels in the order a file with this descriptor lists them.
inline Bytes pixelStream(const StoredPicture& p, uint8_t descriptor)
{
    const bool topFirst = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    Bytes out;
    for (int32_t r = 0; r < p.height; ++r) {
        const int32_t y = topFirst ? r : p.height - 1 - r;
        for (int32_t c = 0; c < p.width; ++c) {
            const int32_t x = rightToLeft ? p.width - 1 - c : c;
            out.insert(out.end(), p.at(x, y), p.at(x, y) + p.bytesPerPixel);
        }
    }
    return out;
}

enum class PacketStyle {
    Greedy,      // runs of equal neighbours, raw packets between, up to 128 each
    SingleRuns,  // every pixel a run of one (header 0x80)
    LongRaw,     // raw packets of up to 128 pixels only
};

// A pixel stream cut into run-length packets. Packets run on across rows.
inline Bytes runLengthPackets(const Bytes& stream, size_t bytesPerPixel, PacketStyle style)
{
    const size_t b = bytesPerPixel;
    const size_t count = stream.size() / b;
    auto same = [&](size_t i, size_t j) {
        for (size_t k = 0; k < b; ++k)
            if (stream[i * b + k] != stream[j * b + k])
                return false;
        return true;
    };
    Bytes out;
    size_t i = 0;
    while (i < count) {
        size_t n = 1;
        bool run = style == PacketStyle::SingleRuns;
        if (style == PacketStyle::Greedy) {
            while (i + n < count && n < 128 && same(i, i + n))
                ++n;
            run = n > 1;
            if (!run) {
                while (i + n < count && n < 128 && !(i + n + 1 < count && same(i + n, i + n + 1)))
                    ++n;
            }
        } else if (style == PacketStyle::LongRaw) {
            n = count - i < 128 ? count - i : 128;
        }
        if (run) {
            out.push_back(uint8_t(0x80 | (n - 1)));
            out.insert(out.end(), stream.begin() + long(i * b), stream.begin() + long((i + 1) * b));
        } else {
            out.push_back(uint8_t(n - 1));
            out.insert(out.end(), stream.begin() + long(i * b), stream.begin() + long((i + n) * b));
        }
        i += n;
    }
    return out;
}

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
