#pragma once
// A picture's bytes gathered from a stream of unknown length (standard input, a
// download, the clipboard), held to a limit that is checked before every
// allocation: a source that goes on past it is refused, never buffered.

#include <cstddef>
#include <cstdint>
#include <memory>

struct PictureBytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
    size_t capacity = 0;
    size_t limit = 0;
    bool tooLarge = false;     // more was offered than the limit allows
    bool outOfMemory = false;  // the buffer could not grow
};

// An empty buffer that takes at most limit bytes.
PictureBytes emptyPictureBytes(size_t limit);

// Appends count bytes. False, with nothing appended and tooLarge or outOfMemory
// set, when they do not fit within the limit or the memory.
bool appendPictureBytes(PictureBytes& bytes, const uint8_t* more, size_t count);

// Room for the total the source announces (a Content-Length), taken at once.
// False and tooLarge when it is over the limit; an announcement is never trusted
// beyond that, the bytes themselves are still counted as they come.
bool reservePictureBytes(PictureBytes& bytes, uint64_t announced);
