#include "source/clipboard_types.h"

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The length of the start the type shares with the lower-case prefix, when it
// has the whole prefix; else -1.
int32_t afterPrefix(const char* type, const char* prefix)
{
    int32_t at = 0;
    for (; prefix[at] != '\0'; ++at)
        if (lowerAscii(type[at]) != prefix[at])
            return -1;
    return at;
}

}  // namespace

int32_t clipboardPictureRank(const char* type)
{
    if (type == nullptr)
        return 0;
    const int32_t subtype = afterPrefix(type, "image/");
    if (subtype < 0 || type[subtype] == '\0')
        return 0;
    const char* rest = type + subtype;
    if (afterPrefix(rest, "svg") >= 0)
        return 0;
    const int32_t png = afterPrefix(rest, "png");
    // Parameters after a ';' do not change the type.
    if (png >= 0 && (rest[png] == '\0' || rest[png] == ';'))
        return 2;
    return 1;
}
