// page_model_gestures: plays a list of pointer gestures on the in-memory model of
// the drawing page and writes what the screen then shows, so that a real page
// given the same gestures can be compared with it pixel for pixel.
//
//   page_model_gestures GESTURES BOARDX BOARDY LEFT TOP WIDTH HEIGHT OUT.png
//
// GESTURES holds one gesture a line, in pixels from the board's top-left pixel:
//   click DX DY             press and release there
//   drag DX1 DY1 DX2 DY2    press at the first point, release at the second
// Empty lines and lines starting with # are skipped. The model's screen has the
// preview's size; the page's board is at (BOARDX, BOARDY).

#include "desktop/platform.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"
#include "preview/scrivlet_page.h"
#include "preview/virtual_desktop.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t reach = 100000;  // far beyond any screen, well inside 32 bits

bool parseCoordinate(const char* text, int32_t& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < -reach || parsed > reach)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

// Splits line into at most five words; returns how many there were (6: too many).
int splitWords(char* line, char* words[5])
{
    int count = 0;
    for (char* word = std::strtok(line, " \t\r\n"); word != nullptr; word = std::strtok(nullptr, " \t\r\n")) {
        if (count == 5)
            return 6;
        words[count++] = word;
    }
    return count;
}

// Plays one gesture line; false if it is not one.
bool playLine(char* line, int32_t boardX, int32_t boardY)
{
    char* words[5] = {};
    const int count = splitWords(line, words);
    if (count == 0 || words[0][0] == '#')
        return true;
    int32_t values[4] = {};
    for (int i = 1; i < count; ++i) {
        if (!parseCoordinate(words[i], values[i - 1]))
            return false;
    }
    if (std::strcmp(words[0], "click") == 0 && count == 3) {
        clickAt(boardX + values[0], boardY + values[1]);
        return true;
    }
    if (std::strcmp(words[0], "drag") == 0 && count == 5) {
        strokeBetween(boardX + values[0], boardY + values[1], boardX + values[2], boardY + values[3]);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    int32_t numbers[6] = {};
    bool numbersRead = argc == 9;
    for (int i = 0; numbersRead && i < 6; ++i)
        numbersRead = parseCoordinate(argv[i + 2], numbers[i]);
    if (!numbersRead || numbers[4] <= 0 || numbers[5] <= 0) {
        std::fputs("usage: page_model_gestures GESTURES BOARDX BOARDY LEFT TOP WIDTH HEIGHT OUT.png\n", stderr);
        return 2;
    }
    const int32_t boardX = numbers[0];
    const int32_t boardY = numbers[1];

    std::FILE* gestures = std::fopen(argv[1], "r");
    if (gestures == nullptr) {
        std::fprintf(stderr, "page_model_gestures: cannot read %s\n", argv[1]);
        return 2;
    }
    resetVirtualDesktop(previewScreenWidth, previewScreenHeight, pageBackground);
    showScrivletPage(boardX, boardY);
    useDesktop(virtualDesktop());
    ScreenSize = {previewScreenWidth, previewScreenHeight};

    char line[256];
    int lineNumber = 0;
    bool played = true;
    while (played && std::fgets(line, sizeof line, gestures) != nullptr) {
        ++lineNumber;
        played = playLine(line, boardX, boardY);
    }
    std::fclose(gestures);
    if (!played) {
        std::fprintf(stderr, "page_model_gestures: %s:%d is not a gesture\n", argv[1], lineNumber);
        return 2;
    }
    if (!writeScreenPng(argv[8], numbers[2], numbers[3], numbers[4], numbers[5])) {
        std::fprintf(stderr, "page_model_gestures: cannot write %s\n", argv[8]);
        return 2;
    }
    return 0;
}
