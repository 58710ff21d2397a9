#pragma once
// A whole run, from the raw arguments to the exit status.

// Returns the process exit status: 0 after a finished pass, -1 otherwise.
int runScrivdraw(int argc, const char* const* argv);
