// The picture loader: every sample format decoded to what ImageMagick decodes it
// to, laid over white; the EXIF orientations; refusals with their reasons; limits;
// allocation failures; and the Targa reader reached unchanged.
#include "image/picture_loader.h"

#include "image/exif_orientation.h"

#include "picture_samples.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const PictureSample& findSample(const std::string& name)
{
    for (const PictureSample& s : pictureSamples())
        if (name == s.name)
            return s;
    ADD_FAILURE() << "no sample " << name;
    return pictureSamples().front();
}

// The colour a straight-alpha pixel shows laid over white, as the loader promises.
uint8_t overWhite(uint8_t channel, uint8_t alpha) { return uint8_t((channel * alpha + 255 * (255 - alpha) + 127) / 255); }

std::string tempPath(const std::string& name)
{
    // Parameterised test names hold a '/'.
    std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
        if (c == '/')
            c = '_';
    return testing::TempDir() + test + "-" + name;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    }
    std::fclose(f);
}

// A 24-bit top-first uncompressed Targa file of the given RGBA pixels' colours.
Bytes targaOf(int32_t width, int32_t height, const Bytes& rgba)
{
    Bytes b(18, 0);
    b[2] = 2;
    b[12] = uint8_t(width);
    b[13] = uint8_t(width >> 8);
    b[14] = uint8_t(height);
    b[15] = uint8_t(height >> 8);
    b[16] = 24;
    b[17] = 0x20;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        b.push_back(rgba[i + 2]);
        b.push_back(rgba[i + 1]);
        b.push_back(rgba[i]);
    }
    return b;
}

// Every pixel of out against the sample's reference laid over white.
void expectPixels(const PassPixels& out, const PictureSample& s)
{
    ASSERT_EQ(out.width, s.width);
    ASSERT_EQ(out.height, s.height);
    ASSERT_TRUE(out.bytes);
    int wrong = 0;
    for (int32_t i = 0; i < s.width * s.height && wrong < 5; ++i) {
        const uint8_t* ref = &s.rgba[size_t(i) * 4];
        const uint8_t* got = &out.bytes[size_t(i) * 4];
        for (int c = 0; c < 3; ++c) {
            const int expected = overWhite(ref[c], ref[3]);
            if (std::abs(int(got[c]) - expected) > s.tolerance) {
                ++wrong;
                ADD_FAILURE() << s.name << " pixel " << i % s.width << ',' << i / s.width << " channel " << c << ": "
                              << int(got[c]) << " != " << expected;
                break;
            }
        }
        EXPECT_EQ(got[3], 0) << "the pad byte";
    }
}

class EverySample : public testing::TestWithParam<size_t> {};

TEST_P(EverySample, SniffsAsItsFormat)
{
    const PictureSample& s = pictureSamples()[GetParam()];
    EXPECT_STREQ(pictureFormatName(sniffPicture(s.file.data(), s.file.size())), s.format);
}

TEST_P(EverySample, DecodesToImageMagicksPixelsOrIsRefusedWithAReason)
{
    const PictureSample& s = pictureSamples()[GetParam()];
    Picture picture;
    const PictureLoad loaded = picture.loadFromMemory(s.file.data(), s.file.size());
    const bool decodedHere = pictureFormatDecoded(sniffPicture(s.file.data(), s.file.size()));
    if (s.rgba.empty() || !decodedHere) {
        EXPECT_NE(loaded.result, LoadResult::Loaded);
        EXPECT_FALSE(loaded.reason.empty()) << "refused without a reason";
        if (!loaded.reason.empty()) {
            EXPECT_EQ(loaded.reason.back(), '.') << loaded.reason;
        }
        EXPECT_EQ(loaded.reason.find('\n'), std::string::npos);
        PassPixels out;
        EXPECT_NE(picture.convertForPass(out), LoadResult::Loaded);
        EXPECT_FALSE(out.bytes);
        return;
    }
    ASSERT_EQ(loaded.result, LoadResult::Loaded) << loaded.reason;
    EXPECT_EQ(loaded.reason, "");
    PassPixels out;
    ASSERT_EQ(picture.convertForPass(out), LoadResult::Loaded);
    expectPixels(out, s);
    // The pixels were handed over: there are none for a second call.
    PassPixels again;
    EXPECT_EQ(picture.convertForPass(again), LoadResult::OpenFailed);
    EXPECT_FALSE(again.bytes);
}

