#pragma once
// A start from Windows Explorer rather than from a console: a double-click on
// scrivdraw.exe, or a picture dropped on it. Such a start has a console of its
// own, which closes with the program, so the program asks for the picture in a
// file dialog when none came with it, and waits for a key before it ends. The
// choices are made here, where tests reach them; the Win32 calls are in
// windows_start.cpp.

#include <cstdint>
#include <string>
#include <vector>

// The processes attached to the console, as GetConsoleProcessList counts them:
// only scrivdraw itself when Explorer made the console for it.
bool startedFromExplorer(uint32_t consoleProcesses);

enum class ExplorerAction {
    None,                // a console's start, or Explorer's with options: run as given
    AskForPicture,       // a double-click: nothing came with it
    TakeDroppedPicture,  // one word came with it: the path of a dropped file
};

ExplorerAction explorerAction(bool fromExplorer, int argc, const char* const* argv);

// The arguments a run gets for a picture path from a drop or the dialog: quoted,
// so that a path with spaces stays one word of the command line.
std::vector<std::string> argumentsForPicture(const std::string& path);

// The file dialog's filter: pairs of a name and its patterns, each ending in a
// zero, the whole ending in another; the pictures this build reads first.
std::string pictureDialogFilter();
