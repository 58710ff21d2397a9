#include "image/targa_image.h"
#include "tests/image/targa_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

namespace {

// A whole file: header, ID field, the colour map when the header says so, then
// the pixels stored plainly or as packets.
Bytes targaFile(const TargaHeader& h, const StoredPicture& p, std::optional<PacketStyle> packets = std::nullopt)
{
    Bytes out = headerBytes(h);
    for (uint8_t i = 0; i < h.idLength; ++i)
        out.push_back(uint8_t('A' + i % 26));
    if (h.colourMapType == 1) {
        const Bytes map = storedPalette();
        out.insert(out.end(), map.begin(), map.end());
    }
    const Bytes stream = pixelStream(p, h.descriptor);
    const Bytes data = packets ? runLengthPackets(stream, size_t(p.bytesPerPixel), *packets) : stream;
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Distinct pixels on the left of each row, one repeated colour on its right, so
// run-length files hold both kinds of packet.
StoredPicture testPicture(int32_t width, int32_t height, int32_t bytesPerPixel)
{
    StoredPicture p{width, height, bytesPerPixel, {}};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const int32_t u = x < width / 2 ? x : width / 2;
            const uint8_t v[4] = {uint8_t(u * 37 + y * 11 + 1), uint8_t(y * 53 + u * 3 + 2), uint8_t((u ^ y) * 29 + 3),
                                  uint8_t(u + y * 5 + 4)};
            p.bytes.insert(p.bytes.end(), v, v + bytesPerPixel);
        }
    return p;
}

LoadResult loadBytes(TargaImage& image, const Bytes& bytes) { return image.loadFromMemory(bytes.data(), bytes.size()); }

Bytes passBytes(const TargaImage& image)
{
    PassPixels pass;
    if (image.convertForPass(pass) != LoadResult::Loaded)
        return {};
    EXPECT_EQ(pass.width, image.width());
    EXPECT_EQ(pass.height, image.height());
    return Bytes(pass.bytes.get(), pass.bytes.get() + size_t(pass.width) * size_t(pass.height) * 4);
}

uint8_t widened(uint32_t v) { return uint8_t((v * 255 + 15) / 31); }

// What load must leave in pixels() and what the pass must get, from the model.
void expectedPixels(const StoredPicture& p, bool mapped, Bytes& loaded, Bytes& pass)
{
    for (int32_t y = 0; y < p.height; ++y)
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t* s = p.at(x, y);
            uint8_t rgba[4] = {0, 0, 0, 0};
            if (mapped) {
                loaded.push_back(s[0]);
                paletteEntry(s[0], rgba);
            } else if (p.bytesPerPixel == 2) {
                loaded.insert(loaded.end(), {s[0], s[1]});
                const uint32_t w = uint32_t(s[0]) | uint32_t(s[1]) << 8;
                rgba[0] = widened((w >> 10) & 31);
                rgba[1] = widened((w >> 5) & 31);
                rgba[2] = widened(w & 31);
            } else {
                rgba[0] = s[2];
                rgba[1] = s[1];
                rgba[2] = s[0];
                if (p.bytesPerPixel == 4)
                    rgba[3] = s[3];
                loaded.insert(loaded.end(), rgba, rgba + p.bytesPerPixel);
            }
            pass.insert(pass.end(), rgba, rgba + 4);
        }
}

struct DecodeCase {
    uint8_t imageType;
    uint8_t depth;
    std::optional<PacketStyle> packets;
};

