#pragma once
// Screen reads through the desktop duplication interface (DXGI), where the system
// has it: a real Windows desktop under its compositor can take milliseconds for a
// read of the display device context, while a duplicated frame is already in video
// memory and a small region of it is copied out in a fraction of that. Where it is
// missing or stops working (Wine, a remote session, a mode change), reads go
// through the device context as before.

#include <cstdint>

// False when the system has no duplication for the primary screen.
bool openDesktopDuplication();
void closeDesktopDuplication();

// Copies the on-screen rectangle (already clipped to the screen) into out, rows
// stride values apart, as 0x00BBGGRR. False when no frame could be had: the caller
// reads the screen its own way.
bool readDuplicatedScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint32_t* out, int64_t stride);
