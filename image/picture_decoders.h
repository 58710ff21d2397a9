#pragma once
// What the picture loader shares with its decoders (image/*_decoder.cpp on Linux,
// image/picture_windows.cpp on Windows). Not for use outside image/.

#include "image/picture_loader.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Enough of the start of a file for every signature sniffPicture knows.
constexpr size_t sniffBytes = 16;

// The reason to add when the Targa reader refused a file whose signature names a
// format this build does not decode (empty for a file of no known format).
std::string unreadFormatReason(PictureFormat format);

// A buffer for a decoder, or null when memory (or failPictureAllocation) says no.
std::unique_ptr<uint8_t[]> allocatePictureBuffer(size_t bytes);

// Loaded when width x height keeps within the limits; otherwise NotSupported (or
// Malformed for a size below 1) with the reason.
PictureLoad checkPictureSize(int64_t width, int64_t height, PictureFormat format);

// A failure of the given kind with "The FORMAT file ..." reasons.
PictureLoad pictureFailure(LoadResult result, std::string reason);
PictureLoad damagedPicture(PictureFormat format, const std::string& detail);
PictureLoad pictureOutOfMemory();

#if defined(_WIN32)
// PNG, JPEG, GIF, BMP, TIFF through GDI+.
PictureLoad decodeWithGdiplus(const uint8_t* bytes, size_t size, PictureFormat format, PassPixels& out);
#else
PictureLoad decodePng(const uint8_t* bytes, size_t size, PassPixels& out);
PictureLoad decodeJpeg(const uint8_t* bytes, size_t size, PassPixels& out);
PictureLoad decodeWebp(const uint8_t* bytes, size_t size, PassPixels& out);
// The orientation (1-8) a JPEG's EXIF block gives, or 1 when it has none.
int jpegExifOrientation(const uint8_t* bytes, size_t size);
#endif