TEST(TargaDecode, EveryTypeDepthOrderAndPacketStyleGivesTheModelsPixels)
{
    const DecodeCase cases[] = {
        {2, 15, {}},
        {2, 16, {}},
        {2, 24, {}},
        {2, 32, {}},
        {1, 8, {}},
        {10, 15, PacketStyle::Greedy},
        {10, 16, PacketStyle::Greedy},
        {10, 16, PacketStyle::LongRaw},
        {10, 24, PacketStyle::Greedy},
        {10, 24, PacketStyle::SingleRuns},
        {10, 24, PacketStyle::LongRaw},
        {10, 32, PacketStyle::Greedy},
        {10, 32, PacketStyle::SingleRuns},
        {10, 32, PacketStyle::LongRaw},
        {9, 8, PacketStyle::Greedy},
        {9, 8, PacketStyle::SingleRuns},
        {9, 8, PacketStyle::LongRaw},
    };
    // Pixel order bits, with and without attribute bits in the low nibble.
    const uint8_t descriptors[] = {0x00, 0x20, 0x10, 0x30, 0x08, 0x28, 0x01, 0x3F};
    const uint8_t idLengths[] = {0, 7};
    for (const DecodeCase& c : cases)
        for (uint8_t descriptor : descriptors)
            for (uint8_t idLength : idLengths) {
                SCOPED_TRACE(testing::Message() << "type " << int(c.imageType) << " depth " << int(c.depth)
                                                << " descriptor " << int(descriptor) << " id " << int(idLength)
                                                << " packets " << (c.packets ? int(*c.packets) : -1));
                const bool mapped = c.imageType == 1 || c.imageType == 9;
                const StoredPicture picture = testPicture(7, 5, (c.depth + 7) / 8);
                TargaHeader h = mapped ? mappedHeader(c.imageType, 7, 5) : TargaHeader{};
                h.imageType = c.imageType;
                h.width = 7;
                h.height = 5;
                h.depth = c.depth;
                h.descriptor = descriptor;
                h.idLength = idLength;
                TargaImage image;
                ASSERT_EQ(loadBytes(image, targaFile(h, picture, c.packets)), LoadResult::Loaded);
                EXPECT_EQ(image.width(), 7);
                EXPECT_EQ(image.height(), 5);
                EXPECT_EQ(image.depth(), c.depth);
                EXPECT_FALSE(image.holdsFileBytes());
                Bytes loaded;
                Bytes pass;
                expectedPixels(picture, mapped, loaded, pass);
                ASSERT_NE(image.pixels(), nullptr);
                EXPECT_EQ(Bytes(image.pixels(), image.pixels() + loaded.size()), loaded);
                EXPECT_EQ(passBytes(image), pass);
            }
}

TEST(TargaDecode, BottomFirst32BitRowZeroIsTheFilesLastRowAndRunLengthMatches)
{
    const StoredPicture picture = testPicture(4, 3, 4);
    TargaHeader h;
    h.width = 4;
    h.height = 3;
    h.depth = 32;
    h.descriptor = 0x08;
    const Bytes plain = targaFile(h, picture);
    h.imageType = 10;
    const Bytes packed = targaFile(h, picture, PacketStyle::Greedy);

    TargaImage a;
    TargaImage b;
    ASSERT_EQ(loadBytes(a, plain), LoadResult::Loaded);
    ASSERT_EQ(loadBytes(b, packed), LoadResult::Loaded);
    // The file's last stored row, blue-green-red-alpha, is row 0, red first.
    const uint8_t* lastStored = &plain[plain.size() - 16];
    EXPECT_EQ(a.pixels()[0], lastStored[2]);
    EXPECT_EQ(a.pixels()[1], lastStored[1]);
    EXPECT_EQ(a.pixels()[2], lastStored[0]);
    EXPECT_EQ(a.pixels()[3], lastStored[3]);
    EXPECT_EQ(Bytes(a.pixels(), a.pixels() + 48), Bytes(b.pixels(), b.pixels() + 48));
}

// The origin is a screen position: it neither shrinks the picture nor skews its rows.
TEST(TargaDecode, OriginFieldsDoNotChangeTheSizeOrThePixels)
{
    const StoredPicture picture = testPicture(4, 3, 3);
    TargaHeader h;
    h.width = 4;
    h.height = 3;
    h.xOrigin = 3;
    h.yOrigin = 2;
    TargaImage image;
    ASSERT_EQ(loadBytes(image, targaFile(h, picture)), LoadResult::Loaded);
    EXPECT_EQ(image.width(), 4);
    EXPECT_EQ(image.height(), 3);
    Bytes loaded;
    Bytes pass;
    expectedPixels(picture, false, loaded, pass);
    EXPECT_EQ(Bytes(image.pixels(), image.pixels() + loaded.size()), loaded);

    // An origin as large as the size used to leave nothing to draw.
    h.xOrigin = 4;
    h.yOrigin = 60000;
    ASSERT_EQ(loadBytes(image, targaFile(h, picture)), LoadResult::Loaded);
    EXPECT_EQ(image.width(), 4);
}

