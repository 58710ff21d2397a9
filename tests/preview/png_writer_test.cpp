#include "preview/scrivlet_page.h"

#include "image/picture_loader.h"
#include "tests/desktop/desktop_fixture.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <spng.h>
#endif

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace {

// The file read back by an independent decoder: libspng on Linux (which also
// checks that it is 8-bit RGB), the picture loader's GDI+ on Windows.
struct DecodedPng {
    std::string problem;  // empty when the file is sound
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

DecodedPng decodePng(const std::string& path)
{
    DecodedPng png;
#if defined(_WIN32)
    Picture picture;
    const PictureLoad loaded = picture.load(path.c_str());
    if (loaded.result != LoadResult::Loaded || picture.format() != PictureFormat::Png)
        return png.problem = "not a PNG the loader takes: " + loaded.reason, png;
    PassPixels pixels;
    if (picture.convertForPass(pixels) != LoadResult::Loaded)
        return png.problem = "no pixels", png;
    png.width = uint32_t(pixels.width);
    png.height = uint32_t(pixels.height);
    for (size_t i = 0; i < size_t(pixels.width) * size_t(pixels.height); ++i)
        png.rgb.insert(png.rgb.end(), pixels.bytes.get() + i * 4, pixels.bytes.get() + i * 4 + 3);
#else
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return png.problem = "no file", png;
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_file(ctx, file);
    spng_ihdr header{};
    size_t size = 0;
    int error = spng_get_ihdr(ctx, &header);
    if (error == 0 && (header.bit_depth != 8 || header.color_type != SPNG_COLOR_TYPE_TRUECOLOR ||
                       header.interlace_method != 0))
        png.problem = "not 8-bit RGB, progressive";
    if (error == 0)
        error = spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size);
    if (error == 0) {
        png.rgb.resize(size);
        error = spng_decode_image(ctx, png.rgb.data(), size, SPNG_FMT_RGB8, 0);
    }
    if (error != 0)
        png.problem = spng_strerror(error);
    png.width = header.width;
    png.height = header.height;
    spng_ctx_free(ctx);
    std::fclose(file);
#endif
    return png;
}

bool fileExists(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr)
        std::fclose(f);
    return f != nullptr;
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
    const DecodedPng png = decodePng(path);
    std::remove(path.c_str());
    ASSERT_EQ(png.problem, "");
    ASSERT_EQ(png.width, uint32_t(c.width));
    ASSERT_EQ(png.height, uint32_t(c.height));
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

INSTANTIATE_TEST_SUITE_P(
    Regions, PngRegions,
    testing::Values(RegionCase{"OnePixel", 5, 9, 1, 1}, RegionCase{"SmallOddRegion", 3, 2, 7, 5},
                    RegionCase{"TheBoard", 100, 250, 300, 300}, RegionCase{"TallAndNarrow", 0, 0, 28, 772},
                    RegionCase{"TheWholeScreen", 0, 0, 1280, 1024},
                    RegionCase{"PartlyOffScreen", 1270, 1020, 20, 10},
                    RegionCase{"LeftOfAndAboveTheScreen", -4, -3, 8, 6}),
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
    EXPECT_FALSE(fileExists(good)) << "a refused size made a file";
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
    const DecodedPng png = decodePng(path);
    std::remove(path.c_str());
    ASSERT_EQ(png.problem, "");
    EXPECT_EQ(png.width, 2u);
    EXPECT_EQ(png.rgb, (std::vector<uint8_t>{255, 0, 0, 255, 0, 0}));
}

}  // namespace
