// screen_readback: reads a rectangle of the X screen that DISPLAY names, and writes
// it as a PNG or compares it with one. Pages repaint when they get round to it,
// seconds after the input sometimes, so comparisons poll until the screen shows
// what is expected or the time is up, and then say how many pixels differ.
//
//   screen_readback capture LEFT TOP WIDTH HEIGHT OUT.png
//   screen_readback wait-edge BOARDX BOARDY TIMEOUT_MS [LENGTH]
//       until the page shows its board edge: a grey #999999 row of 300 (or LENGTH)
//       pixels at BOARDY-2 from BOARDX, under white
//   screen_readback match LEFT TOP EXPECTED.png TIMEOUT_MS [options]
//       until the rectangle at LEFT, TOP of EXPECTED's size equals EXPECTED
//   screen_readback match-prefix LEFT TOP EXPECTED.png STEPX STEPY COUNT TIMEOUT_MS [options]
//       the same against EXPECTED with only its first COUNT grid points (rows of
//       points STEPX apart, STEPY between rows, left to right, top to bottom) kept
//       and the later ones white: a board of single dots whose drawing stopped
//       after COUNT points. COUNT "drawn" takes as many points as the screen
//       shows from the first on, once two reads a second apart agree: for a run
//       stopped at a moment the caller does not know
//   options: --save FILE.png   write the last capture there
//            --hold MS         once equal, require it to stay equal for MS more
//
// Exit status: 0 when the screen shows what is expected, 1 when it does not, 2 for
// bad arguments or an unusable display or file.
//
// On a Wayland desktop (WAYLAND_DISPLAY set) an X client sees nothing of the
// screen; there the pixels come from grim, which asks the compositor for a copy,
// or from the program SCREEN_READBACK_GRIM names, which takes grim's arguments
// (GNOME, where grim cannot copy).

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <spng.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

namespace {

constexpr int statusEqual = 0;
constexpr int statusDifferent = 1;
constexpr int statusError = 2;
constexpr int32_t pollIntervalMs = 50;
constexpr int32_t largestSide = 16384;
constexpr uint32_t white = 0xFFFFFFu;
constexpr uint32_t edgeGrey = 0x999999u;
constexpr int32_t boardSide = 300;

// Pixels as 0xRRGGBB, rows top first.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint32_t[]> pixels;
};

bool allocatePicture(Picture& picture, int32_t width, int32_t height)
{
    picture.width = width;
    picture.height = height;
    picture.pixels.reset(new (std::nothrow) uint32_t[static_cast<size_t>(width) * static_cast<size_t>(height)]);
    if (!picture.pixels) {
        std::fprintf(stderr, "screen_readback: out of memory for %" PRId32 " x %" PRId32 " pixels\n", width, height);
        return false;
    }
    return true;
}

// A whole decimal number in [lowest, highest], the whole text and nothing else.
bool parseNumber(const char* text, int64_t lowest, int64_t highest, int64_t& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < lowest || parsed > highest)
        return false;
    value = parsed;
    return true;
}

bool parseInt32(const char* text, int64_t lowest, int64_t highest, int32_t& value, const char* what)
{
    int64_t parsed = 0;
    if (!parseNumber(text, lowest, highest, parsed)) {
        std::fprintf(stderr, "screen_readback: %s must be a whole number from %" PRId64 " to %" PRId64 ", not \"%s\"\n",
                     what, lowest, highest, text == nullptr ? "" : text);
        return false;
    }
    value = static_cast<int32_t>(parsed);
    return true;
}

void sleepMs(int32_t ms)
{
    timespec pause{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

int64_t elapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

// The 8-bit value of one channel of a direct-colour pixel, whatever its mask.
uint32_t channelValue(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1UL) == 0)
        ++shift;
    const unsigned long maximum = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<uint32_t>(maximum == 255 ? value : (value * 255 + maximum / 2) / maximum);
}

