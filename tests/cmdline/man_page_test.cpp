// The manual page against the usage text it is made from: every option of --help
// has its entry, and no text line can be read by roff as a request.
#include "cmdline/man_page.h"
#include "cmdline/usage.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

bool hasLine(const std::string& page, const std::string& line)
{
    return page.find("\n" + line + "\n") != std::string::npos;
}

TEST(ManPage, EveryOptionOfTheHelpHasAnEntry)
{
    const std::string page = manPageText();
    int entries = 0;
    for (size_t i = 0; i < usage.lineCount; ++i) {
        const UsageLine& line = usage.lines[i];
        if (*line.option == '\0')
            continue;
        // Options start with a minus, written \- so that it stays one.
        const std::string option = std::string("\\") + line.option;
        const std::string entry = *line.value == '\0' ? ".B " + option
                                                      : ".BI \"" + option + " \" " + line.value;
        EXPECT_TRUE(hasLine(page, ".TP\n" + entry)) << entry;
        ++entries;
    }
    EXPECT_GT(entries, 15);
    EXPECT_TRUE(page.starts_with(std::string(".TH SCRIVDRAW 1 \"\" \"scrivdraw ") + scrivdrawVersion() + "\""));
}

TEST(ManPage, TextLinesAreNeverRequestsAndEveryLineEnds)
{
    const std::string page = manPageText();
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.back(), '\n');
    std::istringstream lines(page);
    std::string line;
    const char* const requests[] = {".TH ", ".SH ", ".TP", ".B ", ".BI ", ".PP", ".nf", ".fi"};
    while (std::getline(lines, line)) {
        if (line.empty() || (line[0] != '.' && line[0] != '\''))
            continue;
        bool known = false;
        for (const char* request : requests)
            known = known || line.starts_with(request);
        EXPECT_TRUE(known) << line;
    }
    // Every minus that starts a word is roff's minus, never a hyphen.
    EXPECT_EQ(page.find(" -"), std::string::npos);
    EXPECT_NE(page.find("Exit status 0"), std::string::npos);
}

}  // namespace
