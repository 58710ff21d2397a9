// mutter_screen: the GNOME end-to-end cases' eyes and hands on headless mutter,
// through mutter's own screen-cast and remote-desktop API (no dialog).
//
//   mutter_screen -t ppm -g 'LEFT,TOP WIDTHxHEIGHT' -
//       the rectangle as a binary PPM on standard output, as grim writes it, so
//       screen_readback can read the screen through it
//   mutter_screen click X Y
//   mutter_screen dialog share|allow-and-share|cancel [SHOT.ppm]
//       answers the portal's "Remote desktop" dialog once it shows: share
//       without remote interaction, switch remote interaction on first, or
//       cancel; each click checked on the screen. SHOT: the screen before.
//
// Exit status: 0 done, 1 failed (said on standard error), 2 bad arguments.

#include "backends/linux_timing.h"
#include "tests/e2e_gnome/tools/mutter_session.h"
#include "tests/e2e_gnome/tools/portal_dialog.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool writePpm(std::FILE* file, const std::vector<uint32_t>& pixels, int32_t screenWidth, int32_t left, int32_t top,
              int32_t width, int32_t height, int32_t screenHeight)
{
    std::fprintf(file, "P6\n%" PRId32 " %" PRId32 "\n255\n", width, height);
    for (int32_t y = top; y < top + height; ++y)
        for (int32_t x = left; x < left + width; ++x) {
            const bool on = x >= 0 && y >= 0 && x < screenWidth && y < screenHeight;
            const uint32_t p = on ? pixels[size_t(y) * size_t(screenWidth) + size_t(x)] : 0;
            const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p)};
            if (std::fwrite(rgb, 1, 3, file) != 3)
                return false;
        }
    return std::fflush(file) == 0;
}

int grab(const char* geometry)
{
    int32_t left = 0, top = 0, width = 0, height = 0;
    if (std::sscanf(geometry, "%" SCNd32 ",%" SCNd32 " %" SCNd32 "x%" SCNd32, &left, &top, &width, &height) != 4 ||
        width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return 2;
    // Again after a failure, for a while: mutter can be too busy to answer for
    // tens of seconds on a loaded machine, still taking in the input of a run.
    const int64_t giveUp = monotonicNs() + 120'000'000'000;
    while (!openMutterSession(false)) {
        closeMutterSession();
        if (monotonicNs() >= giveUp) {
            std::fprintf(stderr, "mutter_screen: no screen cast from mutter\n");
            return 1;
        }
    }
    int32_t screenWidth = 0, screenHeight = 0;
    std::vector<uint32_t> pixels;
    const bool grabbed = grabScreen(screenWidth, screenHeight, pixels);
    closeMutterSession();
    if (!grabbed || left < 0 || top < 0 || int64_t{left} + width > screenWidth || int64_t{top} + height > screenHeight)
        return 1;
    return writePpm(stdout, pixels, screenWidth, left, top, width, height, screenHeight) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // grim's "-s 1" (one output pixel a screen pixel) is what the screen cast gives.
    if (argc == 8 && std::strcmp(argv[1], "-s") == 0 && std::strcmp(argv[2], "1") == 0) {
        argv += 2;
        argc -= 2;
    }
    if (argc == 6 && std::strcmp(argv[1], "-t") == 0 && std::strcmp(argv[2], "ppm") == 0 &&
        std::strcmp(argv[3], "-g") == 0 && std::strcmp(argv[5], "-") == 0)
        return grab(argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "click") == 0) {
        if (!openMutterSession(true))
            return 1;
        const bool clicked = clickAt(std::atoi(argv[2]), std::atoi(argv[3]));
        closeMutterSession();
        return clicked ? 0 : 1;
    }
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "dialog") == 0) {
        DialogAnswer answer;
        if (std::strcmp(argv[2], "share") == 0)
            answer = DialogAnswer::Share;
        else if (std::strcmp(argv[2], "allow-and-share") == 0)
            answer = DialogAnswer::AllowAndShare;
        else if (std::strcmp(argv[2], "cancel") == 0)
            answer = DialogAnswer::Cancel;
        else
            return 2;
        return answerDialog(answer, argc == 4 ? argv[3] : nullptr) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: mutter_screen -t ppm -g 'LEFT,TOP WxH' - | click X Y | dialog share|allow-and-share|cancel\n");
    return 2;
}