struct Screen {
    bool wayland = false;
    Display* display = nullptr;
    Window root = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// A refused request must not end the tool; the call that made it reports it.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

bool openScreen(Screen& screen)
{
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland != nullptr && *wayland != '\0') {
        screen.wayland = true;
        screen.width = largestSide;
        screen.height = largestSide;
        return true;
    }
    XSetErrorHandler(ignoreXError);
    screen.display = XOpenDisplay(nullptr);
    if (screen.display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "screen_readback: cannot open the X display \"%s\"\n", name == nullptr ? "" : name);
        return false;
    }
    const int number = DefaultScreen(screen.display);
    screen.root = RootWindow(screen.display, number);
    screen.width = DisplayWidth(screen.display, number);
    screen.height = DisplayHeight(screen.display, number);
    return true;
}

void closeScreen(Screen& screen)
{
    if (screen.display != nullptr)
        XCloseDisplay(screen.display);
    screen.display = nullptr;
}

// grim's binary PPM of the rectangle: "P6 WIDTH HEIGHT 255", then RGB bytes. The
// rectangle is in the compositor's logical pixels, and so is the copy (-s 1), on a
// scaled output too.
bool captureWithGrim(int32_t left, int32_t top, Picture& picture)
{
    const char* grim = std::getenv("SCREEN_READBACK_GRIM");
    if (grim == nullptr || *grim == '\0' || std::strlen(grim) > 512 || std::strchr(grim, '\'') != nullptr)
        grim = "grim";
    char command[640];
    std::snprintf(command, sizeof command, "'%s' -s 1 -t ppm -g '%" PRId32 ",%" PRId32 " %" PRId32 "x%" PRId32 "' -", grim,
                  left, top, picture.width, picture.height);
    std::FILE* pipe = popen(command, "r");
    if (pipe == nullptr) {
        std::fprintf(stderr, "screen_readback: cannot run grim\n");
        return false;
    }
    int width = 0;
    int height = 0;
    int maximum = 0;
    bool read = std::fscanf(pipe, "P6 %d %d %d", &width, &height, &maximum) == 3 && std::fgetc(pipe) != EOF &&
                width == picture.width && height == picture.height && maximum == 255;
    for (size_t i = 0, count = size_t(picture.width) * size_t(picture.height); read && i < count; ++i) {
        uint8_t rgb[3];
        read = std::fread(rgb, 1, 3, pipe) == 3;
        picture.pixels[i] = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    }
    const int status = pclose(pipe);
    if (!read || status != 0) {
        std::fprintf(stderr, "screen_readback: grim did not copy the %" PRId32 " x %" PRId32 " rectangle at (%" PRId32
                     ", %" PRId32 ")\n", picture.width, picture.height, left, top);
        return false;
    }
    return true;
}

// Reads the rectangle picture.width x picture.height at (left, top) into picture.
bool captureInto(const Screen& screen, int32_t left, int32_t top, Picture& picture)
{
    if (screen.wayland)
        return captureWithGrim(left, top, picture);
    if (left < 0 || top < 0 || int64_t{left} + picture.width > screen.width ||
        int64_t{top} + picture.height > screen.height) {
        std::fprintf(stderr,
                     "screen_readback: the rectangle %" PRId32 " x %" PRId32 " at (%" PRId32 ", %" PRId32
                     ") is not inside the %" PRId32 " x %" PRId32 " screen\n",
                     picture.width, picture.height, left, top, screen.width, screen.height);
        return false;
    }
    XImage* image = XGetImage(screen.display, screen.root, left, top, static_cast<unsigned int>(picture.width),
                              static_cast<unsigned int>(picture.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "screen_readback: the X server refused to read the screen\n");
        return false;
    }
    const bool direct = image->red_mask != 0 && image->green_mask != 0 && image->blue_mask != 0;
    if (direct) {
        for (int32_t y = 0; y < picture.height; ++y) {
            uint32_t* row = picture.pixels.get() + static_cast<size_t>(y) * static_cast<size_t>(picture.width);
            for (int32_t x = 0; x < picture.width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                row[x] = channelValue(pixel, image->red_mask) << 16 | channelValue(pixel, image->green_mask) << 8 |
                         channelValue(pixel, image->blue_mask);
            }
        }
    }
    XDestroyImage(image);
    if (!direct)
        std::fprintf(stderr, "screen_readback: the screen is not direct colour, its pixels cannot be read\n");
    return direct;
}