TEST(TargaDecode, FifteenAndSixteenBitChannelsWidenToNearestAndKeepNoAttribute)
{
    // One pixel per 5-bit value in every channel; the top bit set on odd ones.
    const uint32_t values[] = {0, 1, 2, 3, 15, 16, 30, 31};
    const uint8_t wanted[] = {0, 8, 16, 25, 123, 132, 247, 255};
    StoredPicture picture{8, 1, 2, {}};
    for (uint32_t i = 0; i < 8; ++i) {
        const uint32_t v = values[i];
        const uint32_t word = (i % 2) << 15 | v << 10 | v << 5 | v;
        picture.bytes.insert(picture.bytes.end(), {uint8_t(word & 0xFF), uint8_t(word >> 8)});
    }
    for (uint8_t depth : {uint8_t(15), uint8_t(16)}) {
        SCOPED_TRACE(int(depth));
        TargaHeader h;
        h.width = 8;
        h.depth = depth;
        h.descriptor = 0x21;
        TargaImage image;
        ASSERT_EQ(loadBytes(image, targaFile(h, picture)), LoadResult::Loaded);
        // Stored as they were: no byte exchange across a packed word.
        EXPECT_EQ(Bytes(image.pixels(), image.pixels() + 16), picture.bytes);
        const Bytes pass = passBytes(image);
        ASSERT_EQ(pass.size(), 32u);
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(pass[i * 4], wanted[i]) << i;
            EXPECT_EQ(pass[i * 4 + 1], wanted[i]) << i;
            EXPECT_EQ(pass[i * 4 + 2], wanted[i]) << i;
            EXPECT_EQ(pass[i * 4 + 3], 0) << i;
        }
    }
    // Channels apart: red from bits 10-14, green 5-9, blue 0-4.
    const uint32_t word = 31u << 10 | 16u << 5 | 1u;
    StoredPicture one{1, 1, 2, {uint8_t(word & 0xFF), uint8_t(word >> 8)}};
    TargaHeader h;
    h.depth = 16;
    TargaImage image;
    ASSERT_EQ(loadBytes(image, targaFile(h, one)), LoadResult::Loaded);
    EXPECT_EQ(passBytes(image), (Bytes{255, 132, 8, 0}));
}

TEST(TargaDecode, ColourMapIsExchangedToRedFirstAndAppliedOnlyForThePass)
{
    StoredPicture picture{3, 1, 1, {0, 255, 128}};
    TargaHeader h = mappedHeader(1, 3, 1);
    h.descriptor = 0x20;
    TargaImage image;
    ASSERT_EQ(loadBytes(image, targaFile(h, picture)), LoadResult::Loaded);
    EXPECT_EQ(Bytes(image.pixels(), image.pixels() + 3), (Bytes{0, 255, 128}));
    uint8_t e0[3], e255[3], e128[3];
    paletteEntry(0, e0);
    paletteEntry(255, e255);
    paletteEntry(128, e128);
    EXPECT_EQ(passBytes(image), (Bytes{e0[0], e0[1], e0[2], 0, e255[0], e255[1], e255[2], 0, e128[0], e128[1], e128[2], 0}));
}

TEST(TargaDecode, ThirtyTwoBitPixelsReachThePassAsTheyAreAndTwentyFourBitOnesPadded)
{
    StoredPicture wide{1, 1, 4, {10, 20, 30, 40}};
    StoredPicture narrow{1, 1, 3, {10, 20, 30}};
    TargaHeader h;
    h.depth = 32;
    TargaImage image;
    ASSERT_EQ(loadBytes(image, targaFile(h, wide)), LoadResult::Loaded);
    EXPECT_EQ(passBytes(image), (Bytes{30, 20, 10, 40}));
    h.depth = 24;
    ASSERT_EQ(loadBytes(image, targaFile(h, narrow)), LoadResult::Loaded);
    EXPECT_EQ(passBytes(image), (Bytes{30, 20, 10, 0}));
}

// ---------------------------------------------------------------- header guards

struct HeaderCase {
    const char* what;
    TargaHeader header;
    LoadResult result;
};

TargaHeader trueColour(uint8_t type, uint8_t depth, uint8_t descriptor = 0x20)
{
    TargaHeader h;
    h.imageType = type;
    h.depth = depth;
    h.descriptor = descriptor;
    h.width = 2;
    h.height = 2;
    return h;
}

TargaHeader with(TargaHeader h, void (*change)(TargaHeader&))
{
    change(h);
    return h;
}

