#include "preview/scrivlet_page.h"

#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace {

// A strict reader for exactly what the writer promises: 8-bit RGB, no interlace,
// zlib with stored blocks only, every row unfiltered. Any deviation is reported.
struct DecodedPng {
    std::string problem;  // empty when the file is sound
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
    int storedBlocks = 0;
};

uint32_t bigEndian(const uint8_t* p) { return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]; }

// Bit by bit, independent of the writer's table.
uint32_t crc32(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return bytes;
}

DecodedPng decodePng(const std::vector<uint8_t>& file)
{
    DecodedPng png;
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin()))
        return png.problem = "no PNG signature", png;

    std::vector<uint8_t> zlib;
    size_t at = 8;
    int chunkIndex = 0;
    bool ended = false;
    while (at < file.size()) {
        if (ended)
            return png.problem = "bytes after IEND", png;
        if (file.size() - at < 12)
            return png.problem = "truncated chunk", png;
        const uint32_t length = bigEndian(&file[at]);
        if (length > file.size() - at - 12)
            return png.problem = "chunk longer than the file", png;
        const std::string type(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        const uint8_t* data = &file[at + 8];
        if (crc32(&file[at + 4], length + 4) != bigEndian(data + length))
            return png.problem = "bad CRC in " + type, png;
        if (chunkIndex == 0 && type != "IHDR")
            return png.problem = "first chunk is " + type, png;
        if (type == "IHDR") {
            if (chunkIndex != 0 || length != 13)
                return png.problem = "bad IHDR", png;
            png.width = bigEndian(data);
            png.height = bigEndian(data + 4);
            if (png.width == 0 || png.height == 0 || data[8] != 8 || data[9] != 2 || data[10] != 0 || data[11] != 0 ||
                data[12] != 0)
                return png.problem = "IHDR is not 8-bit RGB, deflate, unfiltered, progressive", png;
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + length);
        } else if (type == "IEND") {
            if (length != 0)
                return png.problem = "IEND with data", png;
            ended = true;
        } else {
            return png.problem = "unexpected chunk " + type, png;
        }
        at += 12 + size_t{length};
        ++chunkIndex;
    }
    if (!ended)
        return png.problem = "no IEND", png;

    if (zlib.size() < 6 || (zlib[0] & 0x0F) != 8 || (zlib[0] >> 4) > 7 || (zlib[1] & 0x20) != 0 ||
        (zlib[0] * 256u + zlib[1]) % 31 != 0)
        return png.problem = "bad zlib header", png;
    std::vector<uint8_t> raw;
    size_t z = 2;
    for (bool last = false; !last;) {
        if (zlib.size() - z < 5)
            return png.problem = "truncated block header", png;
        if ((zlib[z] & 0x06) != 0 || (zlib[z] & 0xF8) != 0)
            return png.problem = "not a stored block", png;
        last = zlib[z] & 1;
        const uint32_t len = zlib[z + 1] | uint32_t{zlib[z + 2]} << 8;
        const uint32_t nlen = zlib[z + 3] | uint32_t{zlib[z + 4]} << 8;
        if ((len ^ 0xFFFFu) != nlen)
            return png.problem = "NLEN does not complement LEN", png;
        z += 5;
        if (zlib.size() - z < len)
            return png.problem = "truncated block", png;
        raw.insert(raw.end(), zlib.begin() + long(z), zlib.begin() + long(z + len));
        z += len;
        ++png.storedBlocks;
    }
    if (zlib.size() - z != 4)
        return png.problem = "no Adler-32 right after the last block", png;
    uint32_t a = 1, b = 0;
    for (const uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    if (bigEndian(&zlib[z]) != (b << 16 | a))
        return png.problem = "bad Adler-32", png;

    const size_t rowBytes = 1 + 3 * size_t{png.width};
    if (raw.size() != rowBytes * png.height)
        return png.problem = "image data of the wrong size", png;
    for (size_t row = 0; row < png.height; ++row) {
        if (raw[row * rowBytes] != 0)
            return png.problem = "filtered row", png;
        png.rgb.insert(png.rgb.end(), raw.begin() + long(row * rowBytes + 1), raw.begin() + long((row + 1) * rowBytes));
    }
    return png;
}

// Test cases run in parallel, also from other build trees: every file name is
// the test's own and this run's own.
std::string tempPath(const char* name)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string unique = std::string(test->test_suite_name()) + "_" + test->name() + "_" +
                         std::to_string(std::random_device{}()) + "_" +
                         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "_";
    for (char& c : unique)
        if (c == '/')
            c = '_';
    return testing::TempDir() + unique + name;
}

// Every pixel distinct in each channel, so a swap or shift shows.
uint32_t patternColour(int32_t x, int32_t y)
{
    return uint32_t(x & 0xFF) | uint32_t(y & 0xFF) << 8 | uint32_t((x * 7 + y * 13) & 0xFF) << 16;
}

