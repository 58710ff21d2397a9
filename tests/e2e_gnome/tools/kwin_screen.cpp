// kwin_screen: the KDE Plasma end-to-end cases' eyes, through KWin's screenshots,
// as scrivdraw reads the screen there.
//
//   kwin_screen [-s 1] -t ppm -g 'LEFT,TOP WIDTHxHEIGHT' -
//       the rectangle as a binary PPM on standard output, as grim writes it, so
//       screen_readback can read the screen through it
//
// KWin takes shots only for a program an installed .desktop file grants them to.
// Exit status: 0 done, 1 failed (said on standard error), 2 bad arguments.

#include "backends/portal/kwin_shots.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    const char* geometry = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-g") == 0)
            geometry = argv[i + 1];
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    if (geometry == nullptr ||
        std::sscanf(geometry, "%" SCNd32 ",%" SCNd32 " %" SCNd32 "x%" SCNd32, &left, &top, &width, &height) != 4 ||
        width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        std::fprintf(stderr, "usage: kwin_screen -t ppm -g 'LEFT,TOP WIDTHxHEIGHT' -\n");
        return 2;
    }
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    if (!kwinShot(left, top, width, height, pixels.data())) {
        std::fprintf(stderr, "kwin_screen: KWin took no shot: %s\n", openKwinShots().c_str());
        return 1;
    }
    std::printf("P6\n%" PRId32 " %" PRId32 "\n255\n", width, height);
    for (const uint32_t p : pixels) {
        // Screen colours are 0x00BBGGRR.
        const unsigned char rgb[3] = {static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 8),
                                      static_cast<unsigned char>(p >> 16)};
        if (std::fwrite(rgb, 1, 3, stdout) != 3)
            return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