// Each header is followed by enough zero bytes for any picture it could describe
// here, so only the header decides.
TEST(TargaHeaderGuards, EachFieldIsRefusedWithItsCode)
{
    using R = LoadResult;
    const TargaHeader mapped = mappedHeader(1, 2, 2);
    const HeaderCase cases[] = {
        {"plain 24-bit", trueColour(2, 24), R::Loaded},
        {"colour-map type 2", with(trueColour(2, 24), [](TargaHeader& h) { h.colourMapType = 2; }), R::NotSupported},
        {"colour-map type 255", with(trueColour(2, 24), [](TargaHeader& h) { h.colourMapType = 255; }), R::NotSupported},
        {"no image, type 0", trueColour(0, 24), R::NotSupported},
        {"greyscale 3", trueColour(3, 8), R::NotSupported},
        {"run-length greyscale 11", trueColour(11, 8), R::NotSupported},
        {"type 4", trueColour(4, 24), R::NotSupported},
        {"type 12", trueColour(12, 24), R::NotSupported},
        {"type 127", trueColour(127, 24), R::NotSupported},
        {"type 128", trueColour(128, 24), R::NotSupported},
        {"type 255", trueColour(255, 24), R::NotSupported},
        {"greyscale of width 0", with(trueColour(3, 8), [](TargaHeader& h) { h.width = 0; }), R::Malformed},
        {"type 200 of height 0", with(trueColour(200, 24), [](TargaHeader& h) { h.height = 0; }), R::Malformed},
        {"type 12 of width 0", with(trueColour(12, 24), [](TargaHeader& h) { h.width = 0; }), R::NotSupported},
        {"width 0", with(trueColour(2, 24), [](TargaHeader& h) { h.width = 0; }), R::Malformed},
        {"height 0", with(trueColour(2, 24), [](TargaHeader& h) { h.height = 0; }), R::Malformed},
        {"width 32768", with(trueColour(2, 24), [](TargaHeader& h) { h.width = 32768; }), R::Malformed},
        {"height 65535", with(trueColour(2, 24), [](TargaHeader& h) { h.height = 65535; }), R::Malformed},
        {"mapped", mapped, R::Loaded},
        {"map starting at 1", with(mapped, [](TargaHeader& h) { h.mapFirst = 1; }), R::NotSupported},
        {"map of 255 entries", with(mapped, [](TargaHeader& h) { h.mapLength = 255; }), R::NotSupported},
        {"map of 16-bit entries", with(mapped, [](TargaHeader& h) { h.mapEntryBits = 16; }), R::NotSupported},
        {"map of 32-bit entries", with(mapped, [](TargaHeader& h) { h.mapEntryBits = 32; }), R::NotSupported},
        {"bad map on a bad type", with(mapped, [](TargaHeader& h) { h.mapLength = 2; h.imageType = 50; }), R::NotSupported},
        {"true colour with a map", with(mapped, [](TargaHeader& h) { h.imageType = 2; h.depth = 24; }), R::Malformed},
        {"run-length true colour with a map", with(mapped, [](TargaHeader& h) { h.imageType = 10; h.depth = 24; }), R::Malformed},
        {"mapped type without a map", trueColour(1, 8), R::Malformed},
        {"run-length mapped type without a map", trueColour(9, 8), R::Malformed},
        {"top first with 8 attribute bits", trueColour(2, 32, 0x28), R::Loaded},
        {"every attribute and order bit", trueColour(2, 32, 0x3F), R::Loaded},
        {"two-way interleave", trueColour(2, 24, 0x40), R::NotSupported},
        {"four-way interleave", trueColour(2, 24, 0x80), R::NotSupported},
        {"reserved interleave", trueColour(2, 24, 0xE0), R::NotSupported},
        {"depth 0", trueColour(2, 0), R::NotSupported},
        {"depth 1", trueColour(2, 1), R::NotSupported},
        {"depth 7", trueColour(2, 7), R::NotSupported},
        {"mapped depth 4", with(mapped, [](TargaHeader& h) { h.depth = 4; }), R::NotSupported},
        {"true colour depth 8", trueColour(2, 8), R::NotSupported},
        {"true colour depth 12", trueColour(10, 12), R::NotSupported},
        {"true colour depth 17", trueColour(2, 17), R::NotSupported},
        {"true colour depth 31", trueColour(2, 31), R::NotSupported},
        {"true colour depth 48", trueColour(10, 48), R::NotSupported},
        {"mapped depth 16", with(mapped, [](TargaHeader& h) { h.depth = 16; }), R::NotSupported},
        {"run-length mapped depth 15", with(mappedHeader(9, 2, 2), [](TargaHeader& h) { h.depth = 15; }), R::NotSupported},
        {"pixel buffer beyond 32 bits",
         with(trueColour(2, 255), [](TargaHeader& h) { h.width = 32767; h.height = 32767; }), R::Malformed},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = headerBytes(c.header);
        if (c.header.colourMapType == 1) {
            const Bytes map = storedPalette();
            file.insert(file.end(), map.begin(), map.end());
        }
        file.resize(file.size() + 64, 0);  // zero packets: runs of one black pixel
        TargaImage image;
        EXPECT_EQ(loadBytes(image, file), c.result);
        EXPECT_EQ(image.pixels() != nullptr, c.result == R::Loaded);
    }
}

TEST(TargaHeaderGuards, FilesTooShortForTheirHeaderOrNothingAtAll)
{
    TargaImage image;
    EXPECT_EQ(image.loadFromMemory(nullptr, 0), LoadResult::OpenFailed);
    const uint8_t none[1] = {0};
    EXPECT_EQ(image.loadFromMemory(none, 0), LoadResult::OpenFailed);
    const Bytes header = headerBytes(trueColour(2, 24));
    for (size_t n = 1; n < header.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(image.loadFromMemory(header.data(), n), LoadResult::Malformed);
    }
}

