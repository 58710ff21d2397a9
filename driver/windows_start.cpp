#include "driver/windows_start.h"

#include "driver/explorer_start.h"
#include "driver/run_sequence.h"

#include <windows.h>
#include <commdlg.h>
#include <conio.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The system's file dialog; false when it was cancelled or the path cannot be
// named in the code page the program's file names use.
bool askForPicture(std::string& path)
{
    const std::string narrowFilter = pictureDialogFilter();
    std::wstring filter(narrowFilter.begin(), narrowFilter.end());  // ASCII
    wchar_t chosen[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetConsoleWindow();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"The picture for scrivdraw to draw";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return false;
    char narrow[MAX_PATH * 2];
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, 0, chosen, -1, narrow, sizeof narrow, nullptr, &lossy);
    if (length <= 0 || lossy)
        return false;
    path = narrow;
    return true;
}

int run(const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());
    return runScrivdraw(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

int runStartedOnWindows(int argc, const char* const* argv)
{
    DWORD processes[2];
    const bool fromExplorer = startedFromExplorer(GetConsoleProcessList(processes, 2));
    // The program's own path is no word of the command line: a folder with a space
    // in its name would make one.
    std::vector<std::string> arguments = {"scrivdraw"};
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i] != nullptr ? argv[i] : "");

    int status = -1;
    std::string path;
    switch (explorerAction(fromExplorer, argc, argv)) {
    case ExplorerAction::None:
        status = run(arguments);
        break;
    case ExplorerAction::TakeDroppedPicture:
        status = run(argumentsForPicture(arguments[1]));
        break;
    case ExplorerAction::AskForPicture:
        if (askForPicture(path)) {
            std::printf("Drawing %s: bring the drawing page to the front.\n", path.c_str());
            std::fflush(stdout);
            status = run(argumentsForPicture(path));
        } else {
            std::printf("No picture was chosen.\n");
        }
        break;
    }
    if (fromExplorer) {
        // The console closes with the program: it stays until the last line is read.
        ShowWindow(GetConsoleWindow(), SW_RESTORE);
        std::printf("Press a key to close this window.\n");
        std::fflush(stdout);
        _getch();
    }
    return status;
}
