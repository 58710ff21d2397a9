// libFuzzer target: any bytes as the bitmap on the Windows clipboard (a packed
// DIB), made into a BMP file and loaded as one. Asserts that a bitmap taken gives
// a file of its bytes behind a 14-byte header whose offset to the pixels lies
// inside the file.

#include "image/picture_loader.h"
#include "source/dib_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "dib_fuzzer: %s\n", what);
    std::abort();
}

uint32_t little32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setPictureLimits({1024, int64_t{1} << 20});
    PictureBytes file = emptyPictureBytes(1 << 20);
    if (!bmpFileFromDib(data, size, file).empty()) {
        if (file.size != 0)
            fail("a refused bitmap left bytes behind");
        return 0;
    }
    if (file.size != size + bmpFileHeaderSize || little32(file.data.get() + 2) != file.size)
        fail("the file is not the bitmap behind its header");
    const uint32_t offset = little32(file.data.get() + 10);
    if (offset < bmpFileHeaderSize + 12 || offset >= file.size)
        fail("the offset to the pixels lies outside the file");
    if (std::memcmp(file.data.get() + bmpFileHeaderSize, data, size) != 0)
        fail("the bitmap's bytes changed");
    Picture picture;
    picture.loadFromMemory(file.data.get(), file.size);
    PassPixels pixels;
    picture.convertForPass(pixels);
    return 0;
}
