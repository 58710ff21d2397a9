// scrivdraw_man FILE: writes the manual page (man_page.h) to FILE.
#include "cmdline/man_page.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: scrivdraw_man FILE\n", stderr);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const std::string page = manPageText();
    const bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "scrivdraw_man: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
