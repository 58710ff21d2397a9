#include "preview/scrivlet_page.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

std::string previewPathProblem(const char* path)
{
    if (path == nullptr || *path == '\0')
        return "No file name was given.";
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return "It is a folder.";
    const bool existed = std::filesystem::exists(path, error);
    // An existing file is opened for update, which leaves it as it is; a new one is
    // made and removed again at once, so that a run that ends early leaves nothing.
    errno = 0;
    std::FILE* file = std::fopen(path, existed ? "r+b" : "wb");
    if (file == nullptr) {
        const int cause = errno;
        return cause != 0 ? std::string(std::strerror(cause)) + "." : "It cannot be written.";
    }
    std::fclose(file);
    if (!existed)
        std::remove(path);
    return {};
}