// libspng both ways; the pictures are 8-bit RGB without colour chunks (scrivdraw's
// previews and this tool's own captures), so no colour correction is asked for.
struct SpngFile {
    spng_ctx* ctx = nullptr;
    std::FILE* file = nullptr;
    ~SpngFile()
    {
        spng_ctx_free(ctx);
        if (file != nullptr)
            std::fclose(file);
    }
};

bool readPng(const char* path, Picture& picture)
{
    SpngFile png;
    png.file = std::fopen(path, "rb");
    png.ctx = spng_ctx_new(0);
    if (png.file == nullptr || png.ctx == nullptr) {
        std::fprintf(stderr, "screen_readback: cannot read %s\n", path);
        return false;
    }
    spng_set_png_file(png.ctx, png.file);
    spng_ihdr header{};
    if (const int error = spng_get_ihdr(png.ctx, &header); error != 0) {
        std::fprintf(stderr, "screen_readback: cannot read %s: %s\n", path, spng_strerror(error));
        return false;
    }
    if (header.width == 0 || header.height == 0 || header.width > largestSide || header.height > largestSide) {
        std::fprintf(stderr, "screen_readback: %s is %u x %u pixels, more than this tool compares\n", path,
                     header.width, header.height);
        return false;
    }
    size_t size = 0;
    if (const int error = spng_decoded_image_size(png.ctx, SPNG_FMT_RGB8, &size); error != 0) {
        std::fprintf(stderr, "screen_readback: cannot decode %s: %s\n", path, spng_strerror(error));
        return false;
    }
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
    if (!bytes || !allocatePicture(picture, static_cast<int32_t>(header.width), static_cast<int32_t>(header.height)))
        return false;
    if (const int error = spng_decode_image(png.ctx, bytes.get(), size, SPNG_FMT_RGB8, 0); error != 0) {
        std::fprintf(stderr, "screen_readback: cannot decode %s: %s\n", path, spng_strerror(error));
        return false;
    }
    const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    for (size_t i = 0; i < count; ++i)
        picture.pixels[i] = uint32_t{bytes[3 * i]} << 16 | uint32_t{bytes[3 * i + 1]} << 8 | bytes[3 * i + 2];
    return true;
}

bool writePng(const char* path, const Picture& picture)
{
    const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[3 * count]);
    if (!bytes) {
        std::fprintf(stderr, "screen_readback: out of memory writing %s\n", path);
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        bytes[3 * i] = static_cast<uint8_t>(picture.pixels[i] >> 16);
        bytes[3 * i + 1] = static_cast<uint8_t>(picture.pixels[i] >> 8);
        bytes[3 * i + 2] = static_cast<uint8_t>(picture.pixels[i]);
    }
    SpngFile png;
    png.file = std::fopen(path, "wb");
    png.ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    if (png.file == nullptr || png.ctx == nullptr) {
        std::fprintf(stderr, "screen_readback: cannot write %s\n", path);
        return false;
    }
    spng_set_png_file(png.ctx, png.file);
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(picture.width);
    header.height = static_cast<uint32_t>(picture.height);
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    int error = spng_set_ihdr(png.ctx, &header);
    if (error == 0)
        error = spng_encode_image(png.ctx, bytes.get(), 3 * count, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    std::FILE* file = png.file;
    png.file = nullptr;
    if (std::fclose(file) != 0 && error == 0)
        error = SPNG_IO_ERROR;
    if (error != 0) {
        std::fprintf(stderr, "screen_readback: cannot write %s: %s\n", path, spng_strerror(error));
        return false;
    }
    return true;
}

