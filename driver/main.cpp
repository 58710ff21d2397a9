#include "common/stop_request.h"
#include "driver/run_sequence.h"

#if defined(_WIN32)
#include "driver/windows_start.h"
#endif

#include <vector>

int main(int argc, char** argv)
{
    installStopHandlers();
#if defined(_WIN32)
    return runStartedOnWindows(argc, argv);
#else
    // The program's own path is no word of the command line: a folder with a space
    // in its name would make one.
    std::vector<const char*> arguments(argv, argv + argc);
    if (!arguments.empty())
        arguments[0] = "scrivdraw";
    return runScrivdraw(static_cast<int>(arguments.size()), arguments.data());
#endif
}
