#pragma once
// Runs of the whole program on the virtual desktop, with the page model showing
// its board at (100, 252): what it prints and the status it ends with.

#include "driver/run_sequence.h"

#include "preview/scrivlet_page.h"
#include "pass_fixture.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>


inline const char* const foundLine = "Found start of Scrivlet board at 100 , 252 \n";
inline const char* const notFoundLine =
    "Couldn't find upper left corner of Scrivlet page...did you make that window active and to the front?\n";

// A top-first 24-bit uncompressed Targa file of one colour.
inline std::string writeTarga(const std::string& name, int32_t width, int32_t height, Rgb colour)
{
    // Test cases may run at the same time: each writes files of its own.
    const std::string path = testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name;
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = uint8_t(width);
    bytes[13] = uint8_t(width >> 8);
    bytes[14] = uint8_t(height);
    bytes[15] = uint8_t(height >> 8);
    bytes[16] = 24;
    bytes[17] = 0x20;
    for (int32_t i = 0; i < width * height; ++i) {
        bytes.push_back(uint8_t(colour.b));
        bytes.push_back(uint8_t(colour.g));
        bytes.push_back(uint8_t(colour.r));
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A page that takes the first 70 points (eight records each) and drops the rest:
// more black marks than the first-stroke check looks at, so only the end tells.
inline void firstPointsOnly(int32_t x, int32_t y, uint32_t flags)
{
    static int64_t taken = 0;
    if (virtualInputLog().size() == 1)
        taken = 0;
    if (taken++ < 70 * 8)
        scrivletPageInput(x, y, flags);
}

struct RunOutcome {
    int status;
    std::string output;
};

class RunSequence : public DesktopTest {
protected:
    void SetUp() override
    {
        DesktopTest::SetUp();
        // The board sits at (100, 252): its edge line is two rows above.
        showScrivletPage(100, 252);
        ScreenSize = {};
        BoardOrigin = {};
        black = writeTarga("black.tga", 30, 20, {0, 0, 0});
        white = writeTarga("white.tga", 5, 5, {255, 255, 255});
    }

    static RunOutcome run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "scrivdraw");
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        testing::internal::CaptureStdout();
        const int status = runScrivdraw(int(argv.size()), argv.data());
        return {status, testing::internal::GetCapturedStdout()};
    }

    std::string black;
    std::string white;
};