int64_t countMismatches(const Picture& screen, const Picture& expected)
{
    const size_t count = static_cast<size_t>(expected.width) * static_cast<size_t>(expected.height);
    int64_t mismatched = 0;
    for (size_t i = 0; i < count; ++i)
        mismatched += screen.pixels[i] != expected.pixels[i] ? 1 : 0;
    return mismatched;
}

void listMismatches(const Picture& screen, const Picture& expected, int32_t left, int32_t top)
{
    constexpr int listed = 8;
    int shown = 0;
    for (int32_t y = 0; y < expected.height && shown < listed; ++y) {
        for (int32_t x = 0; x < expected.width && shown < listed; ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(expected.width) + static_cast<size_t>(x);
            if (screen.pixels[i] == expected.pixels[i])
                continue;
            std::printf("  at (%" PRId32 ", %" PRId32 ") on the screen, (%" PRId32 ", %" PRId32
                        ") in the picture: #%06" PRIX32 " where #%06" PRIX32 " was expected\n",
                        left + x, top + y, x, y, screen.pixels[i], expected.pixels[i]);
            ++shown;
        }
    }
}

void usage();

// Says how the tool is used; the caller then ends with statusError.
bool badArguments()
{
    usage();
    return false;
}

bool argumentCount(int argc, int lowest, int highest)
{
    return (argc >= lowest && argc <= highest) || badArguments();
}

struct MatchOptions {
    const char* savePath = nullptr;
    int32_t holdMs = 0;
};

