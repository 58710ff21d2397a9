#pragma once
// The EXIF orientation of a JPEG, found without any library: the first APP1
// segment holding EXIF, and the orientation tag (0x0112) of its first IFD. The
// Windows build falls back on it where GDI+ gives no orientation (Wine's does
// not); the Linux build reads the same with libexif and the tests hold the two
// together. Every read is bounds-checked.

#include <cstddef>
#include <cstdint>

// The first APP1 segment holding EXIF before the image data: its bytes from
// "Exif\0\0" on. False when there is none.
bool findJpegExifSegment(const uint8_t* bytes, size_t size, const uint8_t*& segment, size_t& length);

// The orientation (1-8) the segment's first IFD holds, or 1 when it holds none
// or anything else.
int exifSegmentOrientation(const uint8_t* segment, size_t length);
