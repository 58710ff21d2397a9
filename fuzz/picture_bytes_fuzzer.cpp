// libFuzzer target: a body arriving in pieces, as a download, standard input or
// the clipboard hand it over, gathered under a limit and then loaded as a picture.
// The first byte sets the limit (in 256-byte steps), each piece is preceded by a
// byte giving its length. Asserts that the buffer never holds more than its limit,
// that it holds exactly the pieces it accepted, and that one refused piece ends
// the gathering as too large.

#include "image/picture_loader.h"
#include "source/picture_bytes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "picture_bytes_fuzzer: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    setPictureLimits({1024, int64_t{1} << 20});
    PictureBytes bytes = emptyPictureBytes(size_t{data[0]} * 256);
    std::string accepted;
    size_t at = 1;
    while (at < size) {
        const size_t piece = std::min<size_t>(data[at] * size_t{7}, size - at - 1);
        const uint8_t* start = data + at + 1;
        at += 1 + piece;
        if (!appendPictureBytes(bytes, start, piece)) {
            if (!bytes.tooLarge || accepted.size() + piece <= bytes.limit)
                fail("a piece within the limit was refused");
            break;
        }
        accepted.append(reinterpret_cast<const char*>(start), piece);
    }
    if (bytes.size > bytes.limit || bytes.capacity > bytes.limit || bytes.size != accepted.size())
        fail("the buffer went past its limit or lost count");
    if (bytes.size > 0 && std::memcmp(bytes.data.get(), accepted.data(), bytes.size) != 0)
        fail("the buffer does not hold the pieces it took");
    if (bytes.size > 0) {
        Picture picture;
        picture.loadFromMemory(bytes.data.get(), bytes.size);
        PassPixels pixels;
        picture.convertForPass(pixels);
    }
    return 0;
}
