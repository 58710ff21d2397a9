#include "image/targa_image.h"
// (to be written)
TargaImage::~TargaImage() {}
LoadResult TargaImage::load(const char*) { return LoadResult::OpenFailed; }
LoadResult TargaImage::loadFromMemory(const uint8_t*, size_t) { return LoadResult::OpenFailed; }
LoadResult TargaImage::convertForPass(PassPixels&) const { return LoadResult::OutOfMemory; }
