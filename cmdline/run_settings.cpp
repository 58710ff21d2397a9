#include "cmdline/run_settings.h"

#include "cmdline/argument_table.h"
#include "cmdline/usage.h"
#include "common/numeric.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int32_t textToInteger(const char* text)
{
    while (isBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    // Accumulate in 64 bits and stop growing once past the 32-bit range.
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= 0x80000000LL)
            magnitude = magnitude * 10 + (*text - '0');
    }
    return saturateToInt32(negative ? -magnitude : magnitude);
}

float textToSingle(const char* text)
{
    return roundToSingle(std::strtod(text, nullptr));
}

bool isOptionPresent(const char* name)
{
    return findArgument(name) != 0;
}

static const char* valueAfter(int32_t slot)
{
    return argumentAt(slot + 1);
}

static void readInteger(const char* name, int32_t& field)
{
    if (const int32_t slot = findArgument(name))
        field = textToInteger(valueAfter(slot));
}

// "auto" in any case, or plain digits within the range; read strictly like -wait,
// since a mistyped pace would send input faster than meant.
static int32_t readPace(const char* text)
{
    const char automatic[] = "auto";
    size_t i = 0;
    while (automatic[i] != '\0' && (text[i] | 0x20) == automatic[i])
        ++i;
    if (automatic[i] == '\0' && text[i] == '\0')
        return runPaceAuto;
    int32_t value = 0;
    size_t digits = 0;
    for (; text[digits] >= '0' && text[digits] <= '9' && value <= runPaceSlowestUs; ++digits)
        value = value * 10 + (text[digits] - '0');
    if (digits == 0 || text[digits] != '\0' || value < runPaceFastestUs || value > runPaceSlowestUs)
        return runPaceRefused;
    return value;
}

// A word in any case: read strictly, as a mistyped order would draw another way.
static bool isWord(const char* text, const char* word)
{
    size_t i = 0;
    while (word[i] != '\0' && (text[i] | 0x20) == word[i])
        ++i;
    return word[i] == '\0' && text[i] == '\0';
}

static int32_t readOrder(const char* text)
{
    if (isWord(text, "rows"))
        return runOrderRows;
    return isWord(text, "coarse") ? runOrderCoarse : runOrderRefused;
}

// Whole per cent from 1 to 100, and only where there is a preview to keep.
static int32_t readPreviewPercent(const char* text)
{
    int32_t value = 0;
    size_t digits = 0;
    for (; text[digits] >= '0' && text[digits] <= '9' && value <= 100; ++digits)
        value = value * 10 + (text[digits] - '0');
    if (digits == 0 || text[digits] != '\0' || value < 1 || value > 100 || !isOptionPresent("-preview"))
        return runPreviewAtRefused;
    return value;
}

RunSettings readRunSettings()
{
    RunSettings settings;
    if (const int32_t slot = findArgument("-image"))
        settings.image = valueAfter(slot);

    settings.ignorewhite = isOptionPresent("-ignorewhite");
    settings.ignoreblack = isOptionPresent("-ignoreblack");
    settings.compresscolor = isOptionPresent("-compresscolor");
    settings.jigfromcenter = isOptionPresent("-jigfromcenter");
    settings.uselines = isOptionPresent("-uselines");
    settings.fast = isOptionPresent("-fast");
    settings.repair = isOptionPresent("-repair");

    readInteger("-stepx", settings.stepx);
    readInteger("-stepy", settings.stepy);
    readInteger("-randomcolorfactor", settings.randomcolorfactor);
    readInteger("-jigfactor", settings.jigfactor);
    if (const int32_t slot = findArgument("-crossfade"))
        settings.crossfade = textToSingle(valueAfter(slot));

    if (const int32_t slot = findArgument("-image2"))
        settings.image2 = valueAfter(slot);
    if (const int32_t slot = findArgument("-pace"))
        settings.pace = readPace(valueAfter(slot));
    if (const int32_t slot = findArgument("-order"))
        settings.order = readOrder(valueAfter(slot));
    if (const int32_t slot = findArgument("-previewat"))
        settings.previewPercent = readPreviewPercent(valueAfter(slot));
    return settings;
}