// Every size check at its edge: the exact length loads, one byte less does not.
TEST(TargaHeaderGuards, SizeChecksCountTheIdFieldTheMapAndThePixels)
{
    struct SizeCase {
        const char* what;
        TargaHeader header;
        int32_t bytesPerPixel;
    };
    TargaHeader withId = trueColour(2, 32);
    withId.idLength = 255;
    TargaHeader mappedWithId = mappedHeader(1, 3, 2);
    mappedWithId.idLength = 9;
    const SizeCase cases[] = {
        {"24-bit", trueColour(2, 24), 3},
        {"32-bit with a long ID field", withId, 4},
        {"15-bit, two bytes a pixel", trueColour(2, 15), 2},
        {"mapped with an ID field", mappedWithId, 1},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = targaFile(c.header, testPicture(c.header.width, c.header.height, c.bytesPerPixel));
        TargaImage image;
        EXPECT_EQ(loadBytes(image, file), LoadResult::Loaded);
        EXPECT_EQ(image.loadFromMemory(file.data(), file.size() - 1), LoadResult::Malformed);
    }
}

TEST(TargaHeaderGuards, RunLengthMappedFileEndingInItsIdFieldOrMap)
{
    TargaHeader h = mappedHeader(9, 2, 2);
    h.idLength = 20;
    const Bytes file = targaFile(h, testPicture(2, 2, 1), PacketStyle::Greedy);
    const size_t mapEnd = 18 + 20 + 768;
    const size_t cuts[] = {18, 30, 38, 500, mapEnd - 1, mapEnd};
    for (size_t n : cuts) {
        SCOPED_TRACE(n);
        TargaImage image;
        EXPECT_EQ(image.loadFromMemory(file.data(), n), LoadResult::Malformed);
    }
}

// Every prefix of a good file is refused, whatever part it ends in; run under the
// sanitizers this also shows that no prefix is read past.
TEST(TargaHeaderGuards, EveryTruncationOfEveryKindOfFileIsRefused)
{
    struct Kind {
        TargaHeader header;
        std::optional<PacketStyle> packets;
    };
    const Kind kinds[] = {
        {trueColour(2, 24), {}},
        {trueColour(10, 32), PacketStyle::Greedy},
        {trueColour(10, 16), PacketStyle::SingleRuns},
        {mappedHeader(1, 2, 2), {}},
        {mappedHeader(9, 2, 2), PacketStyle::LongRaw},
    };
    for (const Kind& k : kinds) {
        TargaHeader h = k.header;
        h.width = 5;
        h.height = 3;
        h.idLength = 3;
        const Bytes file = targaFile(h, testPicture(5, 3, (h.depth + 7) / 8), k.packets);
        TargaImage image;
        ASSERT_EQ(loadBytes(image, file), LoadResult::Loaded);
        for (size_t n = 1; n < file.size(); ++n) {
            // A copy of exactly n bytes, so that reading past it shows.
            const Bytes prefix(file.begin(), file.begin() + long(n));
            ASSERT_EQ(loadBytes(image, prefix), LoadResult::Malformed) << "type " << int(h.imageType) << " cut at " << n;
        }
    }
}

// ---------------------------------------------------------------- run-length packets

Bytes runLengthFile(uint16_t width, uint16_t height, const Bytes& packets, uint8_t descriptor = 0x20)
{
    TargaHeader h = trueColour(10, 24, descriptor);
    h.width = width;
    h.height = height;
    return concat({headerBytes(h), packets});
}

