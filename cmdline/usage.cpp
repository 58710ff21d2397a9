#include "cmdline/usage.h"

#include "cmdline/argument_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifndef SCRIVDRAW_VERSION
#error "SCRIVDRAW_VERSION comes from the project version in CMakeLists.txt"
#endif

namespace {

// Every option, in the order a user needs them. The --help table and the manual
// page (man_page.cpp) are both made from these lines: a new option is one more.
const UsageLine usageLines[] = {
    {"-image", "FILE", "", "the picture to draw (PNG, JPEG, Targa, ...);"},
    {"", "", "", "FILE may also be - (standard input),"},
    {"", "", "", "clipboard, or an http:// or https:// address"},
    {"-image2", "FILE", "none", "a second picture to blend in; FILE as for"},
    {"", "", "", "the picture, but only one of the two may be -"},
    {"-crossfade", "NUMBER", "0", "how much of -image2 to mix in, 0 to 1"},
    {"-stepx", "N", "1", "pixels between the points of a row, >= 1"},
    {"-stepy", "N", "1", "pixels between rows, >= 1"},
    {"-randomcolorfactor", "N", "1", "above 1: shift colours at random by up to N"},
    {"-jigfactor", "N", "1", "move points at random up to N pixels; not 0"},
    {"-jigfromcenter", "", "off", "scale the move by the distance from centre"},
    {"-uselines", "", "off", "draw points as lines to the moved points"},
    {"-compresscolor", "", "off", "fewer colours: clear 3 low bits a channel"},
    {"-ignoreblack", "", "off", "skip (almost) black points"},
    {"-ignorewhite", "", "off", "skip (almost) white points"},
    {"-1280x800", "", "off", "scale the mouse to a 1280x800 screen"},
    {"-fast", "", "off", "the same board, planned with far less input"},
    {"-order", "rows|coarse", "rows", "coarse: the same board, the whole picture"},
    {"", "", "", "early (a rough sketch, then finer and finer)"},
    {"-repair", "", "off", "read the board back after, redraw what differs"},
    {"-pace", "auto|US", "1 ms", "pause after each mouse event: auto follows the"},
    {"", "", "", "page, US is 100-1000 microseconds"},
    {"-anywhere", "", "off", "take a board anywhere on the desktop, not only"},
    {"", "", "", "in rows 200-399, columns 50-799"},
    {"-wait", "SECONDS", "5", "time to bring the page to the front, 0-600"},
    {"-preview", "FILE.png", "none", "draw on a model of the page, not the screen,"},
    {"", "", "", "save the board it leaves as PNG and say what"},
    {"", "", "", "the real run would cost"},
    {"-previewat", "PERCENT", "100", "with -preview: save the board as it is after"},
    {"", "", "", "that share of the run's mouse events, 1-100"},
    {"-help", "", "", "this text, then exit; also --help, -h, -?, /?"},
    {"-version", "", "", "the version, then exit; also --version"},
};

const char* const examples[] = {
    "scrivdraw photo.jpg",
    "scrivdraw -fast https://example.org/rose.png",
    "scrivdraw -stepx 2 -stepy 2 clipboard",
    "scrivdraw -image rose.tga -stepx 3 -stepy 3 -uselines -jigfactor 4 -wait 10",
    "scrivdraw -image rose.tga -fast -preview board.png",
    "scrivdraw -image rose.tga -fast -order coarse -preview quarter.png -previewat 25",
};

}  // namespace

const UsageText usage = {
    "draws a picture into the Scrivlet drawing page by\n"
    "driving the mouse.",

    "Open the drawing page, start scrivdraw from a console and bring the page to the\n"
    "front within the start-up wait. scrivdraw minimises its console, finds the\n"
    "page's 300 x 300 board on the screen and draws the picture point by point: for\n"
    "each point it clicks the red, green and blue sliders, then the board.\n"
    "\n"
    "PICTURE is a file, - for standard input, clipboard for the picture last copied,\n"
    "or a web address (http:// or https://); -image FILE says the same. A word that\n"
    "is no option, no option's value and no file is not taken for the picture. On\n"
    "Windows a picture dropped on scrivdraw.exe is drawn, and a double-click asks\n"
    "for one in a file dialog.",

    "scrivdraw [options] PICTURE",

    "Options (names are not case-sensitive; a value is the word after its option):",
    usageLines,
    sizeof usageLines / sizeof usageLines[0],

    "Keys while it draws: keypad minus pauses, keypad plus resumes, Escape stops.\n"
    "Keep your hands off the mouse meanwhile. How far it is and the time left show\n"
    "in the terminal's title (the console's on Windows) and, on a terminal, in one\n"
    "line that rewrites itself.",

    examples,
    sizeof examples / sizeof examples[0],

    "Exit status 0 when the drawing is done; -1 after one line that says why not.",

    "More in the README: README.txt in the Windows zip, or\n"
    "/usr/share/doc/scrivdraw/README.md from the Debian package. The drawing page:\n"
    "page/index.html in the zip, /usr/share/scrivdraw/page/index.html from the\n"
    "package.",
};

namespace {

const char* const helpNames[] = {"-help", "--help", "-h", "-?", "/?"};
const char* const versionNames[] = {"-version", "--version"};

template <size_t N>
bool anyPresent(const char* const (&names)[N])
{
    for (const char* name : names)
        if (findArgument(name) != 0)
            return true;
    return false;
}

}  // namespace

const char* scrivdrawVersion() { return SCRIVDRAW_VERSION; }

std::string usageText()
{
    std::string text = std::string("scrivdraw ") + scrivdrawVersion() + " " + usage.summary + "\n\n" +
                       usage.description + "\n\nUsage: " + usage.synopsis + "\n\n" + usage.optionsHeading + "\n";
    size_t left = 0;
    for (size_t i = 0; i < usage.lineCount; ++i)
        left = std::max(left, std::strlen(usage.lines[i].option) + 1 + std::strlen(usage.lines[i].value));
    for (size_t i = 0; i < usage.lineCount; ++i) {
        const UsageLine& line = usage.lines[i];
        std::string optionAndValue = line.option;
        if (*line.value != '\0')
            optionAndValue += std::string(" ") + line.value;
        char row[200];
        std::snprintf(row, sizeof row, "  %-*s  %-8s  %s\n", int(left), optionAndValue.c_str(), line.defaultValue,
                      line.meaning);
        text += row;
    }
    text += std::string("\n") + usage.keys + "\n\nExamples:\n";
    for (size_t i = 0; i < usage.exampleCount; ++i)
        text += std::string("  ") + usage.examples[i] + "\n";
    return text + "\n" + usage.exitStatus + "\n" + usage.more + "\n";
}

bool answerHelpOrVersion()
{
    if (anyPresent(helpNames))
        std::fputs(usageText().c_str(), stdout);
    else if (anyPresent(versionNames))
        std::printf("scrivdraw %s\n", scrivdrawVersion());
    else
        return false;
    return true;
}
