#include "cmdline/argument_table.h"

#include <cstring>

char ArgumentTable[argumentSlots][argumentSlotSize] = {};
int32_t argumentCount = 0;

std::string joinArguments(int argc, const char* const* argv)
{
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0)
            line += ' ';
        if (argv[i] != nullptr)
            line += argv[i];
    }
    return line;
}

static void clearTable()
{
    std::memset(ArgumentTable, 0, sizeof ArgumentTable);
    argumentCount = 0;
}

TokenizeResult tokenizeCommandLine(const std::string& line)
{
    clearTable();
    if (line.size() > static_cast<size_t>(longestCommandLine))
        return TokenizeResult::LineTooLong;

    int32_t slot = 1;
    int32_t position = 0;
    bool quoted = false;
    TokenizeResult result = TokenizeResult::Tokenized;

    // The line is a C string to the tokeniser: it ends at its first zero byte.
    for (const char c : line) {
        if (c == '\0')
            break;
        bool store = false;
        bool endToken = false;
        if (position == 0 && c == '"') {
            quoted = true;
        } else if (quoted) {
            if (c == '"') {
                quoted = false;
                endToken = true;
            } else {
                store = true;
            }
        } else if (c == ' ') {
            endToken = true;
        } else {
            store = true;
        }

        if (store) {
            if (position >= longestToken) {
                result = TokenizeResult::TokenTooLong;
                break;
            }
            ArgumentTable[slot][position++] = c;
        } else if (endToken) {
            ArgumentTable[slot][position] = '\0';
            if (slot >= mostTokens) {
                result = TokenizeResult::TooManyTokens;
                break;
            }
            ++slot;
            position = 0;
        }
    }

    if (result != TokenizeResult::Tokenized) {
        clearTable();
        return result;
    }
    ArgumentTable[slot][position] = '\0';
    argumentCount = slot + 1;
    return TokenizeResult::Tokenized;
}

const char* tokenizeMessage(TokenizeResult result)
{
    switch (result) {
    case TokenizeResult::Tokenized:
        return "";
    case TokenizeResult::LineTooLong:
        return "The command line is too long (at most 12749 characters)!\n";
    case TokenizeResult::TokenTooLong:
        return "A word on the command line is too long (at most 254 characters)!\n";
    case TokenizeResult::TooManyTokens:
        return "The command line has too many words (at most 48)!\n";
    }
    return "";
}

static char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

static bool equalIgnoringCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        if (lowerAscii(*a) != lowerAscii(*b))
            return false;
        if (*a == '\0')
            return true;
    }
}

int32_t findArgument(const char* name)
{
    for (int32_t slot = 1; slot <= argumentCount && slot < argumentSlots; ++slot) {
        if (equalIgnoringCase(ArgumentTable[slot], name))
            return slot;
    }
    return 0;
}

const char* argumentAt(int32_t n)
{
    if (n < 0 || n >= argumentSlots)
        return "";
    return ArgumentTable[n];
}
