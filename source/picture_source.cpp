#include "source/picture_source.h"

#include "source/clipboard_picture.h"
#include "source/picture_bytes.h"
#include "source/web_fetch.h"

#include <cstring>
#include <sys/stat.h>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define scrivIsTerminal(stream) (_isatty(_fileno(stream)) != 0)
#else
#include <unistd.h>
#define scrivIsTerminal(stream) (isatty(fileno(stream)) != 0)
#endif

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(const char* text, const char* start)
{
    for (; *start != '\0'; ++text, ++start)
        if (lowerAscii(*text) != *start)
            return false;
    return true;
}

bool equalsIgnoringCase(const char* text, const char* other)
{
    return startsWithIgnoringCase(text, other) && text[std::strlen(other)] == '\0';
}

std::string tooLargeReason()
{
    return "It is larger than scrivdraw takes (512 MiB).";
}

// The gathered bytes through the loader, as the same file would go. Empty text or
// the loader's reason (which may itself be empty, as for a file).
bool loadGathered(Picture& picture, const PictureBytes& bytes, std::string& reason)
{
    static const uint8_t none = 0;
    const PictureLoad loaded = picture.loadFromMemory(bytes.size > 0 ? bytes.data.get() : &none, bytes.size);
    reason = loaded.reason;
    return loaded.result == LoadResult::Loaded;
}

std::string failureLine(const std::string& start, const std::string& reason)
{
    return reason.empty() ? start : start + " " + reason;
}

// The failure line's start for a source that is not a file: "Couldn't load image
// from the clipboard!", "Couldn't load image2 URL!".
std::string startOf(PictureRole role, const std::string& source)
{
    return std::string("Couldn't load ") + (role == PictureRole::Image ? "image " : "image2 ") + source + "!";
}

std::string loadFromStandardInput(Picture& picture, PictureRole role)
{
    const std::string start = startOf(role, "from standard input");
    if (scrivIsTerminal(stdin))
        return failureLine(start, "Nothing is piped in: standard input is the terminal.");
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    PictureBytes bytes = emptyPictureBytes(static_cast<size_t>(maxPictureFileBytes));
    if (std::string reason = readPictureStream(stdin, bytes); !reason.empty())
        return failureLine(start, reason);
    if (bytes.size == 0)
        return failureLine(start, "Nothing came in.");
    std::string reason;
    return loadGathered(picture, bytes, reason) ? std::string() : failureLine(start, reason);
}

std::string loadFromWeb(Picture& picture, const char* url, PictureRole role)
{
    const std::string start = startOf(role, url);
    PictureBytes bytes = emptyPictureBytes(static_cast<size_t>(maxPictureFileBytes));
    std::string contentType;
    if (std::string reason = fetchWebPicture(url, WebFetchSettings{}, bytes, contentType); !reason.empty())
        return failureLine(start, reason);
    if (bytes.size == 0)
        return failureLine(start, "The server sent nothing.");
    std::string reason;
    if (loadGathered(picture, bytes, reason))
        return {};
    // A web page where a picture was meant says so, rather than what the Targa
    // reader made of its text.
    if (reason.empty() && !contentType.empty() && !startsWithIgnoringCase(contentType.c_str(), "image/"))
        reason = "The address gave " + contentType.substr(0, contentType.find(';')) + ", not a picture.";
    return failureLine(start, reason);
}

std::string loadFromClipboard(Picture& picture, PictureRole role)
{
    const std::string start = startOf(role, "from the clipboard");
    PictureBytes bytes = emptyPictureBytes(static_cast<size_t>(maxPictureFileBytes));
    if (std::string reason = readClipboardPicture(bytes, clipboardWaitMs); !reason.empty())
        return failureLine(start, reason);
    std::string reason;
    return loadGathered(picture, bytes, reason) ? std::string() : failureLine(start, reason);
}

}  // namespace

PictureSource pictureSourceOf(const char* word)
{
    if (std::strcmp(word, "-") == 0)
        return PictureSource::StandardInput;
    if (equalsIgnoringCase(word, "clipboard"))
        return PictureSource::Clipboard;
    if (startsWithIgnoringCase(word, "http://") || startsWithIgnoringCase(word, "https://"))
        return PictureSource::WebAddress;
    return PictureSource::File;
}

bool namesPicture(const char* word)
{
    if (pictureSourceOf(word) != PictureSource::File)
        return true;
    // A folder opens for reading too on Linux, and is no picture.
    struct stat status {};
    return stat(word, &status) == 0 && S_ISREG(status.st_mode);
}

std::string readPictureStream(std::FILE* stream, PictureBytes& bytes)
{
    uint8_t chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, stream);
        if (got > 0 && !appendPictureBytes(bytes, chunk, got))
            return bytes.tooLarge ? tooLargeReason() : "There is not enough memory for it.";
        if (got < sizeof chunk)
            break;
    }
    return std::ferror(stream) ? "It could not be read." : "";
}

std::string loadPictureFromSource(Picture& picture, const char* word, PictureRole role)
{
    switch (pictureSourceOf(word)) {
    case PictureSource::StandardInput:
        return loadFromStandardInput(picture, role);
    case PictureSource::Clipboard:
        return loadFromClipboard(picture, role);
    case PictureSource::WebAddress:
        return loadFromWeb(picture, word, role);
    case PictureSource::File:
        break;
    }
    // A file goes as it always went, its failure line unchanged (the second
    // picture's never named the file).
    const PictureLoad loaded = picture.load(word);
    if (loaded.result == LoadResult::Loaded)
        return {};
    return failureLine(role == PictureRole::Image ? startOf(role, word) : "Couldn't load image2!", loaded.reason);
}

std::string httpStatusReason(long status)
{
    switch (status) {
    case 404:
    case 410:
        return "It was not found there (HTTP " + std::to_string(status) + ").";
    case 401:
    case 403:
        return "Its server refused to send it (HTTP " + std::to_string(status) + ").";
    default:
        return "Its server answered HTTP " + std::to_string(status) + ", not the picture.";
    }
}
