#include "common/stop_request.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace {

// Lock-free, so raising it is safe in a signal handler.
std::atomic<bool> stopFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
// Runs on a thread of its own. Ctrl+C and Ctrl+Break are answered, so the process
// lives on until the pass has finished its point; a closing console ends the
// process once this returns, so it waits a little for the gesture under way
// (a few milliseconds) to end first.
// A second Ctrl+C is left to the system, which ends the process.
BOOL WINAPI onConsoleControl(DWORD event)
{
    const bool again = stopFlag.exchange(true);
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return again ? FALSE : TRUE;
    default:
        Sleep(200);
        return FALSE;
    }
}
#else
void onStopSignal(int) { stopFlag.store(true); }
#endif

}  // namespace

void installStopHandlers()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Once only: a second Ctrl+C ends the process as if no handler were there.
    // No SA_RESTART: a sleep under way returns early and sees the flag.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
#endif
}

void requestStop() { stopFlag.store(true); }
bool stopRequested() { return stopFlag.load(); }
void clearStopRequest() { stopFlag.store(false); }
