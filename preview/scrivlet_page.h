#pragma once
// The drawing page shown on the virtual desktop: its layout (white around a grey
// top edge, the board two rows below it, three colour sliders to its right) painted
// on the screen, and the page model answering the pointer input that lands on it.

#include "preview/page_model.h"

#include <cstdint>
#include <string>

inline constexpr uint32_t pageBackground = 0xFFFFFFu;   // the whole page, board included, at start
inline constexpr uint32_t boardEdgeColour = edgeGrey;  // one row from column 0, two rows above the board
inline constexpr int32_t boardEdgeRow = -edgeGap;
inline constexpr uint32_t sliderColour = 0xCCCCCCu;

// Where the page shows its board when nothing else is asked for, on a screen of
// the preview's size. The real pages use the same defaults.
inline constexpr int32_t defaultBoardX = 100;
inline constexpr int32_t defaultBoardY = 250;
inline constexpr int32_t previewScreenWidth = 1280;
inline constexpr int32_t previewScreenHeight = 1024;

// How a page may look beside the layout every page shares: its edge line runs
// from the board's left column for edgeLength pixels (0: to the screen's right
// side), and the whole page may be shown at a scale, each page pixel a block of
// screen pixels, as a zoomed browser or a scaled display shows it.
struct ScrivletPageLooks {
    int32_t edgeLength = boardSide;
    int32_t scalePercent = 100;
};

// Paints the page with its board's top-left drawing pixel at page pixel (boardX,
// boardY), the same screen pixel at 100 %, and routes the virtual desktop's input
// to it from now until the next reset.
void showScrivletPage(int32_t boardX, int32_t boardY, const ScrivletPageLooks& looks = {});

// Shows the page shown last again, over whatever covered it, with its board's
// top-left drawing pixel at (boardX, boardY): the same place, or where the page's
// window was moved.
void moveScrivletPage(int32_t boardX, int32_t boardY);

// The page's answer to one input record at screen pixel (x, y): what
// showScrivletPage routes the virtual desktop's input to.
void scrivletPageInput(int32_t x, int32_t y, uint32_t flags);

// From now, the page takes this many more input records and then no more, until it
// is shown again: -previewat's board part of the way through a run.
void keepScrivletBoardAfter(int64_t records);

// The model behind the page shown last: its board and which pixels were painted.
const PageModel& shownPageModel();

// Writes a screen rectangle of the virtual desktop as an 8-bit RGB PNG file.
// Returns false if the file cannot be written.
bool writeScreenPng(const char* path, int32_t left, int32_t top, int32_t width, int32_t height);

// Why a preview could not be written at path, as a sentence, or empty if it can:
// checked before a run, so that an unwritable path ends it before anything else.
// Leaves no file behind and an existing one untouched.
std::string previewPathProblem(const char* path);
