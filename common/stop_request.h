#pragma once
// A stop asked for from outside the drawing: Ctrl+C or a termination request (a
// console Ctrl+C or close on Windows). The handlers only raise a flag; the pass
// sees it where it sees Escape, between points, so no gesture is cut in half and
// no button is left held down. Long waits end early on it.

// Installs the handlers for the process (signals on Linux, the console control
// handler on Windows). A second Ctrl+C after the first ends the process the
// usual way, in case the run cannot get back to its pass.
void installStopHandlers();

// Safe to call from a signal handler or another thread.
void requestStop();
bool stopRequested();
// For tests: forget an earlier request.
void clearStopRequest();