bool parseOptions(int argc, char** argv, int first, MatchOptions& options)
{
    for (int i = first; i < argc; i += 2) {
        if (i + 1 >= argc) {
            std::fprintf(stderr, "screen_readback: %s needs a value\n", argv[i]);
            return false;
        }
        if (std::strcmp(argv[i], "--save") == 0) {
            options.savePath = argv[i + 1];
        } else if (std::strcmp(argv[i], "--hold") == 0) {
            if (!parseInt32(argv[i + 1], 0, 3600000, options.holdMs, "--hold"))
                return false;
        } else {
            std::fprintf(stderr, "screen_readback: unknown option %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// Polls the screen until it equals expected or timeoutMs has passed, then (when
// equal) watches it for options.holdMs more. Prints the pixel counts either way.
int matchScreen(const Picture& expected, int32_t left, int32_t top, int32_t timeoutMs, const MatchOptions& options)
{
    Screen screen;
    if (!openScreen(screen))
        return statusError;
    Picture shown;
    if (!allocatePicture(shown, expected.width, expected.height)) {
        closeScreen(screen);
        return statusError;
    }
    const int64_t compared = int64_t{expected.width} * expected.height;
    const auto start = std::chrono::steady_clock::now();
    int64_t mismatched = 0;
    int status = statusError;
    for (;;) {
        if (!captureInto(screen, left, top, shown))
            break;
        mismatched = countMismatches(shown, expected);
        const int64_t waited = elapsedMs(start);
        if (mismatched == 0) {
            std::printf("screen_readback: compared %" PRId64 " pixels, 0 mismatched (equal after %" PRId64 " ms)\n",
                        compared, waited);
            status = statusEqual;
            break;
        }
        if (waited >= timeoutMs) {
            std::printf("screen_readback: compared %" PRId64 " pixels, %" PRId64 " mismatched (still after %" PRId64
                        " ms)\n",
                        compared, mismatched, waited);
            listMismatches(shown, expected, left, top);
            status = statusDifferent;
            break;
        }
        sleepMs(pollIntervalMs);
    }

    if (status == statusEqual && options.holdMs > 0) {
        const auto holdStart = std::chrono::steady_clock::now();
        while (status == statusEqual && elapsedMs(holdStart) < options.holdMs) {
            sleepMs(pollIntervalMs);
            if (!captureInto(screen, left, top, shown)) {
                status = statusError;
                break;
            }
            mismatched = countMismatches(shown, expected);
            if (mismatched != 0) {
                std::printf("screen_readback: changed %" PRId64 " ms after it was equal: %" PRId64
                            " of %" PRId64 " pixels differ\n",
                            elapsedMs(holdStart), mismatched, compared);
                listMismatches(shown, expected, left, top);
                status = statusDifferent;
            }
        }
        if (status == statusEqual)
            std::printf("screen_readback: stayed equal for %" PRId32 " ms more\n", options.holdMs);
    }

    if (options.savePath != nullptr && status != statusError && !writePng(options.savePath, shown))
        status = statusError;
    closeScreen(screen);
    return status;
}

int captureCommand(int argc, char** argv)
{
    int32_t left = 0;
    int32_t top = 0;
    Picture picture;
    int32_t width = 0;
    int32_t height = 0;
    if (!argumentCount(argc, 7, 7) || !parseInt32(argv[2], 0, largestSide, left, "LEFT") ||
        !parseInt32(argv[3], 0, largestSide, top, "TOP") || !parseInt32(argv[4], 1, largestSide, width, "WIDTH") ||
        !parseInt32(argv[5], 1, largestSide, height, "HEIGHT"))
        return statusError;
    Screen screen;
    if (!openScreen(screen))
        return statusError;
    const bool captured = allocatePicture(picture, width, height) && captureInto(screen, left, top, picture);
    closeScreen(screen);
    return captured && writePng(argv[6], picture) ? statusEqual : statusError;
}

int waitEdgeCommand(int argc, char** argv)
{
    int32_t boardX = 0;
    int32_t boardY = 0;
    int32_t timeoutMs = 0;
    int32_t length = boardSide;  // a page shown at another scale draws it longer or shorter
    if (!argumentCount(argc, 5, 6) || !parseInt32(argv[2], 0, largestSide, boardX, "BOARDX") ||
        !parseInt32(argv[3], 3, largestSide, boardY, "BOARDY") ||
        !parseInt32(argv[4], 0, 3600000, timeoutMs, "TIMEOUT_MS") ||
        (argc == 6 && !parseInt32(argv[5], 1, largestSide, length, "LENGTH")))
        return statusError;
    // Two rows: white, then the grey edge.
    Picture expected;
    if (!allocatePicture(expected, length, 2))
        return statusError;
    for (int32_t x = 0; x < length; ++x) {
        expected.pixels[static_cast<size_t>(x)] = white;
        expected.pixels[static_cast<size_t>(length + x)] = edgeGrey;
    }
    return matchScreen(expected, boardX, boardY - 3, timeoutMs, MatchOptions{});
}

int matchCommand(int argc, char** argv)
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t timeoutMs = 0;
    MatchOptions options;
    Picture expected;
    if (!argumentCount(argc, 6, 10) || !parseInt32(argv[2], 0, largestSide, left, "LEFT") ||
        !parseInt32(argv[3], 0, largestSide, top, "TOP") ||
        !parseInt32(argv[5], 0, 3600000, timeoutMs, "TIMEOUT_MS") || !parseOptions(argc, argv, 6, options) ||
        !readPng(argv[4], expected))
        return statusError;
    return matchScreen(expected, left, top, timeoutMs, options);
}

// The grid points the screen shows in their expected colour, counted from the
// first up to the first that does not, once two reads a little apart agree.
bool countDrawnPoints(const Picture& expected, int32_t left, int32_t top, int32_t stepX, int32_t stepY,
                      int32_t timeoutMs, int32_t& count)
{
    Screen screen;
    if (!openScreen(screen))
        return false;
    Picture shown;
    bool read = allocatePicture(shown, expected.width, expected.height);
    const auto start = std::chrono::steady_clock::now();
    int32_t previous = -1;
    while (read && captureInto(screen, left, top, shown)) {
        int32_t shownPoints = 0;
        bool gap = false;
        for (int32_t y = 0; y < expected.height && !gap; y += stepY)
            for (int32_t x = 0; x < expected.width && !gap; x += stepX) {
                const size_t i = static_cast<size_t>(y) * static_cast<size_t>(expected.width) + static_cast<size_t>(x);
                gap = shown.pixels[i] != expected.pixels[i];
                shownPoints += gap ? 0 : 1;
            }
        if (shownPoints == previous || elapsedMs(start) >= timeoutMs) {
            count = shownPoints;
            closeScreen(screen);
            return true;
        }
        previous = shownPoints;
        sleepMs(1000);
    }
    closeScreen(screen);
    return false;
}

int matchPrefixCommand(int argc, char** argv)
{
    int32_t left = 0;
    int32_t top = 0;
    int32_t stepX = 0;
    int32_t stepY = 0;
    int32_t count = 0;
    int32_t timeoutMs = 0;
    MatchOptions options;
    Picture expected;
    const bool drawn = argc > 7 && std::strcmp(argv[7], "drawn") == 0;
    if (!argumentCount(argc, 9, 13) || !parseInt32(argv[2], 0, largestSide, left, "LEFT") ||
        !parseInt32(argv[3], 0, largestSide, top, "TOP") ||
        !parseInt32(argv[5], 1, largestSide, stepX, "STEPX") || !parseInt32(argv[6], 1, largestSide, stepY, "STEPY") ||
        (!drawn && !parseInt32(argv[7], 0, INT32_MAX, count, "COUNT")) ||
        !parseInt32(argv[8], 0, 3600000, timeoutMs, "TIMEOUT_MS") || !parseOptions(argc, argv, 9, options) ||
        !readPng(argv[4], expected))
        return statusError;
    if (drawn && !countDrawnPoints(expected, left, top, stepX, stepY, timeoutMs, count))
        return statusError;
    int64_t seen = 0;
    for (int32_t y = 0; y < expected.height; y += stepY) {
        for (int32_t x = 0; x < expected.width; x += stepX) {
            if (seen++ >= count)
                expected.pixels[static_cast<size_t>(y) * static_cast<size_t>(expected.width) +
                                static_cast<size_t>(x)] = white;
        }
    }
    if (count > seen) {
        std::fprintf(stderr, "screen_readback: COUNT %" PRId32 " is more than the %" PRId64 " grid points\n", count,
                     seen);
        return statusError;
    }
    std::printf("screen_readback: expecting the first %" PRId32 " of %" PRId64 " grid points\n", count, seen);
    return matchScreen(expected, left, top, timeoutMs, options);
}

void usage()
{
    std::fputs("usage: screen_readback capture LEFT TOP WIDTH HEIGHT OUT.png\n"
               "       screen_readback wait-edge BOARDX BOARDY TIMEOUT_MS [LENGTH]\n"
               "       screen_readback match LEFT TOP EXPECTED.png TIMEOUT_MS [--save FILE.png] [--hold MS]\n"
               "       screen_readback match-prefix LEFT TOP EXPECTED.png STEPX STEPY COUNT TIMEOUT_MS"
               " [--save FILE.png] [--hold MS]\n",
               stderr);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        usage();
        return statusError;
    }
    const char* command = argv[1];
    int status = statusError;
    if (std::strcmp(command, "capture") == 0)
        status = captureCommand(argc, argv);
    else if (std::strcmp(command, "wait-edge") == 0)
        status = waitEdgeCommand(argc, argv);
    else if (std::strcmp(command, "match") == 0)
        status = matchCommand(argc, argv);
    else if (std::strcmp(command, "match-prefix") == 0)
        status = matchPrefixCommand(argc, argv);
    else
        badArguments();
    std::fflush(stdout);
    return status;
}
