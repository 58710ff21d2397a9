// The pieces every source shares: the bounded buffer, telling sources apart,
// choosing among the clipboard's types, reading a stream, and the clipboard's
// bitmap made into a BMP file.

#include "source/clipboard_types.h"
#include "source/dib_file.h"
#include "source/picture_bytes.h"
#include "source/picture_source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(PictureBytes, TakesUpToTheLimitAndRefusesMoreWithoutTakingAnyOfIt)
{
    PictureBytes bytes = emptyPictureBytes(10);
    const uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(appendPictureBytes(bytes, six, 6));
    EXPECT_FALSE(appendPictureBytes(bytes, six, 5));
    EXPECT_TRUE(bytes.tooLarge);
    EXPECT_EQ(bytes.size, 6u);
    EXPECT_TRUE(appendPictureBytes(bytes, six, 4));
    EXPECT_EQ(bytes.size, 10u);
    EXPECT_EQ(bytes.data[9], 4);
    EXPECT_TRUE(appendPictureBytes(bytes, six, 0));

    // An announced size over the limit is refused before anything is allocated.
    PictureBytes announced = emptyPictureBytes(1000);
    EXPECT_FALSE(reservePictureBytes(announced, 1001));
    EXPECT_TRUE(announced.tooLarge);
    EXPECT_EQ(announced.capacity, 0u);
    EXPECT_FALSE(reservePictureBytes(announced, UINT64_MAX));
    PictureBytes fits = emptyPictureBytes(1000);
    EXPECT_TRUE(reservePictureBytes(fits, 1000));
    EXPECT_LE(fits.capacity, 1000u);
}

TEST(PictureSource, TheWordSaysWhereThePictureComesFrom)
{
    const std::pair<const char*, PictureSource> cases[] = {
        {"-", PictureSource::StandardInput},
        {"clipboard", PictureSource::Clipboard},
        {"CLIPBOARD", PictureSource::Clipboard},
        {"./clipboard", PictureSource::File},
        {"clipboard.png", PictureSource::File},
        {"http://example.org/a.png", PictureSource::WebAddress},
        {"HTTPS://example.org/a.png", PictureSource::WebAddress},
        {"ftp://example.org/a.png", PictureSource::File},
        {"http:/a.png", PictureSource::File},
        {"--", PictureSource::File},
        {"", PictureSource::File},
        {"photo.jpg", PictureSource::File},
    };
    for (const auto& [word, source] : cases)
        EXPECT_EQ(pictureSourceOf(word), source) << word;
}

TEST(ClipboardTypes, PngComesFirstThenAnyPictureADecoderMayRead)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"image/png", 2},
        {"IMAGE/PNG", 2},
        {"image/png;charset=binary", 2},
        {"image/pngx", 1},
        {"image/jpeg", 1},
        {"image/bmp", 1},
        {"image/x-MS-bmp", 1},
        {"image/svg+xml", 0},
        {"image/SVG", 0},
        {"image/", 0},
        {"image", 0},
        {"imagex/png", 0},
        {"text/html", 0},
        {"UTF8_STRING", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const auto& [type, rank] : cases)
        EXPECT_EQ(clipboardPictureRank(type), rank) << (type != nullptr ? type : "(none)");
}

TEST(PictureSource, AStreamIsReadToItsEndWithinTheLimit)
{
    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    const std::string content(200000, 'p');
    std::fwrite(content.data(), 1, content.size(), stream);
    std::rewind(stream);
    PictureBytes all = emptyPictureBytes(content.size());
    EXPECT_EQ(readPictureStream(stream, all), "");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(all.data.get()), all.size), content);

    std::rewind(stream);
    PictureBytes short_ = emptyPictureBytes(content.size() - 1);
    EXPECT_EQ(readPictureStream(stream, short_), "It is larger than scrivdraw takes (512 MiB).");
    EXPECT_LE(short_.capacity, content.size() - 1);
    std::fclose(stream);
}

void putLittle(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
}

