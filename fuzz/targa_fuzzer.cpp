// libFuzzer target: any bytes as a Targa file, loaded from memory and turned into
// the drawing pass's pixels. Besides the sanitizers' own checks it asserts what the
// rest of the program relies on after a load that reports success, and that a
// reload of the same bytes into the used object gives the same outcome (nothing of
// the previous picture may leak into the next).

#include "image/targa_image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "targa_fuzzer: %s\n", what);
    std::abort();
}

bool isLoadResult(LoadResult r)
{
    switch (r) {
    case LoadResult::Loaded:
    case LoadResult::OpenFailed:
    case LoadResult::OutOfMemory:
    case LoadResult::Malformed:
    case LoadResult::NotSupported:
        return true;
    }
    return false;
}

// Bytes per stored pixel for the depths a successful load may report.
int32_t storedPixelBytes(int32_t depth)
{
    switch (depth) {
    case 8:
        return 1;
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    }
    return 0;
}

// Reads every byte, so that a buffer shorter than its stated size shows up under
// AddressSanitizer here rather than in the drawing pass.
uint32_t touch(const uint8_t* bytes, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum = sum * 31u + bytes[i];
    return sum;
}

struct Outcome {
    LoadResult load = LoadResult::OpenFailed;
    LoadResult pass = LoadResult::OpenFailed;
    uint32_t passSum = 0;
};

Outcome loadAndConvert(TargaImage& image, const uint8_t* data, size_t size)
{
    Outcome o;
    o.load = image.loadFromMemory(data, size);
    if (!isLoadResult(o.load))
        fail("load returned a value that is no LoadResult");

    PassPixels pass;
    o.pass = image.convertForPass(pass);
    if (o.load != LoadResult::Loaded)
        return o;  // pass pixels of a failed load are never used; it must only be safe

    const int32_t bytesPerPixel = storedPixelBytes(image.depth());
    if (bytesPerPixel == 0)
        fail("a loaded picture has a depth the reader does not accept");
    if (image.width() < 1 || image.height() < 1)
        fail("a loaded picture has no pixels");
    if (image.pixels() == nullptr)
        fail("a loaded picture has a null pixel buffer");
    const size_t pixelCount = size_t(image.width()) * size_t(image.height());
    touch(image.pixels(), pixelCount * size_t(bytesPerPixel));

    if (o.pass == LoadResult::OutOfMemory)
        return o;
    if (o.pass != LoadResult::Loaded)
        fail("a loaded picture could not be converted for the pass");
    if (pass.width != image.width() || pass.height != image.height() || !pass.bytes)
        fail("the pass pixels do not match the picture's size");
    o.passSum = touch(pass.bytes.get(), pixelCount * 4);
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TargaImage image;
    const Outcome first = loadAndConvert(image, data, size);
    const Outcome again = loadAndConvert(image, data, size);
    if (first.load != again.load || first.pass != again.pass || first.passSum != again.passSum)
        fail("loading the same bytes again into a used object gave another outcome");
    return 0;
}
