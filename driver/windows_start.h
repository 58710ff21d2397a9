#pragma once
// The run on Windows: as from a console, or as Explorer starts it (see
// explorer_start.h). Returns the exit status.

int runStartedOnWindows(int argc, const char* const* argv);
