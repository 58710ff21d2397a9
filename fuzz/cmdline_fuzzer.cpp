// libFuzzer target: any bytes as a command line. Each newline starts another
// argument, so joining is exercised too; the joined line is tokenised, looked up
// and read into the run settings. Besides the sanitizers' checks it asserts the
// table's shape and the lookup rules the run sequence relies on.

#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "cmdline_fuzzer: %s\n", what);
    std::abort();
}

const char* const optionNames[] = {
    "-image",     "-image2",        "-crossfade",   "-jigfactor",     "-randomcolorfactor",
    "-stepx",     "-stepy",         "-uselines",    "-jigfromcenter", "-compresscolor",
    "-ignoreblack", "-ignorewhite", "-1280x800",    "-preview",       "-IMAGE",
    "-wait",     "-order",         "-previewat",
    "",
};

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool sameIgnoringCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        if (lowerAscii(*a) != lowerAscii(*b))
            return false;
        if (*a == '\0')
            return true;
    }
}

// A slot of the table holds a terminated text of at most 254 characters.
size_t slotLength(int32_t slot)
{
    const void* end = std::memchr(ArgumentTable[slot], '\0', argumentSlotSize);
    if (end == nullptr)
        fail("a slot of the table is not terminated");
    return size_t(static_cast<const char*>(end) - ArgumentTable[slot]);
}

void checkTable(TokenizeResult result, const std::string& line)
{
    if (result != TokenizeResult::Tokenized) {
        if (argumentCount != 0)
            fail("a refused line left tokens in the table");
        for (int32_t slot = 0; slot < argumentSlots; ++slot)
            if (ArgumentTable[slot][0] != '\0')
                fail("a refused line left text in the table");
        if (tokenizeMessage(result)[0] == '\0')
            fail("a refusal has no message");
        return;
    }
    if (argumentCount < 2 || argumentCount > mostTokens + 1)
        fail("argumentCount is outside the table");
    if (ArgumentTable[0][0] != '\0')
        fail("slot 0 was written");
    size_t stored = 0;
    for (int32_t slot = 1; slot < argumentSlots; ++slot) {
        const size_t length = slotLength(slot);
        if (slot >= argumentCount && length != 0)
            fail("a slot past argumentCount holds text");
        if (length > size_t(longestToken))
            fail("a token is longer than a slot holds");
        if (length > 0 && ArgumentTable[slot][0] == '"')
            fail("a token starts with the quote that should have opened it");
        stored += length;
    }
    if (stored > line.size())
        fail("the table holds more characters than the line");
}

void checkLookups()
{
    for (const char* name : optionNames) {
        // The search covers the tokens and the empty slot after the last one.
        const int32_t lastSearched = argumentCount < argumentSlots - 1 ? argumentCount : argumentSlots - 1;
        const int32_t slot = findArgument(name);
        if (slot < 0 || slot > lastSearched)
            fail("findArgument answered a slot outside the ones it searches");
        if (slot != 0 && !sameIgnoringCase(ArgumentTable[slot], name))
            fail("findArgument answered a slot that does not hold the name");
        const int32_t before = slot != 0 ? slot : lastSearched + 1;
        for (int32_t earlier = 1; earlier < before; ++earlier)
            if (sameIgnoringCase(ArgumentTable[earlier], name))
                fail("findArgument missed an earlier occurrence");
    }
    // Every token finds itself or an earlier equal one.
    for (int32_t slot = 1; slot < argumentCount && slot < argumentSlots; ++slot) {
        const int32_t found = findArgument(ArgumentTable[slot]);
        if (found < 1 || found > slot)
            fail("a token does not find itself");
    }
    for (int32_t n = -3; n <= argumentSlots + 2; ++n) {
        const char* text = argumentAt(n);
        if (text == nullptr)
            fail("argumentAt returned null");
        if (std::strlen(text) > size_t(longestToken))
            fail("argumentAt returned more than a slot holds");
    }
}

void checkSettings()
{
    const RunSettings settings = readRunSettings();
    if (settings.image2.has_value() != (findArgument("-image2") != 0))
        fail("image2 is present without the option, or absent with it");
    if (settings.uselines != (findArgument("-uselines") != 0))
        fail("uselines does not follow its flag");
    const std::string refusal = validateRunSettings(settings);
    if (refusal.empty()) {
        if (settings.stepx < 1 || settings.stepy < 1 || settings.jigfactor == 0)
            fail("unusable settings passed the check");
        if (settings.crossfade > 0.0f && !settings.image2)
            fail("crossfade without a second picture passed the check");
    } else if (refusal.back() != '\n' || refusal.find('\n') != refusal.size() - 1) {
        fail("a refusal is not exactly one line");
    }
    if (settings.order != runOrderRows && settings.order != runOrderCoarse && settings.order != runOrderRefused)
        fail("an order that is none of the three");
    if (refusal.empty() && (settings.order == runOrderRefused || settings.previewPercent < 1 ||
                            settings.previewPercent > 100 ||
                            (settings.previewPercent < 100 && findArgument("-preview") == 0)))
        fail("a refused order or preview share passed the check");
    int32_t seconds = -1;
    const std::string waitRefusal = readWaitSeconds(seconds);
    if (waitRefusal.empty() ? (seconds < 0 || seconds > longestWaitSeconds)
                            : (waitRefusal.back() != '\n' || waitRefusal.find('\n') != waitRefusal.size() - 1))
        fail("a wait outside 0..600 passed, or its refusal is not one line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> words;
    size_t start = 0;
    for (;;) {
        const size_t end = input.find('\n', start);
        words.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& w : words)
        argv.push_back(w.c_str());

    const std::string line = joinArguments(int(argv.size()), argv.data());
    const TokenizeResult result = tokenizeCommandLine(line);
    checkTable(result, line);
    checkLookups();
    if (result == TokenizeResult::Tokenized)
        checkSettings();
    return 0;
}
