#pragma once
// Which picture a run draws: -image's value, else the one word on the command line
// that is neither an option nor an option's value, when it names a picture (a file
// that is there, "-", "clipboard" or a web address); -image2's value names its
// picture the same ways.

#include "image/picture_loader.h"

#include <string>

// Loads the first picture from where the command line says. Returns an empty text,
// or the one line (without its newline) saying why it did not load; with no
// picture named at all, the line a run without -image always gave; with both
// pictures to come from standard input, the line refusing that.
std::string loadChosenPicture(Picture& picture);

// Loads -image2's picture from the source its value names; the same answer.
std::string loadSecondPicture(Picture& picture, const std::string& word);