Bytes repeated(const Bytes& pixel, size_t times)
{
    Bytes out;
    for (size_t i = 0; i < times; ++i)
        out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

Bytes counting(size_t pixels)
{
    Bytes out;
    for (size_t i = 0; i < pixels * 3; ++i)
        out.push_back(uint8_t(i * 7 + 1));
    return out;
}

// Stored blue-green-red pixels as load leaves them, red first.
Bytes redFirst(Bytes stored)
{
    for (size_t i = 0; i + 2 < stored.size(); i += 3)
        std::swap(stored[i], stored[i + 2]);
    return stored;
}

TEST(TargaRunLength, PacketHeadersAtTheirLimitsAndPacketsAcrossRows)
{
    const Bytes px = {1, 2, 3};
    const Bytes all = counting(6);
    const std::pair<Bytes, Bytes> six{Bytes(all.begin(), all.begin() + 6), Bytes(all.begin() + 6, all.end())};
    struct PacketCase {
        const char* what;
        uint16_t width, height;
        Bytes packets;
        Bytes storedPixels;  // top row first
    };
    const PacketCase cases[] = {
        {"0x80 repeats once", 1, 1, concat({{0x80}, px}), px},
        {"0xFF repeats 128 times", 128, 1, concat({{0xFF}, px}), repeated(px, 128)},
        {"0x00 copies one", 1, 1, concat({{0x00}, px}), px},
        {"0x7F copies 128", 128, 1, concat({{0x7F}, counting(128)}), counting(128)},
        {"a run across three rows", 2, 3, concat({{0x85}, px}), repeated(px, 6)},
        {"raw packets across rows", 3, 2, concat({{0x01}, six.first, {0x03}, six.second}), counting(6)},
        {"runs of 128 exactly filling", 256, 1, concat({{0xFF}, px, {0xFF}, px}), repeated(px, 256)},
        {"bytes after the last packet are left", 1, 1, concat({{0x80}, px, {0x7F, 9, 9, 9}}), px},
    };
    for (const PacketCase& c : cases) {
        SCOPED_TRACE(c.what);
        TargaImage image;
        ASSERT_EQ(loadBytes(image, runLengthFile(c.width, c.height, c.packets)), LoadResult::Loaded);
        const Bytes want = redFirst(c.storedPixels);
        EXPECT_EQ(Bytes(image.pixels(), image.pixels() + want.size()), want);
    }
}

TEST(TargaRunLength, BottomFirstPacketsAcrossRowsLandInTheirOwnRows)
{
    // Two rows of three, stored bottom first in one raw packet.
    const Bytes stored = counting(6);
    TargaImage image;
    ASSERT_EQ(loadBytes(image, runLengthFile(3, 2, concat({{0x05}, stored}), 0x00)), LoadResult::Loaded);
    const Bytes bottom(stored.begin(), stored.begin() + 9);
    const Bytes top(stored.begin() + 9, stored.end());
    EXPECT_EQ(Bytes(image.pixels(), image.pixels() + 18), redFirst(concat({top, bottom})));
}

TEST(TargaRunLength, PacketsPastThePictureAndDataEndingEarlyAreMalformed)
{
    const Bytes px = {1, 2, 3};
    struct BadCase {
        const char* what;
        uint16_t width, height;
        Bytes packets;
    };
    const BadCase cases[] = {
        {"no packets at all", 2, 1, {}},
        {"run longer than the picture", 2, 1, concat({{0x82}, px})},
        {"raw packet longer than the picture", 2, 1, concat({{0x02}, counting(3)})},
        {"second packet overshoots", 2, 1, concat({{0x80}, px, {0x81}, px})},
        {"128-run into a 127-pixel picture", 127, 1, concat({{0xFF}, px})},
        {"run header without its pixel", 1, 1, {0x80}},
        {"run pixel cut short", 1, 1, {0x80, 1, 2}},
        {"raw packet missing its last byte", 2, 1, concat({{0x01}, {1, 2, 3, 4, 5}})},
        {"fewer packets than pixels", 3, 1, concat({{0x80}, px, {0x80}, px})},
        {"a huge picture from a few bytes", 32767, 32767, concat({{0xFF}, px, {0xFF}, px})},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.what);
        TargaImage image;
        EXPECT_EQ(loadBytes(image, runLengthFile(c.width, c.height, c.packets)), LoadResult::Malformed);
    }
}

// A header may promise gigabytes that a few bytes of packets can never fill; the
// reader must see that before it asks for the pixel buffer.
TEST(TargaRunLength, PicturesTheDataCannotFillAreRefusedBeforeAnyPixelBuffer)
{
    const Bytes run = {0xFF, 1, 2, 3};
    struct FillCase {
        uint16_t width, height;
        Bytes packets;
        LoadResult result;
    };
    const FillCase cases[] = {
        {32767, 32767, concat({run, run}), LoadResult::Malformed},
        {257, 1, concat({run, run}), LoadResult::Malformed},
        // Exactly what two runs of 128 can give: the pixel buffer is asked for.
        {256, 1, concat({run, run}), LoadResult::OutOfMemory},
    };
    for (const FillCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        TargaImage image;
        failImageAllocation(2);  // the file's bytes are the first allocation
        EXPECT_EQ(loadBytes(image, runLengthFile(c.width, c.height, c.packets)), c.result);
        failImageAllocation(0);
    }
}

// ---------------------------------------------------------------- mended faults

