#pragma once
// What the driver tests share: a virtual desktop with a board on it, pictures made
// in memory, and the input log read back as screen pixels and gestures.

#include "common/stop_request.h"
#include "desktop/platform.h"
#include "desktop/screen.h"
#include "preview/virtual_desktop.h"
#include "driver/random_source.h"
#include "image/targa_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr int32_t testScreenWidth = 1280;
inline constexpr int32_t testScreenHeight = 1024;
inline constexpr int32_t testBoardX = 100;
inline constexpr int32_t testBoardY = 250;

struct Gesture {
    int32_t x1, y1;  // press
    int32_t x2, y2;  // release
    uint32_t pressFlags, releaseFlags;
    int64_t timeMs;  // of the press
};

struct Rgb {
    int32_t r, g, b;
};

// A picture of 4-byte pixels whose colour at (x, y) comes from a function.
inline PassPixels makePicture(int32_t width, int32_t height, const std::function<Rgb(int32_t, int32_t)>& colourAt)
{
    PassPixels p;
    p.width = width;
    p.height = height;
    p.bytes = std::make_unique<uint8_t[]>(size_t(width) * size_t(height) * 4);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Rgb c = colourAt(x, y);
            uint8_t* px = &p.bytes[(size_t(y) * size_t(width) + size_t(x)) * 4];
            px[0] = uint8_t(c.r);
            px[1] = uint8_t(c.g);
            px[2] = uint8_t(c.b);
            px[3] = 0xEE;  // the pad byte must not matter
        }
    return p;
}

inline PassPixels solidPicture(Rgb colour, int32_t width = 300, int32_t height = 300)
{
    return makePicture(width, height, [colour](int32_t, int32_t) { return colour; });
}

// The records of the log, paired into gestures, with the pixels they land on.
inline std::vector<Gesture> loggedGestures()
{
    const std::vector<LoggedInput>& log = virtualInputLog();
    std::vector<Gesture> gestures;
    for (size_t i = 0; i + 1 < log.size(); i += 2) {
        const MouseInputRecord& a = log[i].record;
        const MouseInputRecord& b = log[i + 1].record;
        gestures.push_back({pixelFromAbsolute(a.dx, testScreenWidth), pixelFromAbsolute(a.dy, testScreenHeight),
                            pixelFromAbsolute(b.dx, testScreenWidth), pixelFromAbsolute(b.dy, testScreenHeight),
                            a.flags, b.flags, log[i].timeMs});
    }
    return gestures;
}

// One drawn point: the slider value picked for each channel (0..51) and the mark.
struct DrawnPoint {
    int32_t slider[3];
    Gesture mark;
};

inline std::vector<DrawnPoint> drawnPoints()
{
    const std::vector<Gesture> g = loggedGestures();
    EXPECT_EQ(g.size() % 4, 0u);
    std::vector<DrawnPoint> points;
    for (size_t i = 0; i + 3 < g.size(); i += 4) {
        DrawnPoint p{};
        for (int c = 0; c < 3; ++c)
            p.slider[c] = g[i + c].x1 - (testBoardX + 365);
        p.mark = g[i + 3];
        points.push_back(p);
    }
    return points;
}

class DesktopTest : public testing::Test {
protected:
    void SetUp() override
    {
        resetVirtualDesktop(testScreenWidth, testScreenHeight, 0xFFFFFFu);
        useDesktop(virtualDesktop());
        ScreenSize = {testScreenWidth, testScreenHeight};
        VirtualDesk = {};
        BoardOrigin = {testBoardX, testBoardY};
        resetRandomSource();
        clearStopRequest();
    }

    void TearDown() override { clearStopRequest(); }

    // Ctrl+C as it comes: at any moment, here after the given number of input
    // records, however far into a gesture that is.
    static void requestStopAfterRecords(int64_t count)
    {
        recordsBeforeStop() = count;
        setVirtualInputHandler([](int32_t, int32_t, uint32_t) {
            if (--recordsBeforeStop() == 0)
                requestStop();
        });
    }
    static int64_t& recordsBeforeStop()
    {
        static int64_t count = 0;
        return count;
    }

    static void paintBoardEdge() { paintVirtualRect(testBoardX, testBoardY - 2, 300, 1, 0x999999u); }
};

// The paced runs' readings: the board once the page has taken everything, the
// longest any record waited in the page, and the mean time between records.
inline std::vector<uint32_t> board()
{
    settleVirtualPage();
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 300; ++x)
            pixels.push_back(virtualPixel(testBoardX + x, testBoardY + y));
    return pixels;
}

inline int64_t longestPageWait()
{
    const std::vector<int64_t>& waits = virtualPageWaitsUs();
    return waits.empty() ? 0 : *std::max_element(waits.begin(), waits.end());
}

inline double meanRecordUs()
{
    const std::vector<LoggedInput>& log = virtualInputLog();
    return log.size() < 2 ? 0.0 : double(log.back().timeUs - log.front().timeUs) / double(log.size() - 1);
}
