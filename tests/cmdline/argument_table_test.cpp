#include "cmdline/argument_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tokens in slots 1 .. argumentCount-1.
std::vector<std::string> tokensOf(const std::string& line)
{
    EXPECT_EQ(tokenizeCommandLine(line), TokenizeResult::Tokenized) << line;
    std::vector<std::string> tokens;
    for (int32_t slot = 1; slot < argumentCount; ++slot)
        tokens.emplace_back(argumentAt(slot));
    return tokens;
}

struct TokenCase {
    const char* line;
    std::vector<std::string> tokens;
};

class Tokenizing : public testing::TestWithParam<TokenCase> {};

TEST_P(Tokenizing, GivesTheTokensInOrder)
{
    const TokenCase& c = GetParam();
    EXPECT_EQ(tokensOf(c.line), c.tokens);
    EXPECT_EQ(argumentCount, static_cast<int32_t>(c.tokens.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    QuotesSpacesAndEmptyTokens, Tokenizing,
    testing::Values(
        TokenCase{"prog -image a.tga", {"prog", "-image", "a.tga"}},
        // The join adds no quotes, so a path with blanks splits.
        TokenCase{"prog my pic.tga", {"prog", "my", "pic.tga"}},
        // A closing quote ends the token; the space after it ends an empty one.
        TokenCase{"prog \"a b\" c", {"prog", "a b", "", "c"}},
        // A quote inside a token is kept as an ordinary character.
        TokenCase{"prog x\"y", {"prog", "x\"y"}},
        // Two quotes at a token's start are both dropped; the token goes on quoted.
        TokenCase{"prog \"\" b", {"prog", " b"}},
        TokenCase{"prog  b", {"prog", "", "b"}},
        TokenCase{"prog b ", {"prog", "b", ""}},
        // Only the space separates.
        TokenCase{"prog a\tb", {"prog", "a\tb"}},
        // An unclosed quote runs to the end of the line.
        TokenCase{"prog \"a b c", {"prog", "a b c"}},
        TokenCase{"", {""}},
        TokenCase{"\"\"\"\"", {""}}));

TEST(JoiningArguments, PutsOneSpaceBetweenArgumentsAndQuotesNothing)
{
    const char* argv[] = {"C:\\my tools\\scrivdraw.exe", "-image", "", "a \"b\""};
    EXPECT_EQ(joinArguments(4, argv), "C:\\my tools\\scrivdraw.exe -image  a \"b\"");
    EXPECT_EQ(joinArguments(0, argv), "");
}

TEST(JoiningArguments, ProgramPathWithBlanksPushesTheOptionsToLaterSlots)
{
    const char* argv[] = {"/opt/my tools/scrivdraw", "-image", "a.tga"};
    tokenizeCommandLine(joinArguments(3, argv));
    EXPECT_EQ(findArgument("-image"), 3);
    EXPECT_STREQ(argumentAt(4), "a.tga");
}

TEST(FindingArguments, IgnoresTheCaseOfAsciiLettersOnly)
{
    tokenizeCommandLine("prog -image a.tga -\xC4x");
    EXPECT_EQ(findArgument("-IMAGE"), 2);
    EXPECT_EQ(findArgument("-ImAgE"), 2);
    EXPECT_STREQ(argumentAt(3), "a.tga");
    EXPECT_EQ(findArgument("-\xC4X"), 4);
    EXPECT_EQ(findArgument("-\xE4x"), 0);  // no case folding beyond ASCII
}

TEST(FindingArguments, MatchesWholeNamesOnly)
{
    tokenizeCommandLine("prog -image2 b.tga");
    EXPECT_EQ(findArgument("-image"), 0);
    EXPECT_EQ(findArgument("-image2"), 2);
    tokenizeCommandLine("prog -image a.tga");
    EXPECT_EQ(findArgument("-image2"), 0);
    EXPECT_EQ(findArgument("-imag"), 0);
}

TEST(FindingArguments, FirstOccurrenceWins)
{
    tokenizeCommandLine("prog -stepx 3 -stepx 5");
    EXPECT_EQ(findArgument("-stepx"), 2);
    EXPECT_STREQ(argumentAt(3), "3");
}

TEST(FindingArguments, OptionAsLastTokenReadsTheEmptySlotAfterIt)
{
    tokenizeCommandLine("prog -stepx");
    EXPECT_EQ(findArgument("-stepx"), 2);
    EXPECT_STREQ(argumentAt(3), "");
    // The empty slot itself is compared too.
    EXPECT_EQ(findArgument(""), 3);
}

TEST(FindingArguments, AnAbsentOptionIsZero)
{
    tokenizeCommandLine("prog");
    EXPECT_EQ(findArgument("-image"), 0);
    EXPECT_EQ(findArgument("prog"), 1);
}

TEST(ReadingSlots, OutsideTheTableIsEmpty)
{
    tokenizeCommandLine("prog a");
    EXPECT_STREQ(argumentAt(-1), "");
    EXPECT_STREQ(argumentAt(0), "");
    EXPECT_STREQ(argumentAt(argumentSlots), "");
    EXPECT_STREQ(argumentAt(1000000), "");
}

std::string wordsLine(int words)
{
    std::string line = "w1";
    for (int i = 2; i <= words; ++i)
        line += " w" + std::to_string(i);
    return line;
}

TEST(TableLimits, FortyEightTokensFitAndFortyNineAreRefused)
{
    ASSERT_EQ(tokenizeCommandLine(wordsLine(48)), TokenizeResult::Tokenized);
    EXPECT_EQ(argumentCount, 49);
    EXPECT_STREQ(argumentAt(48), "w48");
    EXPECT_EQ(findArgument("w48"), 48);

    EXPECT_EQ(tokenizeCommandLine(wordsLine(49)), TokenizeResult::TooManyTokens);
    // An empty 49th token counts as much as any other.
    EXPECT_EQ(tokenizeCommandLine(wordsLine(48) + " "), TokenizeResult::TooManyTokens);
}

TEST(TableLimits, TokenOf254CharactersFitsAnd255IsRefused)
{
    const std::string longest(longestToken, 'a');
    ASSERT_EQ(tokenizeCommandLine("prog " + longest + " x"), TokenizeResult::Tokenized);
    EXPECT_EQ(argumentAt(2), longest);
    EXPECT_STREQ(argumentAt(3), "x");

    EXPECT_EQ(tokenizeCommandLine("prog " + longest + "a"), TokenizeResult::TokenTooLong);
    // Dropped opening quotes take no room; the quoted text does.
    EXPECT_EQ(tokenizeCommandLine("\"" + longest + "\""), TokenizeResult::Tokenized);
    EXPECT_EQ(tokenizeCommandLine("\"" + longest + " \""), TokenizeResult::TokenTooLong);
}

TEST(TableLimits, LineOf12749CharactersFitsAnd12750IsRefused)
{
    // Opening quotes are dropped, so this line fits the table whole.
    ASSERT_EQ(tokenizeCommandLine(std::string(longestCommandLine - 1, '"') + "a"), TokenizeResult::Tokenized);
    EXPECT_STREQ(argumentAt(1), "a");
    EXPECT_EQ(tokenizeCommandLine(std::string(longestCommandLine, '"') + "a"), TokenizeResult::LineTooLong);
}

TEST(TableLimits, RefusedInputLeavesTheTableEmpty)
{
    tokenizeCommandLine("prog -image a.tga");
    EXPECT_NE(tokenizeCommandLine(wordsLine(60)), TokenizeResult::Tokenized);
    EXPECT_EQ(argumentCount, 0);
    EXPECT_EQ(findArgument("w1"), 0);
    EXPECT_EQ(findArgument("-image"), 0);
}

TEST(TableLimits, EveryRefusalHasItsOwnOneLineMessage)
{
    const TokenizeResult refusals[] = {TokenizeResult::LineTooLong, TokenizeResult::TokenTooLong,
                                       TokenizeResult::TooManyTokens};
    for (TokenizeResult r : refusals) {
        const std::string message = tokenizeMessage(r);
        ASSERT_FALSE(message.empty());
        EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
    }
}

}  // namespace
