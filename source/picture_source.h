#pragma once
// Where the picture comes from: the word given for it names a file, standard input
// ("-"), the clipboard ("clipboard") or a web address (http:// or https://). Every
// source but a file is gathered into memory under the loader's file limit and then
// loaded exactly as a file of the same bytes would be; nothing is written to disk.

#include "image/picture_loader.h"

#include <cstdio>
#include <string>

enum class PictureSource {
    File,
    StandardInput,
    Clipboard,
    WebAddress,
};

// What the word names. "clipboard" in any case is the clipboard (a file of that
// name is ./clipboard); a scheme is told in any case, as browsers do.
PictureSource pictureSourceOf(const char* word);

// Whether a word left on the command line without an option may be taken for the
// picture: a source that is not a file, or a file that can be opened for reading.
bool namesPicture(const char* word);

// Which of the run's pictures it is (-image or -image2): its failure lines say so.
enum class PictureRole {
    Image,
    Image2,
};

// Loads the picture the word names. Returns an empty text when it loaded, else the
// one line (without its newline) that says which source failed and why.
std::string loadPictureFromSource(Picture& picture, const char* word, PictureRole role = PictureRole::Image);

// The picture's bytes from a stream until its end, at most maxPictureFileBytes of
// them. Returns an empty text, or the sentence saying why not. Exposed so that
// tests can hand it a stream of their own.
struct PictureBytes;
std::string readPictureStream(std::FILE* stream, PictureBytes& bytes);