void paintPattern(int32_t width, int32_t height)
{
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            paintVirtualPixel(x, y, patternColour(x, y));
}

struct RegionCase {
    const char* name;
    int32_t left, top, width, height;
    int storedBlocks;
};

void PrintTo(const RegionCase& c, std::ostream* os) { *os << c.name; }

class PngRegions : public testing::TestWithParam<RegionCase> {};

TEST_P(PngRegions, DecodeToTheScreenPixelsRedFirst)
{
    const RegionCase c = GetParam();
    freshDesktop(1280, 1024);
    paintPattern(1280, 1024);
    const std::string path = tempPath("scrivdraw_png_region.png");
    ASSERT_TRUE(writeScreenPng(path.c_str(), c.left, c.top, c.width, c.height));
    const DecodedPng png = decodePng(readFile(path));
    std::remove(path.c_str());
    ASSERT_EQ(png.problem, "");
    ASSERT_EQ(png.width, uint32_t(c.width));
    ASSERT_EQ(png.height, uint32_t(c.height));
    EXPECT_EQ(png.storedBlocks, c.storedBlocks);
    int wrong = 0;
    for (int32_t y = 0; y < c.height && wrong < 5; ++y)
        for (int32_t x = 0; x < c.width && wrong < 5; ++x) {
            const int32_t sx = c.left + x;
            const int32_t sy = c.top + y;
            const bool onScreen = sx >= 0 && sy >= 0 && sx < 1280 && sy < 1024;
            // Pixels beyond the screen come out white.
            const uint32_t colour = onScreen ? patternColour(sx, sy) : 0xFFFFFFu;
            const uint8_t* p = &png.rgb[(size_t(y) * size_t(c.width) + size_t(x)) * 3];
            const uint32_t got = p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
            if (got != colour) {
                ++wrong;
                ADD_FAILURE() << "pixel " << x << ',' << y << ": " << std::hex << got << " != " << colour;
            }
        }
}

// 28 pixels make rows of 85 bytes; 771 of them fill one stored block exactly.
INSTANTIATE_TEST_SUITE_P(
    Regions, PngRegions,
    testing::Values(RegionCase{"OnePixel", 5, 9, 1, 1, 1}, RegionCase{"SmallOddRegion", 3, 2, 7, 5, 1},
                    RegionCase{"TheBoard", 100, 250, 300, 300, 5}, RegionCase{"ExactlyOneFullBlock", 0, 0, 28, 771, 1},
                    RegionCase{"OneByteIntoTheSecondBlock", 0, 0, 28, 772, 2},
                    RegionCase{"PartlyOffScreen", 1270, 1020, 20, 10, 1},
                    RegionCase{"LeftOfAndAboveTheScreen", -4, -3, 8, 6, 1}),
    [](const testing::TestParamInfo<RegionCase>& info) { return std::string(info.param.name); });

TEST(PngFailures, AreReportedAndLeaveNoFileBehind)
{
    freshDesktop(64, 64);
    const std::string good = tempPath("scrivdraw_png_refused.png");
    std::remove(good.c_str());
    EXPECT_FALSE(writeScreenPng(nullptr, 0, 0, 4, 4));
    EXPECT_FALSE(writeScreenPng("", 0, 0, 4, 4));
    EXPECT_FALSE(writeScreenPng(good.c_str(), 0, 0, 0, 4));
    EXPECT_FALSE(writeScreenPng(good.c_str(), 0, 0, 4, -1));
    EXPECT_TRUE(readFile(good).empty()) << "a refused size made a file";
    EXPECT_FALSE(writeScreenPng(tempPath("no_such_directory_here/x.png").c_str(), 0, 0, 4, 4));
    EXPECT_FALSE(writeScreenPng(testing::TempDir().c_str(), 0, 0, 4, 4)) << "wrote over a directory";
}

TEST(PngFailures, AFullDeviceIsAFailure)
{
    // Where /dev/full exists the writes fail; elsewhere it cannot be opened. Either
    // way the result is false, and the device is left in place.
    freshDesktop(64, 64);
    EXPECT_FALSE(writeScreenPng("/dev/full", 0, 0, 64, 64));
}

TEST(PngOverwrite, ReplacesAnOlderPicture)
{
    freshDesktop(64, 64, 0x0000FFu);
    const std::string path = tempPath("scrivdraw_png_twice.png");
    ASSERT_TRUE(writeScreenPng(path.c_str(), 0, 0, 64, 64));
    ASSERT_TRUE(writeScreenPng(path.c_str(), 0, 0, 2, 1));
    const DecodedPng png = decodePng(readFile(path));
    std::remove(path.c_str());
    ASSERT_EQ(png.problem, "");
    EXPECT_EQ(png.width, 2u);
    EXPECT_EQ(png.rgb, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0}));
}

}  // namespace
