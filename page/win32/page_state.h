#pragma once
// The Win32 drawing page's one process-wide state and the parts of it that are not
// the window: what a button press and release do to the page, and its arguments.

#include "preview/scrivlet_page.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace scrivletPage {

struct Page {
    int32_t width = 0;   // the window, and the page bitmap, cover the whole virtual screen
    int32_t height = 0;
    int32_t boardX = defaultBoardX;
    int32_t boardY = defaultBoardY;
    uint32_t* pixels = nullptr;  // 0x00RRGGBB, rows top first
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    uint8_t pen[3] = {0, 0, 0};  // red, green, blue
    bool pressedOnBoard = false;
    int32_t pressX = 0;
    int32_t pressY = 0;
    bool edgeShown = false;
    FILE* log = nullptr;
    double dropRate = 0.0;
    uint32_t dropState = 0;
    bool dropping = false;  // the gesture under way is being ignored
    bool canMove = false;
    int32_t moveX = 0;
    int32_t moveY = 0;
    LARGE_INTEGER start{};
    LARGE_INTEGER frequency{};
    double scale = 1.0;
    int32_t edgeLength = boardSide;  // the edge line, from the board's left column
};

extern Page page;

// A page position as the -scale display shows it.
int64_t scaled(int64_t position);
// Page colours are given as 0xRRGGBB, the order a 32-bit DIB keeps them in.
void fillRect(int64_t left, int64_t top, int64_t width, int64_t height, uint32_t colour);
// The left button at window (screen) pixel (x, y).
void press(HWND window, int32_t x, int32_t y);
void release(HWND window, int32_t x, int32_t y);

extern const char usage[];
bool readArguments(int argc, char** argv);

}  // namespace scrivletPage