TEST(TargaMended, RightToLeftRowsAreMirroredBackInEveryRowOrder)
{
    // Pixel (x, y) holds x + 10 y in every byte, so its place is plain to read.
    StoredPicture picture{3, 2, 3, {}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            picture.bytes.insert(picture.bytes.end(), 3, uint8_t(x + 10 * y));
    const Bytes want = picture.bytes;
    for (uint8_t descriptor : {uint8_t(0x10), uint8_t(0x30)}) {
        for (uint8_t type : {uint8_t(2), uint8_t(10)}) {
            SCOPED_TRACE(testing::Message() << int(descriptor) << " type " << int(type));
            TargaHeader h = trueColour(type, 24, descriptor);
            h.width = 3;
            h.height = 2;
            const Bytes file = targaFile(h, picture, type == 10 ? std::optional(PacketStyle::LongRaw) : std::nullopt);
            // The file lists each row right to left.
            if (type == 2) {
                EXPECT_EQ(file[18], 2 + (descriptor & 0x20 ? 0 : 10));
            }
            TargaImage image;
            ASSERT_EQ(loadBytes(image, file), LoadResult::Loaded);
            EXPECT_EQ(Bytes(image.pixels(), image.pixels() + 18), want);
        }
    }
}

TEST(TargaMended, ShortOrFailedReadsAreOpenFailed)
{
    TargaImage image;
    // A directory opens on some systems but cannot be read.
    EXPECT_EQ(image.load(testing::TempDir().c_str()), LoadResult::OpenFailed);
    EXPECT_EQ(image.load((testing::TempDir() + "no-such-targa-file.tga").c_str()), LoadResult::OpenFailed);
    EXPECT_EQ(image.load(nullptr), LoadResult::OpenFailed);
    EXPECT_EQ(image.pixels(), nullptr);
}

TEST(TargaMended, AFileThatDeliversLessThanItsSizeIsOpenFailed)
{
    // A kernel attribute file reports a size of a page and holds a few bytes.
    const char* shortFile = "/sys/devices/system/cpu/online";
    std::FILE* probe = std::fopen(shortFile, "rb");
    if (probe == nullptr)
        GTEST_SKIP() << "no file here whose reads stop short of its size";
    std::fclose(probe);
    TargaImage image;
    EXPECT_EQ(image.load(shortFile), LoadResult::OpenFailed);
    EXPECT_EQ(image.pixels(), nullptr);
}

// ---------------------------------------------------------------- files and lifecycle

std::string writeFile(const std::string& name, const Bytes& bytes)
{
    const std::string path = testing::TempDir() + "targa_image_test_" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

TEST(TargaLifecycle, LoadFromAPathMatchesLoadFromMemory)
{
    TargaHeader h = mappedHeader(9, 6, 4);
    const Bytes file = targaFile(h, testPicture(6, 4, 1), PacketStyle::Greedy);
    const std::string path = writeFile("mapped.tga", file);
    TargaImage fromPath;
    TargaImage fromMemory;
    ASSERT_EQ(fromPath.load(path.c_str()), LoadResult::Loaded);
    ASSERT_EQ(loadBytes(fromMemory, file), LoadResult::Loaded);
    EXPECT_EQ(passBytes(fromPath), passBytes(fromMemory));
    EXPECT_FALSE(fromPath.holdsFileBytes());

    const std::string empty = writeFile("empty.tga", {});
    EXPECT_EQ(fromPath.load(empty.c_str()), LoadResult::OpenFailed);
    const std::string cut = writeFile("cut.tga", Bytes(file.begin(), file.begin() + 10));
    EXPECT_EQ(fromPath.load(cut.c_str()), LoadResult::Malformed);
    std::remove(path.c_str());
    std::remove(empty.c_str());
    std::remove(cut.c_str());
}

TEST(TargaLifecycle, EmptyUntilLoadedAndEmptyAgainAfterAFailedLoad)
{
    TargaImage image;
    EXPECT_EQ(image.width(), 0);
    EXPECT_EQ(image.height(), 0);
    EXPECT_EQ(image.depth(), 0);
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_FALSE(image.holdsFileBytes());
    PassPixels pass;
    pass.width = 9;
    EXPECT_EQ(image.convertForPass(pass), LoadResult::OpenFailed);
    EXPECT_EQ(pass.width, 0);
    EXPECT_EQ(pass.bytes.get(), nullptr);

    const Bytes good = targaFile(trueColour(2, 24), testPicture(2, 2, 3));
    ASSERT_EQ(loadBytes(image, good), LoadResult::Loaded);
    EXPECT_FALSE(image.holdsFileBytes());

    // A failed parse drops the old picture, keeps the bytes it read, and fields
    // read before the failing test may have changed.
    Bytes bad = good;
    bad[16] = 12;
    EXPECT_EQ(loadBytes(image, bad), LoadResult::NotSupported);
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_TRUE(image.holdsFileBytes());
    EXPECT_EQ(image.depth(), 12);
    EXPECT_EQ(image.convertForPass(pass), LoadResult::OpenFailed);

    // A failed open leaves those bytes as they were; a good load frees them.
    EXPECT_EQ(image.load((testing::TempDir() + "no-such-targa-file.tga").c_str()), LoadResult::OpenFailed);
    EXPECT_TRUE(image.holdsFileBytes());
    ASSERT_EQ(loadBytes(image, good), LoadResult::Loaded);
    EXPECT_FALSE(image.holdsFileBytes());

    // Opening fails: the previous picture is gone all the same.
    EXPECT_EQ(image.load((testing::TempDir() + "no-such-targa-file.tga").c_str()), LoadResult::OpenFailed);
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.convertForPass(pass), LoadResult::OpenFailed);
}

TEST(TargaLifecycle, ReloadReplacesEverythingOfTheOldPicture)
{
    TargaImage image;
    TargaHeader mapped = mappedHeader(1, 3, 2);
    ASSERT_EQ(loadBytes(image, targaFile(mapped, testPicture(3, 2, 1))), LoadResult::Loaded);
    TargaHeader h = trueColour(10, 32);
    h.width = 5;
    h.height = 4;
    const StoredPicture picture = testPicture(5, 4, 4);
    ASSERT_EQ(loadBytes(image, targaFile(h, picture, PacketStyle::Greedy)), LoadResult::Loaded);
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.height(), 4);
    EXPECT_EQ(image.depth(), 32);
    Bytes loaded;
    Bytes pass;
    expectedPixels(picture, false, loaded, pass);
    EXPECT_EQ(passBytes(image), pass);
    // And back to a mapped one: the map is read again, not left over.
    ASSERT_EQ(loadBytes(image, targaFile(mapped, testPicture(3, 2, 1))), LoadResult::Loaded);
    loaded.clear();
    pass.clear();
    expectedPixels(testPicture(3, 2, 1), true, loaded, pass);
    EXPECT_EQ(passBytes(image), pass);
}

