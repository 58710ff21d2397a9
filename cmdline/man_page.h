#pragma once
// The manual page, scrivdraw.1, made from the parts of the usage text (usage.h), so
// that it says what --help says. Written at build time by the scrivdraw_man tool.

#include <string>

// The whole page in roff (man macros), every line ending in a newline.
std::string manPageText();