// A packed DIB: header of the given size, bit depth, compression, colours used,
// then extra bytes for the masks, the colour table and the pixels.
std::vector<uint8_t> dib(uint32_t header, uint32_t bits, uint32_t compression, uint32_t used, size_t extra)
{
    std::vector<uint8_t> bytes(header + extra, 0);
    putLittle(bytes, 0, header, 4);
    if (header == 12) {
        putLittle(bytes, 4, 2, 2);
        putLittle(bytes, 6, 2, 2);
        putLittle(bytes, 8, 1, 2);
        putLittle(bytes, 10, bits, 2);
        return bytes;
    }
    putLittle(bytes, 4, 2, 4);
    putLittle(bytes, 8, 2, 4);
    putLittle(bytes, 12, 1, 2);
    putLittle(bytes, 14, bits, 2);
    putLittle(bytes, 16, compression, 4);
    putLittle(bytes, 32, used, 4);
    return bytes;
}

TEST(DibFile, TheFileHeaderPointsPastTheMasksAndTheColourTable)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bitmap;
        uint32_t offset;  // to the pixels, from the start of the file
    } cases[] = {
        {"24-bit", dib(40, 24, 0, 0, 16), 54},
        {"32-bit with masks after the header", dib(40, 32, 3, 0, 12 + 16), 66},
        {"32-bit with alpha masks after the header", dib(40, 32, 6, 0, 16 + 16), 70},
        {"V5 header, masks inside", dib(124, 32, 3, 0, 16), 138},
        {"8-bit, full table", dib(40, 8, 0, 0, 1024 + 8), 54 + 1024},
        {"8-bit, two colours used", dib(40, 8, 0, 2, 8 + 8), 54 + 8},
        {"core header, 1-bit", dib(12, 1, 0, 0, 6 + 8), 14 + 12 + 6},
    };
    for (const Case& c : cases) {
        PictureBytes file = emptyPictureBytes(1 << 20);
        ASSERT_EQ(bmpFileFromDib(c.bitmap.data(), c.bitmap.size(), file), "") << c.what;
        ASSERT_EQ(file.size, c.bitmap.size() + 14) << c.what;
        EXPECT_EQ(file.data[0], 'B');
        EXPECT_EQ(file.data[1], 'M');
        const auto little32 = [&](size_t at) {
            return uint32_t(file.data[at]) | uint32_t(file.data[at + 1]) << 8 | uint32_t(file.data[at + 2]) << 16 |
                   uint32_t(file.data[at + 3]) << 24;
        };
        EXPECT_EQ(little32(2), file.size) << c.what;
        EXPECT_EQ(little32(10), c.offset) << c.what;
    }
}

TEST(DibFile, ABitmapWhoseLayoutDoesNotFitIsRefused)
{
    const std::vector<uint8_t> refused[] = {
        {},
        {40, 0, 0},
        dib(40, 24, 0, 0, 0),               // no pixels
        dib(40, 8, 0, 0, 100),              // the colour table runs past the end
        dib(40, 8, 0, 0xFFFFFFFFu, 100),    // a colour count beyond any bitmap
        dib(20, 24, 0, 0, 16),              // no header has this size
        dib(200, 24, 0, 0, 16),
    };
    for (const std::vector<uint8_t>& bitmap : refused) {
        PictureBytes file = emptyPictureBytes(1 << 20);
        EXPECT_EQ(bmpFileFromDib(bitmap.data(), bitmap.size(), file), "The bitmap on the clipboard is damaged.");
        EXPECT_EQ(file.size, 0u);
    }
    const std::vector<uint8_t> bitmap = dib(40, 24, 0, 0, 64);
    PictureBytes small = emptyPictureBytes(bitmap.size() + 13);
    EXPECT_EQ(bmpFileFromDib(bitmap.data(), bitmap.size(), small), "It is larger than scrivdraw takes (512 MiB).");
    EXPECT_EQ(small.capacity, 0u);
}

}  // namespace
