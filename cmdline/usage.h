#pragma once
// What the program says about itself: the usage text and the version. The option
// table in usage.cpp is the one list of options a user is shown, by --help and by
// the manual page made from the same parts (man_page.h); a new option gets its
// line there (and in the option list of docs/options.md).

#include <cstddef>
#include <string>

struct UsageLine {
    const char* option;        // empty for a line that goes on with the one above
    const char* value;         // empty for a flag
    const char* defaultValue;  // empty for a line without a default
    const char* meaning;
};

// The parts of the usage text, each a paragraph of lines wrapped for a terminal.
struct UsageText {
    const char* summary;  // what the program does, after its name
    const char* description;
    const char* synopsis;
    const char* optionsHeading;
    const UsageLine* lines;
    size_t lineCount;
    const char* keys;
    const char* const* examples;
    size_t exampleCount;
    const char* exitStatus;
    const char* more;  // where the README and the drawing page are
};

extern const UsageText usage;

// The project version, e.g. "1.0".
const char* scrivdrawVersion();

// The whole usage text, every line ending in a newline.
std::string usageText();

// Answers -help, --help, -h, -? or /? with the usage text, else -version or
// --version with the version line, on standard output; anywhere on the command
// line. Returns true when it answered, and the run should end with status 0 before
// anything else happens.
bool answerHelpOrVersion();
