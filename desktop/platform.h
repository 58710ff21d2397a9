#pragma once
// The only door to the desktop. Everything the program does to the screen, the
// pointer, the keyboard, the console and the clock goes through these operations;
// no other file touches a platform API. A backend supplies them: the platform's
// own (Win32 or X11, chosen at build time) or the virtual desktop (tests, preview).

#include <cstdint>

// One absolute left-button mouse input record, field for field as the system's
// input queue takes it.
struct MouseInputRecord {
    int32_t dx = 0;  // absolute, normalised to 0..65535 across the screen (the virtual one with mouseVirtualDesk)
    int32_t dy = 0;
    uint32_t mouseData = 0;
    uint32_t flags = 0;
    uint32_t time = 0;
    uintptr_t extraInfo = 0;
};

inline constexpr uint32_t mouseMove = 0x0001;
inline constexpr uint32_t mouseLeftDown = 0x0002;
inline constexpr uint32_t mouseLeftUp = 0x0004;
inline constexpr uint32_t mouseVirtualDesk = 0x4000;  // normalised over every monitor, not the primary's
inline constexpr uint32_t mouseAbsolute = 0x8000;
inline constexpr uint32_t pressFlags = mouseAbsolute | mouseMove | mouseLeftDown;   // 0x8003
inline constexpr uint32_t releaseFlags = mouseAbsolute | mouseMove | mouseLeftUp;   // 0x8005

// Screen colours are 0x00BBGGRR; a pixel that cannot be read has this value.
inline constexpr uint32_t invalidColour = 0xFFFFFFFFu;

// A monitor's place on the desktop, in the screen coordinates the other
// operations use (left of or above the primary screen: negative).
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The most monitors a desktop is looked over for.
inline constexpr int32_t mostMonitors = 16;

enum class ControlKey {
    Escape,
    KeypadMinus,
    KeypadPlus,
};

struct DesktopBackend {
    // Connects to the desktop. Returns an empty text on success, else the one line
    // that says why the desktop cannot be used.
    const char* (*open)();
    void (*close)();
    void (*minimiseConsole)();
    void (*sleepMilliseconds)(int32_t ms);
    // Waits until ms after the last input record was sent (at once if that is past).
    void (*pauseAfterInput)(int32_t ms);
    void (*primaryScreenSize)(int32_t* width, int32_t* height);
    // Copies a screen rectangle, rows top first, into out (width x height values);
    // pixels outside the screen read as invalidColour.
    void (*captureScreen)(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out);
    uint32_t (*readScreenPixel)(int32_t x, int32_t y);
    void (*sendMouseInput)(const MouseInputRecord& record);
    bool (*isKeyDown)(ControlKey key);
    // A monotonic clock for measuring the run's pace.
    int64_t (*clockMilliseconds)();
    // Shows one short line of status where the user can see it while the console is
    // minimised (the terminal's or the console's title); an empty text takes it away.
    void (*showStatus)(const char* text);
    // A look at the screen that never holds up the input: beginCapture starts a
    // copy of a rectangle (the pointer stays where it is), captureDone says whether
    // it is in out yet (width x height values, as captureScreen writes them) and
    // cancelCapture drops it. Null where a copy takes no time: captureScreen then
    // copies at the begin.
    void (*beginCapture)(int32_t left, int32_t top, int32_t width, int32_t height);
    bool (*captureDone)(uint32_t* out);
    void (*cancelCapture)();
    // Finer pacing and clock for -pace. Null where the desktop has none: the pause
    // is then rounded up to whole milliseconds, and the clock counts them.
    void (*pauseAfterInputMicroseconds)(int32_t us) = nullptr;
    int64_t (*clockMicroseconds)() = nullptr;
    // Optional (null where the desktop does not tell): the display's scaling at a
    // screen pixel in percent (100 unscaled), or 0 when not known there.
    int32_t (*displayScalePercent)(int32_t x, int32_t y) = nullptr;
    // Optional (null: the primary screen alone): writes up to most monitors into
    // out and returns how many there are.
    int32_t (*desktopMonitors)(ScreenRect* out, int32_t most) = nullptr;
    // Optional (null: 100): how many of the display's own pixels each screen pixel
    // read stands for, in percent; above 100 where reads and input are in logical
    // pixels of a scaled output, 0 when not known yet.
    int32_t (*screenPixelScalePercent)() = nullptr;
    // Optional (null: absolute input reaches the primary screen alone): writes the
    // rectangle records flagged mouseVirtualDesk are normalised over, every monitor
    // of the desktop, and returns true.
    bool (*virtualScreenArea)(ScreenRect* out) = nullptr;
};

// How far a pointer's image can reach from where it points, on desktops whose
// screen copies show it.
inline constexpr int32_t cursorImageReach = 64;

// The backend this build was made for.
const DesktopBackend& nativeDesktop();

// Chooses the backend the operations below drive; the native one until changed.
void useDesktop(const DesktopBackend& backend);
// The backend the operations below drive now.
const DesktopBackend& activeDesktop();
// Escape, once seen down, stays down until the desktop is opened or chosen again,
// or until this: a desktop whose keys start afresh (a new virtual desktop).
void forgetEscape();

const char* openDesktop();
void closeDesktop();
void minimiseConsole();
void sleepMilliseconds(int32_t ms);
void pauseAfterInput(int32_t ms);
void primaryScreenSize(int32_t& width, int32_t& height);
void captureScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out);
uint32_t readScreenPixel(int32_t x, int32_t y);
void sendMouseInput(const MouseInputRecord& record);
bool isKeyDown(ControlKey key);
int64_t clockMilliseconds();
void showStatus(const char* text);
void beginCapture(int32_t left, int32_t top, int32_t width, int32_t height);
bool captureDone(uint32_t* out);
void cancelCapture();
void pauseAfterInputMicroseconds(int32_t us);
int64_t clockMicroseconds();
// 0 when the desktop does not tell.
int32_t displayScalePercent(int32_t x, int32_t y);
// At least one: the primary screen where the desktop does not list its monitors.
int32_t desktopMonitors(ScreenRect* out, int32_t most);
// 100 where the desktop does not tell.
int32_t screenPixelScalePercent();
// False where absolute input reaches the primary screen alone.
bool virtualScreenArea(ScreenRect& out);
