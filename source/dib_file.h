#pragma once
// A bitmap as the Windows clipboard holds it (a packed DIB: the header, colour
// masks and colour table, then the pixels) made into the bytes of a BMP file, so
// that it loads the way a BMP file does. Only the layout is checked here, so that
// the file header's offset to the pixels is right; the decoder judges the rest.

#include "source/picture_bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr size_t bmpFileHeaderSize = 14;

// Appends the BMP file to file (within its limit). Returns an empty text, or the
// sentence saying why the bitmap cannot be one.
std::string bmpFileFromDib(const uint8_t* dib, size_t size, PictureBytes& file);
