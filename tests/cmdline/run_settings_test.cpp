#include "cmdline/argument_table.h"
#include "cmdline/run_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

RunSettings settingsFor(const std::string& line)
{
    EXPECT_EQ(tokenizeCommandLine(line), TokenizeResult::Tokenized);
    return readRunSettings();
}

TEST(RunSettingsDefaults, NoValuedOptionsGiveOnePixelStepsAndNoEffects)
{
    const RunSettings s = settingsFor("prog -image a.tga");
    EXPECT_EQ(s.image, "a.tga");
    EXPECT_FALSE(s.image2.has_value());
    EXPECT_EQ(s.stepx, 1);
    EXPECT_EQ(s.stepy, 1);
    EXPECT_EQ(s.randomcolorfactor, 1);
    EXPECT_EQ(s.jigfactor, 1);
    EXPECT_EQ(s.crossfade, 0.0f);
    EXPECT_FALSE(s.uselines || s.jigfromcenter || s.compresscolor || s.ignoreblack || s.ignorewhite);
    EXPECT_EQ(validateRunSettings(s), "");
}

TEST(RunSettingsFlags, EachFlagIsSetByItsOwnTokenInAnyCaseAndOrder)
{
    const RunSettings s = settingsFor("prog -USELINES x -IgnoreWhite -ignoreblack -jigfromcenter -compresscolor");
    EXPECT_TRUE(s.uselines);
    EXPECT_TRUE(s.ignorewhite);
    EXPECT_TRUE(s.ignoreblack);
    EXPECT_TRUE(s.jigfromcenter);
    EXPECT_TRUE(s.compresscolor);
    const RunSettings none = settingsFor("prog -uselines2 uselines -ignore");
    EXPECT_FALSE(none.uselines || none.ignorewhite || none.ignoreblack);
}

struct IntegerCase {
    const char* text;
    int32_t value;
};

