// The Win32 page's command line (see scrivlet_page_win32.cpp for what each option does).

#include "page/win32/page_state.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace scrivletPage {

// A whole number in 32 bits, all of the text, or false.
bool readInt32(const char* text, int32_t& out)
{
    if (text == nullptr || *text == '\0')
        return false;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

const char usage[] = "usage: scrivlet_page [-board X Y] [-log FILE] [-drop P -seed S] [-moveto X Y] [-scale F] [-edge N]\n";

bool readRate(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out >= 0.0 && out <= 1.0;
}

bool readArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-board") == 0 && i + 2 < argc) {
            if (!readInt32(argv[i + 1], page.boardX) || !readInt32(argv[i + 2], page.boardY))
                return false;
            i += 2;
        } else if (std::strcmp(argv[i], "-log") == 0 && i + 1 < argc) {
            if (page.log != nullptr)
                std::fclose(page.log);
            page.log = std::fopen(argv[i + 1], "a");
            if (page.log == nullptr) {
                std::fprintf(stderr, "scrivlet_page: can't open %s\n", argv[i + 1]);
                return false;
            }
            ++i;
        } else if (std::strcmp(argv[i], "-moveto") == 0 && i + 2 < argc) {
            if (!readInt32(argv[i + 1], page.moveX) || !readInt32(argv[i + 2], page.moveY))
                return false;
            page.canMove = true;
            i += 2;
        } else if (std::strcmp(argv[i], "-drop") == 0 && i + 1 < argc) {
            if (!readRate(argv[++i], page.dropRate))
                return false;
        } else if (std::strcmp(argv[i], "-scale") == 0 && i + 1 < argc) {
            char* end = nullptr;
            page.scale = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(page.scale >= 0.25 && page.scale <= 5.0))
                return false;
        } else if (std::strcmp(argv[i], "-edge") == 0 && i + 1 < argc) {
            if (!readInt32(argv[++i], page.edgeLength) || page.edgeLength < 280 || page.edgeLength > 4000)
                return false;
        } else if (std::strcmp(argv[i], "-seed") == 0 && i + 1 < argc) {
            int32_t seed = 0;
            if (!readInt32(argv[++i], seed))
                return false;
            page.dropState = static_cast<uint32_t>(seed);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace scrivletPage
