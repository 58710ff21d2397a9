#pragma once
// The test's own way into headless mutter: its screen-cast and remote-desktop
// D-Bus API (org.gnome.Mutter.*), which asks nobody. The test reads the screen
// and clicks the portal's dialog through it, as a person at the desktop would.

#include <cstdint>
#include <vector>

// A session on the monitor connector ("Meta-0" headless); with input, a remote
// desktop session tied to it. False when mutter refused or sent no frame.
bool openMutterSession(bool withInput);
void closeMutterSession();

// The screen (0x00RRGGBB, rows top first) from the newest frame made at or after
// the call; or the newest when nothing changed for a while.
bool grabScreen(int32_t& width, int32_t& height, std::vector<uint32_t>& pixels);

// A left click at a screen pixel, each call awaited.
bool clickAt(int32_t x, int32_t y);