static char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether the word is an option that takes the word after it as its value.
static bool takesValue(const char* word)
{
    for (size_t i = 0; i < usage.lineCount; ++i) {
        const UsageLine& line = usage.lines[i];
        if (*line.option == '\0' || *line.value == '\0')
            continue;
        size_t at = 0;
        while (line.option[at] != '\0' && lowerAscii(word[at]) == lowerAscii(line.option[at]))
            ++at;
        if (line.option[at] == '\0' && word[at] == '\0')
            return true;
    }
    return false;
}

int32_t findLoneWord()
{
    int32_t found = 0;
    // Slot 1 holds the program's own name.
    for (int32_t slot = 2; slot < argumentCount; ++slot) {
        const char* word = argumentAt(slot);
        if (*word == '\0')
            continue;
        if (takesValue(word)) {
            ++slot;
            continue;
        }
        if ((word[0] == '-' && word[1] != '\0') || std::strcmp(word, "/?") == 0)
            continue;
        if (found != 0)
            return 0;
        found = slot;
    }
    return found;
}

std::string validateRunSettings(const RunSettings& settings)
{
    char line[160];
    if (settings.stepx < 1) {
        std::snprintf(line, sizeof line, "Bad -stepx %d: the step must be at least 1!\n", settings.stepx);
        return line;
    }
    if (settings.stepy < 1) {
        std::snprintf(line, sizeof line, "Bad -stepy %d: the step must be at least 1!\n", settings.stepy);
        return line;
    }
    // The displacement takes a remainder by 2 x jigfactor, which must be neither 0
    // nor beyond 32 bits.
    if (settings.jigfactor == 0 || settings.jigfactor > 1073741823 || settings.jigfactor < -1073741824) {
        std::snprintf(line, sizeof line,
                      "Bad -jigfactor %d: it must not be 0 and must lie between -1073741824 and 1073741823!\n",
                      settings.jigfactor);
        return line;
    }
    if (settings.pace == runPaceRefused) {
        char paceLine[argumentSlotSize + 100];
        std::snprintf(paceLine, sizeof paceLine,
                      "Bad -pace %s: the pace must be auto or whole microseconds from %d to %d!\n",
                      argumentAt(findArgument("-pace") + 1), runPaceFastestUs, runPaceSlowestUs);
        return paceLine;
    }
    if (settings.order == runOrderRefused) {
        char orderLine[argumentSlotSize + 100];
        std::snprintf(orderLine, sizeof orderLine, "Bad -order %s: the order must be rows or coarse!\n",
                      argumentAt(findArgument("-order") + 1));
        return orderLine;
    }
    if (settings.previewPercent == runPreviewAtRefused) {
        char percentLine[argumentSlotSize + 100];
        std::snprintf(percentLine, sizeof percentLine,
                      "Bad -previewat %s: it takes whole per cent from 1 to 100, with -preview!\n",
                      argumentAt(findArgument("-previewat") + 1));
        return percentLine;
    }
    if (settings.crossfade > 0.0f && !settings.image2) {
        std::snprintf(line, sizeof line, "Bad -crossfade %g: there is no second picture to blend in (-image2)!\n",
                      static_cast<double>(settings.crossfade));
        return line;
    }
    return {};
}

std::string readWaitSeconds(int32_t& seconds)
{
    seconds = defaultWaitSeconds;
    const int32_t slot = findArgument("-wait");
    if (slot == 0)
        return {};
    // Unlike the drawing numbers, a wait is read strictly: "2.5" or "abc" read the
    // forgiving way would start drawing before the user has brought the page up.
    const char* text = valueAfter(slot);
    int32_t value = 0;
    size_t digits = 0;
    for (; text[digits] >= '0' && text[digits] <= '9' && value <= longestWaitSeconds; ++digits)
        value = value * 10 + (text[digits] - '0');
    if (digits == 0 || text[digits] != '\0' || value > longestWaitSeconds) {
        char line[argumentSlotSize + 100];
        std::snprintf(line, sizeof line, "Bad -wait %s: the wait must be whole seconds from 0 to %d!\n", text,
                      longestWaitSeconds);
        return line;
    }
    seconds = value;
    return {};
}
