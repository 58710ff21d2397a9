#pragma once
// The options of a run, read from the argument table into one record.

#include <cstdint>
#include <optional>
#include <string>

struct RunSettings {
    std::string image;
    std::optional<std::string> image2;  // present only when -image2 is given
    float crossfade = 0.0f;
    int32_t jigfactor = 1;
    int32_t randomcolorfactor = 1;
    int32_t stepx = 1;
    int32_t stepy = 1;
    bool uselines = false;
    bool jigfromcenter = false;
    bool compresscolor = false;
    bool ignoreblack = false;
    bool ignorewhite = false;
    bool fast = false;  // draw the same board through the planner, with far less input
    bool repair = false;  // read the board back after the drawing and redraw what differs
    // Microseconds after each input record (100..1000), runPaceAuto to follow the
    // page, 0 for the 1 ms pause of a run without -pace; runPaceRefused for a value
    // that is neither.
    int32_t pace = 0;
    // -order: top down (runOrderRows) or the whole picture first, then finer
    // (runOrderCoarse); runOrderRefused for another word.
    int32_t order = 0;
    // -previewat: -preview keeps the board as it is after this share of the run's
    // input records, in per cent; 100 without it, runPreviewAtRefused for a value
    // that is not whole per cent from 1 to 100 or that comes without -preview.
    int32_t previewPercent = 100;
};

inline constexpr int32_t runOrderRows = 0;
inline constexpr int32_t runOrderCoarse = 1;
inline constexpr int32_t runOrderRefused = -1;
inline constexpr int32_t runPreviewAtRefused = -1;

inline constexpr int32_t runPaceAuto = -1;
inline constexpr int32_t runPaceRefused = -2;
inline constexpr int32_t runPaceFastestUs = 100;
inline constexpr int32_t runPaceSlowestUs = 1000;

// Decimal text to integer: leading white space, an optional sign, then digits up to
// the first non-digit; 0 when there are none. Values beyond 32 bits saturate.
int32_t textToInteger(const char* text);

// Decimal text to floating point, 0 when nothing converts, rounded to single precision.
float textToSingle(const char* text);

// True when the flag's token is on the command line.
bool isOptionPresent(const char* name);

// Every option but the pictures' loading, in the fixed reading order; absent valued
// options keep their defaults.
RunSettings readRunSettings();

inline constexpr int32_t defaultWaitSeconds = 5;
inline constexpr int32_t longestWaitSeconds = 600;

// The start-up wait in whole seconds: -wait's value, else defaultWaitSeconds. It is
// read before the wait itself, so before any other option. Returns the one line
// that refuses a value that is not plain digits from 0 to longestWaitSeconds, or an
// empty text.
std::string readWaitSeconds(int32_t& seconds);

// The slot of the one word on the command line that is neither an option (a word
// that starts with '-', or /?) nor the value after an option that takes one (those
// with a value in the usage table), or 0 when there is no such word or more than
// one. "-" alone counts as a word: it names standard input.
int32_t findLoneWord();

// Settings the drawing pass cannot use safely. Returns the one line that says which
// option and value were refused, or an empty text when the settings are usable.
std::string validateRunSettings(const RunSettings& settings);
