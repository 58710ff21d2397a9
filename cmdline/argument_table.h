#pragma once
// The command line as one process-wide table of tokens. The arguments are glued
// back into one line and cut again by our own quoting rules, so every later
// question about an option is a case-insensitive search of this table.

#include <cstdint>
#include <string>

inline constexpr int32_t argumentSlots = 50;      // slot 0 is never written
inline constexpr int32_t argumentSlotSize = 255;  // 254 characters and a terminator
inline constexpr int32_t commandLineSize = argumentSlots * argumentSlotSize;  // terminator included
inline constexpr int32_t longestToken = argumentSlotSize - 1;
inline constexpr int32_t longestCommandLine = commandLineSize - 1;
// Lookups also compare the empty slot after the last token, so the last token may
// sit in slot 48 at most.
inline constexpr int32_t mostTokens = argumentSlots - 2;

enum class TokenizeResult {
    Tokenized,
    LineTooLong,
    TokenTooLong,
    TooManyTokens,
};

extern char ArgumentTable[argumentSlots][argumentSlotSize];
// One past the number of the last slot written; 0 before tokenising.
extern int32_t argumentCount;

// Argument 0 to the last, one space between neighbours, nothing added or quoted.
std::string joinArguments(int argc, const char* const* argv);

// Fill the table from the joined line. Input the table cannot hold is refused whole
// and leaves the table empty; it is never truncated.
TokenizeResult tokenizeCommandLine(const std::string& line);

// The one line that tells the user why the command line was refused.
const char* tokenizeMessage(TokenizeResult result);

// First slot in 1..argumentCount equal to name, ignoring the case of ASCII letters; 0 if none.
int32_t findArgument(const char* name);

// The text of slot n; the empty text for a slot number outside the table.
const char* argumentAt(int32_t n);
