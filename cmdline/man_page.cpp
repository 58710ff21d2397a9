#include "cmdline/man_page.h"

#include "cmdline/usage.h"

#include <algorithm>
#include <string_view>

namespace {

// Text for roff: a backslash is written \e, a minus that starts a word (an option,
// -1) \-, so it stays a minus and can be searched for; a line that would begin
// with a control character starts with the zero-width \&. The help's line breaks
// stay, since roff fills the lines of a paragraph anyway.
std::string roff(std::string_view text)
{
    std::string out;
    bool lineStart = true;
    char previous = ' ';
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-' && (previous == ' ' || previous == '\n' || previous == '(' || previous == '-' ||
                              previous == ','))
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
        previous = c;
    }
    return out;
}

std::string section(const char* heading, std::string_view paragraph)
{
    return std::string(".SH ") + heading + "\n" + roff(paragraph) + "\n";
}

}  // namespace

std::string manPageText()
{
    std::string page = std::string(".TH SCRIVDRAW 1 \"\" \"scrivdraw ") + scrivdrawVersion() + "\" \"User Commands\"\n";
    // whatis and apropos read the name line as one line.
    std::string summary = usage.summary;
    std::replace(summary.begin(), summary.end(), '\n', ' ');
    page += ".SH NAME\nscrivdraw \\- " + roff(summary) + "\n";
    page += ".SH SYNOPSIS\n.B scrivdraw\n" + roff(std::string_view(usage.synopsis).substr(sizeof "scrivdraw")) + "\n";
    page += section("DESCRIPTION", usage.description);
    page += section("OPTIONS", usage.optionsHeading);
    for (size_t i = 0; i < usage.lineCount; ++i) {
        const UsageLine& line = usage.lines[i];
        if (*line.option == '\0')
            continue;  // taken with the option above
        page += std::string(".TP\n");
        if (*line.value != '\0')
            page += ".BI \"" + roff(line.option) + " \" " + roff(line.value) + "\n";
        else
            page += ".B " + roff(line.option) + "\n";
        page += roff(line.meaning) + "\n";
        for (size_t more = i + 1; more < usage.lineCount && *usage.lines[more].option == '\0'; ++more)
            page += roff(usage.lines[more].meaning) + "\n";
        const std::string_view given = line.defaultValue;
        if (given == "required")
            page += "(required)\n";
        else if (!given.empty() && given != "off" && given != "none")
            page += "(default " + roff(given) + ")\n";
    }
    page += section("KEYS", usage.keys);
    page += ".SH EXAMPLES\n";
    for (size_t i = 0; i < usage.exampleCount; ++i)
        page += std::string(".PP\n.nf\n") + roff(usage.examples[i]) + "\n.fi\n";
    page += section("EXIT STATUS", usage.exitStatus);
    page += section("SEE ALSO", usage.more);
    return page;
}