class IntegerText : public testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerText, ConvertsLikeDecimalTextToInteger)
{
    EXPECT_EQ(textToInteger(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    DigitsUpToTheFirstNonDigit, IntegerText,
    testing::Values(IntegerCase{"4", 4}, IntegerCase{"4px", 4}, IntegerCase{"abc", 0}, IntegerCase{"", 0},
                    IntegerCase{"  \t12", 12}, IntegerCase{"-3", -3}, IntegerCase{"+7", 7},
                    IntegerCase{"- 3", 0}, IntegerCase{"--3", 0}, IntegerCase{"3.9", 3}, IntegerCase{"007", 7},
                    IntegerCase{"2147483647", 2147483647}, IntegerCase{"-2147483648", -2147483647 - 1},
                    // Beyond 32 bits the value saturates rather than wrapping.
                    IntegerCase{"2147483648", 2147483647}, IntegerCase{"99999999999999999999", 2147483647},
                    IntegerCase{"-99999999999999999999", -2147483647 - 1}));

TEST(RunSettingsValues, EachValuedOptionTakesTheNextTokenWhateverItIs)
{
    const RunSettings s =
        settingsFor("prog -stepx 4px -stepy 3 -randomcolorfactor abc -jigfactor -5 -image pic.tga -image2 b.tga");
    EXPECT_EQ(s.stepx, 4);
    EXPECT_EQ(s.stepy, 3);
    EXPECT_EQ(s.randomcolorfactor, 0);
    EXPECT_EQ(s.jigfactor, -5);  // kept: one-sided offsets
    EXPECT_EQ(s.image, "pic.tga");
    ASSERT_TRUE(s.image2.has_value());
    EXPECT_EQ(*s.image2, "b.tga");
}

TEST(RunSettingsValues, AnOptionAsValueIsReadAsNumberAndStillCountsAsPresent)
{
    const RunSettings s = settingsFor("prog -stepx -uselines");
    EXPECT_EQ(s.stepx, 0);
    EXPECT_TRUE(s.uselines);
}

TEST(RunSettingsValues, ANumberOptionAsLastTokenReadsZero)
{
    EXPECT_EQ(settingsFor("prog -stepy").stepy, 0);
    EXPECT_EQ(settingsFor("prog -crossfade").crossfade, 0.0f);
    const RunSettings s = settingsFor("prog -image2");
    ASSERT_TRUE(s.image2.has_value());
    EXPECT_EQ(*s.image2, "");
}

TEST(RunSettingsValues, CrossfadeIsRoundedOnceToSinglePrecision)
{
    EXPECT_EQ(settingsFor("prog -crossfade 0.5").crossfade, 0.5f);
    EXPECT_EQ(settingsFor("prog -crossfade 0.1").crossfade, 0.1f);
    EXPECT_EQ(settingsFor("prog -crossfade 1e-3x").crossfade, 0.001f);
    EXPECT_EQ(settingsFor("prog -crossfade -2.5").crossfade, -2.5f);
    EXPECT_EQ(settingsFor("prog -crossfade half").crossfade, 0.0f);
    EXPECT_EQ(settingsFor("prog -crossfade 1e300").crossfade, std::numeric_limits<float>::infinity());
    EXPECT_TRUE(std::isnan(settingsFor("prog -crossfade nan").crossfade));
}

struct RefusalCase {
    const char* line;
    const char* option;  // named in the refusal; null when the settings are usable
};

class SettingsCheck : public testing::TestWithParam<RefusalCase> {};

TEST_P(SettingsCheck, RefusesWhatThePassCannotUseInOneLineNamingTheOption)
{
    const std::string refusal = validateRunSettings(settingsFor(GetParam().line));
    if (GetParam().option == nullptr) {
        EXPECT_EQ(refusal, "") << GetParam().line;
        return;
    }
    ASSERT_FALSE(refusal.empty()) << GetParam().line;
    EXPECT_NE(refusal.find(GetParam().option), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\n'), refusal.size() - 1) << refusal;
}

INSTANTIATE_TEST_SUITE_P(
    UnsafeValues, SettingsCheck,
    testing::Values(RefusalCase{"p -stepx 0", "-stepx 0"}, RefusalCase{"p -stepx -3", "-stepx -3"},
                    RefusalCase{"p -stepx abc", "-stepx 0"}, RefusalCase{"p -stepy 0", "-stepy 0"},
                    RefusalCase{"p -stepx 2147483647 -stepy 2147483647", nullptr},
                    RefusalCase{"p -jigfactor 0", "-jigfactor 0"},
                    RefusalCase{"p -jigfactor -2147483648", "-jigfactor -2147483648"},
                    RefusalCase{"p -jigfactor 1073741824", "-jigfactor 1073741824"},
                    RefusalCase{"p -jigfactor -1073741825", "-jigfactor -1073741825"},
                    RefusalCase{"p -jigfactor 1073741823", nullptr}, RefusalCase{"p -jigfactor -1073741824", nullptr},
                    RefusalCase{"p -jigfactor -1", nullptr},
                    RefusalCase{"p -crossfade 0.5", "-crossfade 0.5"},
                    RefusalCase{"p -crossfade 0.5 -image2 b.tga", nullptr},
                    RefusalCase{"p -crossfade 0", nullptr}, RefusalCase{"p -crossfade -1", nullptr},
                    RefusalCase{"p -crossfade nan", nullptr},
                    // Garbage that is safe is used as it converts.
                    RefusalCase{"p -randomcolorfactor abc", nullptr},
                    RefusalCase{"p -randomcolorfactor -2147483648", nullptr},
                    // A pace is read strictly: a typo must not send input faster than meant.
                    RefusalCase{"p -pace auto", nullptr}, RefusalCase{"p -PACE Auto", nullptr},
                    RefusalCase{"p -pace 100", nullptr}, RefusalCase{"p -pace 1000", nullptr},
                    RefusalCase{"p -pace 99", "-pace 99"}, RefusalCase{"p -pace 1001", "-pace 1001"},
                    RefusalCase{"p -pace 0", "-pace 0"}, RefusalCase{"p -pace 250us", "-pace 250us"},
                    RefusalCase{"p -pace autom", "-pace autom"}, RefusalCase{"p -pace -500", "-pace -500"},
                    RefusalCase{"p -pace 99999999999", "-pace 99999999999"}, RefusalCase{"p -pace", "-pace"},
                    // So is an order, and a preview's share, which needs a preview.
                    RefusalCase{"p -order coarse", nullptr}, RefusalCase{"p -ORDER Rows", nullptr},
                    RefusalCase{"p -order coarser", "-order coarser"}, RefusalCase{"p -order", "-order"},
                    RefusalCase{"p -preview b.png -previewat 25", nullptr},
                    RefusalCase{"p -preview b.png -previewat 100", nullptr},
                    RefusalCase{"p -preview b.png -previewat 0", "-previewat 0"},
                    RefusalCase{"p -preview b.png -previewat 101", "-previewat 101"},
                    RefusalCase{"p -preview b.png -previewat 25%", "-previewat 25%"},
                    RefusalCase{"p -preview b.png -previewat 99999999999", "-previewat 99999999999"},
                    RefusalCase{"p -previewat 25", "-previewat 25"}));

TEST(RunSettingsValues, OrderIsRowsUnlessCoarseAndThePreviewIsWholeWithoutAShare)
{
    EXPECT_EQ(settingsFor("p").order, runOrderRows);
    EXPECT_EQ(settingsFor("p -order COARSE").order, runOrderCoarse);
    EXPECT_EQ(settingsFor("p -order rows").order, runOrderRows);
    EXPECT_EQ(settingsFor("p -order up").order, runOrderRefused);
    EXPECT_EQ(settingsFor("p -preview b.png").previewPercent, 100);
    EXPECT_EQ(settingsFor("p -preview b.png -previewat 025").previewPercent, 25);
}

TEST(RunSettingsValues, PaceIsAutoOrMicrosecondsAndNothingWithoutIt)
{
    EXPECT_EQ(settingsFor("p").pace, 0);
    EXPECT_EQ(settingsFor("p -pace AUTO").pace, runPaceAuto);
    EXPECT_EQ(settingsFor("p -pace 250").pace, 250);
    EXPECT_EQ(settingsFor("p -pace 0250").pace, 250);
    EXPECT_EQ(settingsFor("p -pace 2500").pace, runPaceRefused);
}

struct LoneWordCase {
    const char* line;
    int32_t slot;  // of the lone word (slot 1 is the program), 0 when none is found
};

TEST(LoneWord, IsTheOneWordThatIsNeitherAnOptionNorAValue)
{
    const LoneWordCase cases[] = {
        {"prog photo.jpg", 2},
        {"prog -stepx 3 photo.jpg -uselines", 4},
        {"prog -uselines photo.jpg", 3},  // a flag takes no value
        {"prog -STEPX 3 -Wait 0 -preview out.png photo.jpg", 8},
        {"prog -", 2},  // standard input
        {"prog -jigfactor -4 photo.jpg", 4},  // a value that looks like an option
        {"prog -image2 b.tga photo.jpg -crossfade 0.5", 4},
        {"prog", 0},
        {"prog -stepx 3", 0},
        {"prog a.jpg b.jpg", 0},  // two words: which one is meant is not guessed
        {"prog -unknown photo.jpg", 3},  // an unknown option is skipped, as a run ignores it
        {"prog /? photo.jpg", 3},
        {"prog -preview", 0},  // a value missing at the end
    };
    for (const LoneWordCase& c : cases) {
        ASSERT_EQ(tokenizeCommandLine(c.line), TokenizeResult::Tokenized) << c.line;
        EXPECT_EQ(findLoneWord(), c.slot) << c.line;
    }
}

}  // namespace
