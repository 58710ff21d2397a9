// Whole runs with -preview and pictures in the new formats: the preview path
// checked before anything happens, the failure lines with their reasons, and a
// PNG with transparency drawing the same board as the Targa file of its pixels
// laid over white.
#include "driver/run_sequence.h"

#include "image/picture_loader.h"
#include "preview/scrivlet_page.h"
#include "preview/virtual_desktop.h"
#include "tests/image/picture_samples.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct RunOutcome {
    int status;
    std::string output;
};

RunOutcome run(std::vector<std::string> args)
{
    args.insert(args.begin(), "scrivdraw");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    testing::internal::CaptureStdout();
    const int status = runScrivdraw(int(argv.size()), argv.data());
    return {status, testing::internal::GetCapturedStdout()};
}

// Each test's files are its own: test cases may run at the same time.
std::string tempPath(const std::string& name)
{
    return testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name;
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

Bytes readFile(const std::string& path)
{
    Bytes bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        bytes.push_back(uint8_t(c));
    std::fclose(f);
    return bytes;
}

bool fileExists(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr)
        std::fclose(f);
    return f != nullptr;
}

const PictureSample& findSample(const std::string& name)
{
    for (const PictureSample& s : pictureSamples())
        if (name == s.name)
            return s;
    ADD_FAILURE() << "no sample " << name;
    return pictureSamples().front();
}

// The pass pixels of a picture file (the preview, here), read by the loader.
Bytes passBytes(const std::string& path)
{
    Picture picture;
    PassPixels pixels;
    if (picture.load(path.c_str()).result != LoadResult::Loaded || picture.convertForPass(pixels) != LoadResult::Loaded)
        return {};
    return Bytes(pixels.bytes.get(), pixels.bytes.get() + size_t(pixels.width) * size_t(pixels.height) * 4);
}

const std::string foundLine = "Found start of Scrivlet board at " + std::to_string(defaultBoardX) + " , " +
                              std::to_string(defaultBoardY) + " \n";

TEST(PreviewPath, AnUnwritablePathEndsTheRunAtOnceWithOneLine)
{
    const std::string picture = tempPath("picture.png");
    writeFile(picture, findSample("pngRgb").file);
    const std::string missingFolder = tempPath("no-such-folder/board.png");
    resetVirtualDesktop(640, 480);
    const RunOutcome r = run({"-image", picture, "-preview", missingFolder});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output, "Couldn't write the preview " + missingFolder + "! " + std::strerror(ENOENT) + ".\n");
    // Before the page model, the console, the wait and the pass.
    EXPECT_TRUE(virtualSleeps().empty());
    EXPECT_FALSE(virtualConsoleMinimised());
    EXPECT_TRUE(virtualInputLog().empty());
    EXPECT_EQ(virtualCaptures(), 0);

    const RunOutcome folder = run({"-image", picture, "-preview", testing::TempDir()});
    EXPECT_EQ(folder.status, -1);
    EXPECT_EQ(folder.output, "Couldn't write the preview " + testing::TempDir() + "! It is a folder.\n");

    const RunOutcome nameless = run({"-image", picture, "-preview"});
    EXPECT_EQ(nameless.status, -1);
    EXPECT_EQ(nameless.output, "Couldn't write the preview ! No file name was given.\n");
    std::remove(picture.c_str());
}

TEST(PreviewPath, ARunThatEndsEarlyLeavesNoNewFileAndAnOldOneAsItWas)
{
    const std::string board = tempPath("board.png");
    std::remove(board.c_str());
    const RunOutcome r = run({"-image", tempPath("missing.tga"), "-preview", board});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output, foundLine + "Couldn't load image " + tempPath("missing.tga") + "!\n");
    EXPECT_FALSE(fileExists(board)) << "the check before the run left a file behind";

    const Bytes older = {'o', 'l', 'd'};
    writeFile(board, older);
    const RunOutcome again = run({"-image", tempPath("missing.tga"), "-preview", board});
    EXPECT_EQ(again.status, -1);
    EXPECT_EQ(readFile(board), older) << "the check before the run changed an existing file";
    std::remove(board.c_str());
}

TEST(PreviewPictures, APngWithTransparencyDrawsAsTheTargaOfItsPixelsOverWhite)
{
    const PictureSample& s = findSample("pngRgba");
    const std::string png = tempPath("alpha.png");
    writeFile(png, s.file);
    // The same pixels laid over white, as a 24-bit top-first Targa file.
    Bytes tga(18, 0);
    tga[2] = 2;
    tga[12] = uint8_t(s.width);
    tga[14] = uint8_t(s.height);
    tga[16] = 24;
    tga[17] = 0x20;
    for (size_t i = 0; i < s.rgba.size(); i += 4) {
        const uint32_t a = s.rgba[i + 3];
        for (int c = 2; c >= 0; --c)
            tga.push_back(uint8_t((s.rgba[i + size_t(c)] * a + 255 * (255 - a) + 127) / 255));
    }
    const std::string targa = tempPath("alpha.tga");
    writeFile(targa, tga);

    const std::string fromPng = tempPath("from-png.png");
    const std::string fromTarga = tempPath("from-targa.png");
    const RunOutcome a = run({"-image", png, "-stepx", "3", "-stepy", "3", "-preview", fromPng});
    const RunOutcome b = run({"-image", targa, "-stepx", "3", "-stepy", "3", "-preview", fromTarga});
    EXPECT_EQ(a.status, 0);
    // The found line, the last line of a run, and the preview's cost line.
    EXPECT_EQ(a.output.rfind(foundLine + "Have a day!\nA real run draws ", 0), 0u) << a.output;
    EXPECT_EQ(b.output, a.output);
    const Bytes boardA = passBytes(fromPng);
    ASSERT_EQ(boardA.size(), size_t{300} * 300 * 4);
    EXPECT_EQ(boardA, passBytes(fromTarga));
    for (const std::string& f : {png, targa, fromPng, fromTarga})
        std::remove(f.c_str());
}

TEST(PreviewPictures, PicturesThatDoNotLoadSayWhyOnTheFailureLine)
{
    const std::string damaged = tempPath("damaged.png");
    writeFile(damaged, findSample("pngTruncated").file);
    const std::string good = tempPath("good.jpg");
    writeFile(good, findSample("jpegOrientation6").file);
    const std::string board = tempPath("board.png");

    const RunOutcome first = run({"-image", damaged, "-preview", board});
    EXPECT_EQ(first.status, -1);
    const std::string line = first.output.substr(foundLine.size());
    EXPECT_EQ(line.rfind("Couldn't load image " + damaged + "! The PNG file is damaged", 0), 0u) << line;
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "one line";

    const RunOutcome second = run({"-image", good, "-image2", damaged, "-preview", board});
    EXPECT_EQ(second.status, -1);
    EXPECT_EQ(second.output.substr(foundLine.size()).rfind("Couldn't load image2! The PNG file is damaged", 0), 0u)
        << second.output;
    EXPECT_FALSE(fileExists(board));

    const RunOutcome turned = run({"-image", good, "-image2", good, "-crossfade", "0.5", "-stepx", "50", "-stepy",
                                   "50", "-preview", board});
    EXPECT_EQ(turned.status, 0);
    EXPECT_TRUE(fileExists(board));
    for (const std::string& f : {damaged, good, board})
        std::remove(f.c_str());
}

}  // namespace