TEST_P(EverySample, LoadsFromAFileAsFromMemory)
{
    const PictureSample& s = pictureSamples()[GetParam()];
    const std::string path = tempPath(std::string(s.name) + ".bin");
    writeFile(path, s.file);
    Picture fromFile;
    Picture fromMemory;
    const PictureLoad a = fromFile.load(path.c_str());
    const PictureLoad b = fromMemory.loadFromMemory(s.file.data(), s.file.size());
    std::remove(path.c_str());
    EXPECT_EQ(a.result, b.result);
    EXPECT_EQ(a.reason, b.reason);
    PassPixels pa;
    PassPixels pb;
    ASSERT_EQ(fromFile.convertForPass(pa), fromMemory.convertForPass(pb));
    ASSERT_EQ(pa.width, pb.width);
    ASSERT_EQ(pa.height, pb.height);
    if (pa.bytes) {
        EXPECT_EQ(Bytes(pa.bytes.get(), pa.bytes.get() + size_t(pa.width) * size_t(pa.height) * 4),
                  Bytes(pb.bytes.get(), pb.bytes.get() + size_t(pb.width) * size_t(pb.height) * 4));
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, EverySample, testing::Range(size_t{0}, pictureSamples().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                             return std::string(pictureSamples()[info.param].name);
                         });

TEST(PictureFormats, ThisBuildReadsWhatItsReadmeSays)
{
    EXPECT_TRUE(pictureFormatDecoded(PictureFormat::Png));
    EXPECT_TRUE(pictureFormatDecoded(PictureFormat::Jpeg));
    EXPECT_FALSE(pictureFormatDecoded(PictureFormat::Heif));
    EXPECT_FALSE(pictureFormatDecoded(PictureFormat::Unknown));
#if defined(_WIN32)
    EXPECT_FALSE(pictureFormatDecoded(PictureFormat::WebP));
    for (PictureFormat f : {PictureFormat::Gif, PictureFormat::Bmp, PictureFormat::Tiff})
        EXPECT_TRUE(pictureFormatDecoded(f));
#else
    EXPECT_TRUE(pictureFormatDecoded(PictureFormat::WebP));
    for (PictureFormat f : {PictureFormat::Gif, PictureFormat::Bmp, PictureFormat::Tiff})
        EXPECT_FALSE(pictureFormatDecoded(f));
#endif
}

TEST(PictureFormats, FormatsThisBuildDoesNotReadSayWhichBuildDoes)
{
#if defined(_WIN32)
    const PictureSample& s = findSample("webpLossy");
    const char* expected = "WebP pictures are read only by the Linux build.";
#else
    const PictureSample& s = findSample("gif");
    const char* expected = "GIF pictures are read only by the Windows build.";
#endif
    Picture picture;
    const PictureLoad loaded = picture.loadFromMemory(s.file.data(), s.file.size());
    EXPECT_NE(loaded.result, LoadResult::Loaded);
    EXPECT_EQ(loaded.reason, expected);
    const PictureSample& heic = findSample("heic");
    EXPECT_EQ(picture.loadFromMemory(heic.file.data(), heic.file.size()).reason,
              "HEIC and AVIF pictures are not read: save it as JPEG or PNG.");
}

TEST(PictureSniffing, ShortAndEmptyBuffersAreTarga)
{
    const uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(sniffPicture(png, 8), PictureFormat::Png);
    EXPECT_EQ(sniffPicture(png, 7), PictureFormat::Unknown);
    EXPECT_EQ(sniffPicture(png, 0), PictureFormat::Unknown);
    const uint8_t riff[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_EQ(sniffPicture(riff, 12), PictureFormat::Unknown);
    // A Targa header's second byte is its colour map type, 0 or 1: never a signature.
    const Bytes tga = targaOf(1, 1, {1, 2, 3, 255});
    EXPECT_EQ(sniffPicture(tga.data(), tga.size()), PictureFormat::Unknown);
}

TEST(PictureTarga, GoesToTheTargaReaderUnchanged)
{
    const PictureSample& s = findSample("pngRgb");
    const Bytes tga = targaOf(s.width, s.height, s.rgba);
    Picture picture;
    const PictureLoad loaded = picture.loadFromMemory(tga.data(), tga.size());
    ASSERT_EQ(loaded.result, LoadResult::Loaded);
    EXPECT_EQ(picture.format(), PictureFormat::Unknown);
    PassPixels viaPicture;
    ASSERT_EQ(picture.convertForPass(viaPicture), LoadResult::Loaded);
    TargaImage targa;
    ASSERT_EQ(targa.loadFromMemory(tga.data(), tga.size()), LoadResult::Loaded);
    PassPixels direct;
    ASSERT_EQ(targa.convertForPass(direct), LoadResult::Loaded);
    ASSERT_EQ(viaPicture.width, direct.width);
    ASSERT_EQ(viaPicture.height, direct.height);
    EXPECT_EQ(Bytes(viaPicture.bytes.get(), viaPicture.bytes.get() + size_t(s.width) * size_t(s.height) * 4),
              Bytes(direct.bytes.get(), direct.bytes.get() + size_t(s.width) * size_t(s.height) * 4));
    // The same picture as a PNG gives the same pass pixels.
    expectPixels(viaPicture, s);

    // The Targa reader's failures keep its results and say nothing more.
    const Bytes cut(tga.begin(), tga.begin() + 20);
    const PictureLoad refused = picture.loadFromMemory(cut.data(), cut.size());
    EXPECT_EQ(refused.result, targa.loadFromMemory(cut.data(), cut.size()));
    EXPECT_EQ(refused.reason, "");
    const PictureLoad missing = picture.load("no-such-picture.png");
    EXPECT_EQ(missing.result, LoadResult::OpenFailed);
    EXPECT_EQ(missing.reason, "");
    EXPECT_EQ(picture.load(nullptr).result, LoadResult::OpenFailed);
}

TEST(PictureLimits, SizesBeyondTheLimitsAreRefusedBeforeDecoding)
{
#if defined(_WIN32)
    // GDI+ refuses such headers itself; only that they do not load is the same.
    for (const char* name : {"pngTooWide", "pngTooManyPixels", "jpegTooTall"}) {
        const PictureSample& s = findSample(name);
        Picture picture;
        EXPECT_NE(picture.loadFromMemory(s.file.data(), s.file.size()).result, LoadResult::Loaded) << name;
    }
#else
    const PictureSample& wide = findSample("pngTooWide");
    Picture picture;
    PictureLoad loaded = picture.loadFromMemory(wide.file.data(), wide.file.size());
    EXPECT_EQ(loaded.result, LoadResult::NotSupported);
    EXPECT_EQ(loaded.reason, "Its 20000 x 1 pixels are more than scrivdraw takes (16384 on a side, 64 million in all).");
    const PictureSample& many = findSample("pngTooManyPixels");
    loaded = picture.loadFromMemory(many.file.data(), many.file.size());
    EXPECT_EQ(loaded.result, LoadResult::NotSupported);
    EXPECT_NE(loaded.reason.find("9000 x 9000"), std::string::npos);
    const PictureSample& tall = findSample("jpegTooTall");
    loaded = picture.loadFromMemory(tall.file.data(), tall.file.size());
    EXPECT_EQ(loaded.result, LoadResult::NotSupported);
    EXPECT_NE(loaded.reason.find("24 x 30000"), std::string::npos);
#endif
}

TEST(PictureLimits, LowerLimitsAreKeptAndSaid)
{
    const PictureSample& s = findSample("pngRgb");  // 24 x 16
    Picture picture;
    PictureLimits limits;
    limits.maxPixels = 24 * 16 - 1;
    setPictureLimits(limits);
    const PictureLoad refused = picture.loadFromMemory(s.file.data(), s.file.size());
    limits.maxPixels = 24 * 16;
    limits.maxSide = 23;
    setPictureLimits(limits);
    const PictureLoad tooWide = picture.loadFromMemory(s.file.data(), s.file.size());
    limits.maxSide = 24;
    setPictureLimits(limits);
    const PictureLoad fits = picture.loadFromMemory(s.file.data(), s.file.size());
    setPictureLimits({});
    EXPECT_EQ(refused.result, LoadResult::NotSupported);
    EXPECT_EQ(refused.reason, "Its 24 x 16 pixels are more than scrivdraw takes (16384 on a side, 383 in all).");
    EXPECT_EQ(tooWide.result, LoadResult::NotSupported);
    EXPECT_EQ(fits.result, LoadResult::Loaded);
    EXPECT_EQ(pictureLimits().maxPixels, maxPicturePixels);
}

TEST(PictureDamage, DamagedFilesSayWhatIsWrong)
{
    for (const char* name : {"pngTruncated", "pngBadImageData", "jpegTruncated", "jpegSignatureOnly"}) {
        const PictureSample& s = findSample(name);
        Picture picture;
        const PictureLoad loaded = picture.loadFromMemory(s.file.data(), s.file.size());
        EXPECT_EQ(loaded.result, LoadResult::Malformed) << name;
        EXPECT_EQ(loaded.reason.rfind(std::string("The ") + s.format + " file is damaged", 0), 0u)
            << name << ": " << loaded.reason;
    }
}

TEST(PictureDamage, AFatalErrorAfterAWarningRefusesTheJpeg)
{
    // Found by the picture fuzzer: corrupt data (a warning), then an undefined
    // Huffman table (fatal). TurboJPEG reported that as a warning and handed over a
    // picture decoded part way, different at each load.
    const Bytes file = {
        0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,
        0xff, 0xdb, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03, 0x03, 0x03, 0x52, 0x49, 0x46, 0x46, 0x04, 0x05,
        0x08, 0x05, 0x05, 0x04, 0x04, 0x05, 0x0a, 0x07, 0x07, 0x06, 0x08, 0x0c, 0x0a, 0x0c, 0x0c, 0x0b, 0x0a, 0x0b, 0x0b, 0x0d,
        0x0e, 0x12, 0x10, 0x0d, 0x0e, 0x11, 0x0e, 0x0b, 0x0b, 0x10, 0x16, 0x10, 0x11, 0x13, 0x14, 0x15, 0x15, 0x15, 0x0c, 0x0f,
        0x17, 0x18, 0x16, 0x14, 0x18, 0x12, 0x14, 0x15, 0x14, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x03, 0x04, 0x04, 0x05, 0x04, 0x05,
        0x09, 0x05, 0x05, 0x09, 0x14, 0x0d, 0x0b, 0x0d, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0xff, 0xc0,
        0x00, 0x11, 0x08, 0x06, 0xf9, 0x00, 0x0c, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xff, 0xe1, 0x00,
        0x16, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07,
        0x09, 0xff, 0xc4, 0x00, 0x29, 0x10, 0x00, 0x00, 0x03, 0x04, 0x08, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x11, 0x12, 0x03, 0x06, 0x13, 0x14, 0x01, 0x02, 0x0c, 0x05, 0x07, 0x08, 0x15, 0x31, 0x17, 0x18, 0x24,
        0x32, 0x66, 0xa4, 0xe3, 0xff, 0xc4, 0x00, 0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x07, 0xff, 0xc4, 0x00, 0x21, 0x11, 0x00, 0x02, 0x01, 0x04, 0x01, 0x05, 0x01, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x11, 0x03, 0x04, 0x05, 0x06, 0x13, 0x07, 0x08, 0x14, 0x21,
        0x31, 0x22, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x40, 0x02, 0x11, 0x03, 0x11, 0x00, 0x04, 0x04, 0x05, 0x04, 0x05, 0x09,
        0x05, 0xff, 0xd8,
    };
    Picture picture;
    const PictureLoad first = picture.loadFromMemory(file.data(), file.size());
    const PictureLoad again = picture.loadFromMemory(file.data(), file.size());
    EXPECT_EQ(first.result, LoadResult::Malformed);
    EXPECT_EQ(first.reason, again.reason);
#if !defined(_WIN32)
    EXPECT_EQ(first.reason, "The JPEG file is damaged (Huffman table 0x04 was not defined).");
#endif
}

TEST(PictureDamage, AJpegWithMissingImageDataIsRefusedAtItsFirstGap)
{
    // Found by the picture fuzzer: 408 bytes that say 12044 x 2048 pixels. libjpeg
    // warns that the data ends and would fill the rest with grey, for seconds; the
    // loader stops at the warning.
    const Bytes file = {
        0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x23, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0xb2, 0xb2, 0xb2, 0xb2,
        0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2,
        0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2,
        0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2,
        0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2, 0xb2,
        0xb2, 0xb2, 0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x03, 0x02, 0x02, 0x03, 0x03, 0x03,
        0x03, 0x04, 0x03, 0x03, 0x04, 0x05, 0x08, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
        0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x14, 0x18, 0x12, 0x14, 0x15, 0x14, 0xff, 0xdb, 0x00, 0x43,
        0x01, 0x03, 0x04, 0x04, 0x05, 0x04, 0x05, 0x09, 0x05, 0x05, 0x09, 0x14, 0x0d, 0x0b, 0x0d, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x1b, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14, 0x14,
        0x14, 0x14, 0x14, 0x14, 0x14, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x08, 0x00, 0x2f, 0x0c, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11,
        0x01, 0x03, 0x11, 0x01, 0xff, 0xe1, 0x00, 0x16, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x09, 0xff, 0xc4, 0x00, 0x29, 0x10, 0x00, 0x00, 0x03, 0x04, 0x08, 0x07, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xc4, 0x00, 0x15, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x07, 0xff, 0xc4, 0x00, 0x21, 0x11, 0x00, 0x02, 0x01, 0x04,
        0x01, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x11, 0x03, 0x04, 0x05, 0x06, 0x13,
        0x07, 0x08, 0x14, 0x21, 0x31, 0x22, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00,
        0x88, 0x65, 0x3e, 0xfe, 0xe2, 0x3e, 0x3e, 0x3a, 0xce, 0xe4, 0x0d, 0x3a, 0x76, 0x6b, 0xa9, 0x5c, 0x54, 0x29, 0xfd, 0x3b,
        0x19, 0x22, 0x7d, 0xc4, 0xc0, 0x11, 0xff, 0xd9,
    };
    Picture picture;
    const auto started = std::chrono::steady_clock::now();
    const PictureLoad loaded = picture.loadFromMemory(file.data(), file.size());
#if defined(_WIN32)
    // GDI+ draws what it has and fills the rest; it does not say the file is short.
    (void)started;
    if (loaded.result != LoadResult::Loaded) {
        EXPECT_FALSE(loaded.reason.empty());
    }
#else
    EXPECT_EQ(loaded.result, LoadResult::Malformed);
    EXPECT_EQ(loaded.reason, "The JPEG file is damaged (it ends too soon).");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
#endif
}

TEST(PictureCompose, OrientationsTurnAndMirrorAsExifSays)
{
    // 3 x 2 pixels numbered 1..6 in the red channel, rows top first.
    Bytes rgba;
    for (uint8_t n = 1; n <= 6; ++n)
        for (const uint8_t byte : {n, uint8_t{0}, uint8_t{0}, uint8_t{255}})
            rgba.push_back(byte);
    struct Turned {
        int orientation;
        int32_t width;
        std::vector<uint8_t> order;
    } cases[] = {
        {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, {3, 3, {6, 5, 4, 3, 2, 1}},
        {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}}, {6, 2, {4, 1, 5, 2, 6, 3}},
        {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}}, {0, 3, {1, 2, 3, 4, 5, 6}},
        {9, 3, {1, 2, 3, 4, 5, 6}},
    };
    for (const Turned& c : cases) {
        PassPixels out;
        ASSERT_EQ(composeForPass(rgba.data(), 3, 2, 12, c.orientation, out), LoadResult::Loaded);
        EXPECT_EQ(out.width, c.width) << c.orientation;
        EXPECT_EQ(out.height, 6 / c.width) << c.orientation;
        std::vector<uint8_t> order(6);
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = out.bytes[i * 4];
        EXPECT_EQ(order, c.order) << "orientation " << c.orientation;
    }
}

TEST(PictureExif, TheOrientationIsFoundInEveryOrientedSample)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const PictureSample& s = findSample("jpegOrientation" + std::to_string(orientation));
        const uint8_t* segment = nullptr;
        size_t length = 0;
        ASSERT_TRUE(findJpegExifSegment(s.file.data(), s.file.size(), segment, length)) << s.name;
        EXPECT_EQ(exifSegmentOrientation(segment, length), orientation);
    }
    const PictureSample& plain = findSample("jpegBaseline");
    const uint8_t* segment = nullptr;
    size_t length = 0;
    EXPECT_FALSE(findJpegExifSegment(plain.file.data(), plain.file.size(), segment, length));
    // Cut anywhere, the segment gives 1 or its orientation, and reads nothing beyond.
    const PictureSample& six = findSample("jpegOrientation6");
    ASSERT_TRUE(findJpegExifSegment(six.file.data(), six.file.size(), segment, length));
    for (size_t cut = 0; cut <= length; ++cut) {
        const std::vector<uint8_t> part(segment, segment + cut);
        const int got = exifSegmentOrientation(part.data(), part.size());
        EXPECT_TRUE(got == 1 || got == 6) << cut;
    }
}

