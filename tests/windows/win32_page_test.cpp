// The Win32 drawing page against the page model, on a real display under Wine.
//
//   win32_page_test PAGE.exe GESTURES
//
// Starts the page, waits for its board to show, then plays the same gestures on the
// model (on the virtual desktop) and on the page (through the Windows backend):
// the gestures listed in GESTURES (the page-rule probes the end-to-end tests share:
// "click DX DY" and "drag DX1 DY1 DX2 DY2" in pixels from the board's top-left
// pixel, # for comments), then a few hundred pseudo-random pen colours, dots and
// short lines, many of them leaving the board. Every pixel of the screen must
// then be the same on both. Prints the count of pixels compared and differing.

#include "desktop/board_locator.h"
#include "desktop/platform.h"
#include "desktop/pointer.h"
#include "desktop/screen.h"
#include "preview/scrivlet_page.h"
#include "desktop/sliders.h"
#include "preview/virtual_desktop.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Gesture {
    bool setsPen = false;  // else a click (both ends equal) or a drag, relative to the board
    int32_t values[4] = {0, 0, 0, 0};
};

constexpr int32_t reach = 100000;  // far beyond any screen, well inside 32 bits
constexpr int randomGestures = 400;

bool parseNumber(const char* text, int32_t& value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < -reach || parsed > reach)
        return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

// Reads the gesture list; false, with the line's number, on a line that is not one.
bool readGestures(const char* path, std::vector<Gesture>& gestures, int& badLine)
{
    std::FILE* file = std::fopen(path, "r");
    badLine = 0;
    if (file == nullptr)
        return false;
    char line[256];
    int number = 0;
    bool good = true;
    while (good && std::fgets(line, sizeof line, file) != nullptr) {
        ++number;
        char* words[6] = {};
        int count = 0;
        for (char* word = std::strtok(line, " \t\r\n"); word != nullptr && count < 6;
             word = std::strtok(nullptr, " \t\r\n"))
            words[count++] = word;
        if (count == 0 || words[0][0] == '#')
            continue;
        Gesture g;
        const bool click = std::strcmp(words[0], "click") == 0 && count == 3;
        const bool drag = std::strcmp(words[0], "drag") == 0 && count == 5;
        good = click || drag;
        for (int i = 1; good && i < count; ++i)
            good = parseNumber(words[i], g.values[i - 1]);
        if (click) {
            g.values[2] = g.values[0];
            g.values[3] = g.values[1];
        }
        if (good)
            gestures.push_back(g);
        else
            badLine = number;
    }
    std::fclose(file);
    return good;
}

// A fixed pseudo-random sequence, so every run plays the same gestures.
uint32_t nextNumber(uint32_t& state)
{
    state = state * 1103515245u + 12345u;
    return state >> 8;
}

int32_t numberIn(uint32_t& state, int32_t low, int32_t high)
{
    return low + static_cast<int32_t>(nextNumber(state) % static_cast<uint32_t>(high - low + 1));
}

void addRandomGestures(std::vector<Gesture>& gestures)
{
    uint32_t state = 20261208u;
    for (int i = 0; i < randomGestures; ++i) {
        Gesture pen;
        pen.setsPen = true;
        for (int c = 0; c < 3; ++c)
            pen.values[c] = numberIn(state, -20, 280);  // past both ends: the sliders clamp
        gestures.push_back(pen);
        Gesture mark;
        mark.values[0] = numberIn(state, 0, boardSide - 1);
        mark.values[1] = numberIn(state, 0, boardSide - 1);
        if (i % 3 == 0) {
            mark.values[2] = mark.values[0];  // a dot
            mark.values[3] = mark.values[1];
        } else {
            mark.values[2] = mark.values[0] + numberIn(state, -45, 45);
            mark.values[3] = mark.values[1] + numberIn(state, -45, 45);
        }
        gestures.push_back(mark);
    }
}

