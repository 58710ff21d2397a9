#pragma once
// The picture on the clipboard, as the bytes of a picture file: on X11 the
// CLIPBOARD selection in image/png or another image type, on Windows a registered
// "PNG" format or the bitmap (CF_DIBV5, CF_DIB) made into a BMP file.

#include "source/picture_bytes.h"

#include <cstdint>
#include <string>

// Fills bytes (up to their limit). Waits at most waitMs for the clipboard's owner
// to answer. Returns an empty text, or the one sentence saying why not: no
// clipboard access on this desktop, nothing or no picture on it, no answer.
std::string readClipboardPicture(PictureBytes& bytes, int32_t waitMs);

// How long the program waits for the clipboard's owner.
inline constexpr int32_t clipboardWaitMs = 5000;
