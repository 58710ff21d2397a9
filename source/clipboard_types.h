#pragma once
// Which of the types a clipboard's owner offers is the picture to ask for. Owners
// name them as MIME types (X11 targets and Wayland offers alike): a browser offers
// image/png beside text/html, an image viewer several image types at once.

#include <cstdint>

// How good a picture the type gives: 2 for PNG (lossless, kept by every owner that
// holds a picture), 1 for any other image type a decoder may read, 0 for a type
// that is no picture or one no decoder here reads (SVG is drawn, not stored).
// Told in any case, as MIME types are.
int32_t clipboardPictureRank(const char* type);