TEST(PictureCompose, TransparencyIsLaidOverWhite)
{
    const Bytes rgba = {200, 100, 0, 0, 200, 100, 0, 255, 255, 0, 0, 128, 0, 0, 0, 1};
    PassPixels out;
    ASSERT_EQ(composeForPass(rgba.data(), 4, 1, 16, 1, out), LoadResult::Loaded);
    EXPECT_EQ(Bytes(out.bytes.get(), out.bytes.get() + 16),
              (Bytes{255, 255, 255, 0, 200, 100, 0, 0, 255, 127, 127, 0, 254, 254, 254, 0}));
}

TEST(PictureMemory, EveryAllocationFailureIsOutOfMemoryAndLeavesNothing)
{
    for (const char* name : {"pngRgba", "jpegOrientation6", "webpLosslessAlpha", "gif"}) {
        const PictureSample& s = findSample(name);
        if (!pictureFormatDecoded(sniffPicture(s.file.data(), s.file.size())))
            continue;
        bool succeeded = false;
        for (int32_t n = 1; n < 10 && !succeeded; ++n) {
            failPictureAllocation(n);
            Picture picture;
            const PictureLoad loaded = picture.loadFromMemory(s.file.data(), s.file.size());
            failPictureAllocation(0);
            PassPixels out;
            if (loaded.result == LoadResult::Loaded) {
                succeeded = true;
                ASSERT_EQ(picture.convertForPass(out), LoadResult::Loaded);
                expectPixels(out, s);
            } else {
                EXPECT_EQ(loaded.result, LoadResult::OutOfMemory) << name << " failing allocation " << n;
                EXPECT_EQ(loaded.reason, "There is not enough memory for it.");
                EXPECT_NE(picture.convertForPass(out), LoadResult::Loaded);
            }
        }
        EXPECT_TRUE(succeeded) << name;
    }
}

TEST(PictureMemory, AFileIsReadWholeThroughTheSameAllocations)
{
    const PictureSample& s = findSample("pngRgb");
    const std::string path = tempPath("picture.png");
    writeFile(path, s.file);
    failPictureAllocation(1);
    Picture picture;
    const PictureLoad loaded = picture.load(path.c_str());
    failPictureAllocation(0);
    std::remove(path.c_str());
    EXPECT_EQ(loaded.result, LoadResult::OutOfMemory);
}

}  // namespace
