// Load time of a 4096 x 4096 32-bit run-length Targa file (type 10), built in
// memory, for three kinds of content:
//   flat    one colour: every packet a 128-pixel run;
//   mixed   runs of 1 to 16 pixels, one stretch in three noise: runs and raw
//           packets side by side, as a picture with flat areas encodes;
//   noise   no two neighbours equal: every packet 128 raw pixels.
// Each is loaded several times from memory; the best and the median are printed,
// with the throughput in decoded bytes, and then the time to turn the picture into
// the drawing pass's pixels. Prints figures; asserts nothing.

#include "image/targa_image.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t side = 4096;
constexpr int repeats = 7;

uint32_t nextNoise(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

// Fills the picture's pixels, row after row, as the file stores them: blue, green,
// red, alpha.
using Fill = void (*)(std::vector<uint32_t>& pixels);

void fillFlat(std::vector<uint32_t>& pixels) { std::fill(pixels.begin(), pixels.end(), 0xFF336699u); }

void fillMixed(std::vector<uint32_t>& pixels)
{
    // Stretches of 1 to 16 equal pixels; one stretch in three is noise instead.
    uint32_t noise = 12345;
    size_t i = 0;
    while (i < pixels.size()) {
        const uint32_t r = nextNoise(noise);
        const size_t length = std::min<size_t>(1 + (r & 15), pixels.size() - i);
        const bool noisy = (r >> 4) % 3 == 0;
        const uint32_t colour = 0xFF000000u | (nextNoise(noise) & 0xFFFFFFu);
        for (size_t k = 0; k < length; ++k)
            pixels[i + k] = noisy ? 0xFF000000u | (nextNoise(noise) & 0xFFFFFFu) : colour;
        i += length;
    }
}

void fillNoise(std::vector<uint32_t>& pixels)
{
    uint32_t noise = 12345;
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | (nextNoise(noise) & 0xFFFF00u) | uint32_t(i & 0xFF);
}

void putPixel(std::vector<uint8_t>& file, uint32_t p)
{
    for (int i = 0; i < 4; ++i)
        file.push_back(uint8_t(p >> (8 * i)));
}

// Our own encoder: runs of two or more equal pixels become run packets, the rest
// raw packets; packets cross rows, as the format allows.
std::vector<uint8_t> makeFile(Fill fill)
{
    std::vector<uint32_t> pixels(size_t(side) * side);
    fill(pixels);

    std::vector<uint8_t> file = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 uint8_t(side & 0xFF), uint8_t(side >> 8),
                                 uint8_t(side & 0xFF), uint8_t(side >> 8), 32, 0x28};
    file.reserve(file.size() + pixels.size() * 5);
    size_t i = 0;
    while (i < pixels.size()) {
        size_t run = 1;
        while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i])
            ++run;
        if (run >= 2) {
            file.push_back(uint8_t(0x80 | (run - 1)));
            putPixel(file, pixels[i]);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < pixels.size() && raw < 128 &&
               !(i + raw + 1 < pixels.size() && pixels[i + raw] == pixels[i + raw + 1]))
            ++raw;
        file.push_back(uint8_t(raw - 1));
        for (size_t k = 0; k < raw; ++k)
            putPixel(file, pixels[i + k]);
        i += raw;
    }
    return file;
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double best = 0;
    double median = 0;
};

Figures summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

bool measure(const char* name, Fill fill)
{
    const std::vector<uint8_t> file = makeFile(fill);
    std::vector<double> loads;
    std::vector<double> converts;
    uint32_t check = 0;
    for (int r = 0; r < repeats; ++r) {
        TargaImage image;
        Clock::time_point start = Clock::now();
        const LoadResult result = image.loadFromMemory(file.data(), file.size());
        loads.push_back(millisecondsSince(start));
        if (result != LoadResult::Loaded) {
            std::printf("%-6s the load failed with result %d; no figure\n", name, int(result));
            return false;
        }
        PassPixels pass;
        start = Clock::now();
        const LoadResult converted = image.convertForPass(pass);
        converts.push_back(millisecondsSince(start));
        if (converted != LoadResult::Loaded) {
            std::printf("%-6s the conversion failed with result %d; no figure\n", name, int(converted));
            return false;
        }
        check += pass.bytes[size_t(side) * side * 4 / 2 + 1];  // keeps the work observable
    }
    const Figures load = summarise(loads);
    const Figures convert = summarise(converts);
    const double decodedMiB = double(side) * side * 4 / (1024.0 * 1024.0);
    std::printf("%-6s file %7.1f MiB  load best %7.1f ms  median %7.1f ms  (%6.0f MiB/s decoded)"
                "  pass pixels best %6.1f ms  [%u]\n",
                name, double(file.size()) / (1024.0 * 1024.0), load.best, load.median,
                decodedMiB / (load.best / 1000.0), convert.best, check);
    return true;
}

}  // namespace

int main()
{
    std::printf("Loading a %d x %d 32-bit run-length Targa file from memory, %d times each\n", side, side,
                repeats);
    bool ok = measure("flat", fillFlat);
    ok = measure("mixed", fillMixed) && ok;
    ok = measure("noise", fillNoise) && ok;
    return ok ? 0 : 1;
}