// Each buffer the reader asks for, made to fail in turn.
TEST(TargaLifecycle, EveryAllocationFailureIsOutOfMemoryAndLeavesNoPicture)
{
    struct AllocationCase {
        const char* what;
        Bytes file;
        int32_t allocations;  // file bytes, pixels, then the map when there is one
    };
    const AllocationCase cases[] = {
        {"uncompressed mapped", targaFile(mappedHeader(1, 3, 2), testPicture(3, 2, 1)), 3},
        {"run-length mapped", targaFile(mappedHeader(9, 3, 2), testPicture(3, 2, 1), PacketStyle::Greedy), 3},
        {"uncompressed true colour", targaFile(trueColour(2, 24), testPicture(2, 2, 3)), 2},
        {"run-length true colour", targaFile(trueColour(10, 16), testPicture(2, 2, 2), PacketStyle::Greedy), 2},
    };
    for (const AllocationCase& c : cases) {
        for (int32_t n = 1; n <= c.allocations; ++n) {
            SCOPED_TRACE(testing::Message() << c.what << ", allocation " << n);
            TargaImage image;
            failImageAllocation(n);
            EXPECT_EQ(loadBytes(image, c.file), LoadResult::OutOfMemory);
            failImageAllocation(0);
            PassPixels pass;
            EXPECT_EQ(image.convertForPass(pass), LoadResult::OpenFailed);
            // A failing map leaves the decoded pixels behind until the next load.
            EXPECT_EQ(image.pixels() != nullptr, n == 3);
            ASSERT_EQ(loadBytes(image, c.file), LoadResult::Loaded);
        }
        SCOPED_TRACE(testing::Message() << c.what << ", the pass pixels");
        TargaImage image;
        ASSERT_EQ(loadBytes(image, c.file), LoadResult::Loaded);
        failImageAllocation(1);
        PassPixels pass;
        pass.width = 7;
        EXPECT_EQ(image.convertForPass(pass), LoadResult::OutOfMemory);
        failImageAllocation(0);
        EXPECT_EQ(pass.width, 0);
        EXPECT_EQ(pass.bytes.get(), nullptr);
        EXPECT_EQ(image.convertForPass(pass), LoadResult::Loaded);
    }

    const std::string path = writeFile("alloc.tga", targaFile(trueColour(2, 24), testPicture(2, 2, 3)));
    TargaImage image;
    failImageAllocation(1);
    EXPECT_EQ(image.load(path.c_str()), LoadResult::OutOfMemory);
    failImageAllocation(0);
    EXPECT_FALSE(image.holdsFileBytes());
    EXPECT_EQ(image.load(path.c_str()), LoadResult::Loaded);
    std::remove(path.c_str());
}

}  // namespace
