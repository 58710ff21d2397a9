#pragma once
// KDE Plasma's screen, read through KWin's own screenshots (org.kde.KWin.ScreenShot2),
// where its screen cast sends no pictures: an area of the screen, written by KWin
// into a pipe once it has painted its next frame. KWin answers only programs named,
// by their executable, in an installed .desktop file that lists the interface
// under X-KDE-DBUS-Restricted-Interfaces (the package installs one).

#include "backends/portal/frame_mapping.h"

#include <cstdint>
#include <string>

#include <gio/gio.h>

// A shot's layout from CaptureArea's answer (a{sv}: format, width, height, stride),
// for an area of width x height: false unless it is raw 32-bit pixels (KWin's image
// formats 4, 5 and 6: RGB32, ARGB32 and its premultiplied kind, each pixel a word
// in the machine's order) of exactly that size, rows at least a row's bytes apart.
// The answer comes from another process: nothing in it is trusted.
bool readShotLayout(GVariant* results, int32_t width, int32_t height, FrameView& frame);

// Whether KWin takes shots for this program: one of a single pixel is asked for.
// Empty when it does; else KWin's own words.
std::string openKwinShots();

// The line (with its line end) for a Plasma desktop whose KWin refused them, with
// KWin's words.
std::string kwinRefusalLine(const std::string& refused);

// An area of the screen as KWin paints it next, as 0x00BBGGRR; false, and every
// pixel invalidColour, when no shot came.
bool kwinShot(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out);

// The same for the watchdog's looks, on a thread of its own so that the input goes
// on meanwhile: begun, then asked after until done (out filled then).
void beginKwinShot(int32_t left, int32_t top, int32_t width, int32_t height);
bool kwinShotDone(uint32_t* out);
void cancelKwinShot();
