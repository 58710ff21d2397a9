#pragma once
// What the program says about itself: the usage text and the version. The option
// table in usage.cpp is the one list of options a user is shown; a new option gets
// its line there (and in the README's table).

#include <string>

// The project version, e.g. "1.0".
const char* scrivdrawVersion();

// The whole usage text, every line ending in a newline.
std::string usageText();

// Answers -help, --help, -h, -? or /? with the usage text, else -version or
// --version with the version line, on standard output; anywhere on the command
// line. Returns true when it answered, and the run should end with status 0 before
// anything else happens.
bool answerHelpOrVersion();
