// libFuzzer target: any text as a type a clipboard's owner offers (an X11 target's
// name, a Wayland offer's MIME type). Asserts that only an image type ranks at
// all, that only PNG ranks first, and that case does not matter.

#include "source/clipboard_types.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "clipboard_type_fuzzer: %s\n", what);
    std::abort();
}

std::string lowered(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The owner's text ends at its first NUL, as the protocols deliver it.
    const std::string type(reinterpret_cast<const char*>(data), size);
    const std::string named = type.substr(0, type.find('\0'));
    const int32_t rank = clipboardPictureRank(named.c_str());
    const std::string lower = lowered(named);
    if (rank < 0 || rank > 2)
        fail("a rank outside 0 to 2");
    if (rank != clipboardPictureRank(lower.c_str()))
        fail("the rank depends on case");
    if (rank > 0 && (lower.rfind("image/", 0) != 0 || lower.size() == 6))
        fail("a type that is no image ranks");
    if (rank == 2 && lower.rfind("image/png", 0) != 0)
        fail("a type that is not PNG ranks first");
    if (lower == "image/png" && rank != 2)
        fail("PNG does not rank first");
    return 0;
}