void play(const std::vector<Gesture>& gestures, int32_t boardX, int32_t boardY)
{
    for (const Gesture& g : gestures) {
        if (g.setsPen)
            setPenColour(g.values[0], g.values[1], g.values[2]);
        else if (g.values[0] == g.values[2] && g.values[1] == g.values[3])
            clickAt(boardX + g.values[0], boardY + g.values[1]);
        else
            strokeBetween(boardX + g.values[0], boardY + g.values[1], boardX + g.values[2], boardY + g.values[3]);
    }
}

int64_t countDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    int64_t differ = 0;
    for (size_t i = 0; i < a.size(); ++i)
        differ += a[i] != b[i];
    return differ;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: win32_page_test PAGE.exe GESTURES\n", stderr);
        return 2;
    }
    std::vector<Gesture> gestures;
    int badLine = 0;
    if (!readGestures(argv[2], gestures, badLine)) {
        std::fprintf(stderr, "FAIL: %s: cannot read it, or line %d is not a gesture\n", argv[2], badLine);
        return 1;
    }
    const size_t listed = gestures.size();
    addRandomGestures(gestures);

    useDesktop(nativeDesktop());
    if (const char* problem = openDesktop(); *problem != '\0') {
        std::fprintf(stderr, "FAIL: %s", problem);
        return 1;
    }
    int32_t width = 0;
    int32_t height = 0;
    primaryScreenSize(width, height);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION page{};
    std::string command = std::string("\"") + argv[1] + "\"";
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &page)) {
        std::fprintf(stderr, "FAIL: cannot start %s\n", argv[1]);
        closeDesktop();
        return 1;
    }

    // The page is ready for input once its edge line shows.
    int32_t boardX = 0;
    int32_t boardY = 0;
    bool found = false;
    for (int tries = 0; tries < 300 && !found; ++tries) {
        found = locateBoard(boardX, boardY);
        if (!found)
            sleepMilliseconds(50);
    }
    int status = 1;
    if (!found) {
        std::fputs("FAIL: the page's board never showed\n", stderr);
    } else if (boardX != defaultBoardX || boardY != defaultBoardY) {
        std::fprintf(stderr, "FAIL: the page's board is at %d, %d, not at %d, %d\n", boardX, boardY, defaultBoardX,
                     defaultBoardY);
    } else {
        // What the page should show: the model on a virtual screen of the same size.
        resetVirtualDesktop(width, height, pageBackground);
        showScrivletPage(boardX, boardY);
        useDesktop(virtualDesktop());
        ScreenSize = {width, height};
        play(gestures, boardX, boardY);
        std::vector<uint32_t> wanted(size_t(width) * size_t(height));
        captureScreen(0, 0, width, height, wanted.data());

        useDesktop(nativeDesktop());
        play(gestures, boardX, boardY);
        // The page may still be working through the input: look until it matches.
        std::vector<uint32_t> shown(wanted.size());
        int64_t differ = 0;
        for (int tries = 0; tries < 100; ++tries) {
            captureScreen(0, 0, width, height, shown.data());
            differ = countDifferences(wanted, shown);
            if (differ == 0)
                break;
            sleepMilliseconds(100);
        }
        std::printf("win32 page: %zu listed and %d random gestures; %lld pixels compared, %lld differ\n", listed,
                    randomGestures, static_cast<long long>(wanted.size()), static_cast<long long>(differ));
        int reported = 0;
        for (size_t i = 0; i < wanted.size() && reported < 10; ++i)
            if (wanted[i] != shown[i]) {
                std::printf("  at %d, %d (board %d, %d): page 0x%06X, model 0x%06X\n", static_cast<int>(i % size_t(width)),
                            static_cast<int>(i / size_t(width)), static_cast<int>(i % size_t(width)) - boardX,
                            static_cast<int>(i / size_t(width)) - boardY, shown[i], wanted[i]);
                ++reported;
            }
        status = differ == 0 ? 0 : 1;
    }

    TerminateProcess(page.hProcess, 0);
    WaitForSingleObject(page.hProcess, 10000);
    CloseHandle(page.hThread);
    CloseHandle(page.hProcess);
    closeDesktop();
    return status;
}
