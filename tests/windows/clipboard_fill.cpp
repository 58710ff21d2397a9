// The tests' stand-in for a program that copies a picture: puts one on the Windows
// clipboard (or text, or nothing), then runs the command given and ends with its
// status. The command runs while this program still owns the clipboard, inside
// the same Wine session, as a person's copy-then-draw would.
//
//   clipboard_fill png FILE COMMAND...      the file's bytes in the "PNG" format
//                                           browsers register
//   clipboard_fill dib FILE.bmp COMMAND...  the bitmap of a BMP file, as CF_DIB
//   clipboard_fill text WORDS COMMAND...    the words, as CF_TEXT
//   clipboard_fill empty - COMMAND...       nothing

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool readFile(const char* path, std::vector<char>& bytes)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return true;
}

// The clipboard takes the memory only when SetClipboardData succeeds.
bool put(UINT format, const char* data, size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* at = memory != nullptr ? GlobalLock(memory) : nullptr;
    if (at == nullptr)
        return false;
    std::memcpy(at, data, size);
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory) != nullptr)
        return true;
    GlobalFree(memory);
    return false;
}

bool fill(const std::string& kind, const char* argument)
{
    std::vector<char> bytes;
    if (kind == "empty")
        return true;
    if (kind == "text")
        return put(CF_TEXT, argument, std::strlen(argument) + 1);
    if (!readFile(argument, bytes))
        return false;
    if (kind == "png")
        return put(RegisterClipboardFormatA("PNG"), bytes.data(), bytes.size());
    // A packed bitmap is a BMP file without its 14-byte file header.
    if (kind == "dib")
        return bytes.size() > 14 && put(CF_DIB, bytes.data() + 14, bytes.size() - 14);
    return false;
}

int runCommand(int argc, char** argv, int first)
{
    std::string line;
    for (int i = first; i < argc; ++i) {
        if (!line.empty())
            line += ' ';
        line += std::strchr(argv[i], ' ') != nullptr ? std::string("\"") + argv[i] + "\"" : std::string(argv[i]);
    }
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
        std::fprintf(stderr, "clipboard_fill: could not start %s\n", line.c_str());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: clipboard_fill png|dib|text|empty FILE|WORDS|- COMMAND...\n");
        return 2;
    }
    // A clipboard opened without a window has no owner, and then takes no data.
    HWND owner = CreateWindowExA(0, "STATIC", "clipboard_fill", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bool open = false;
    for (int tries = 0; owner != nullptr && !(open = OpenClipboard(owner) != 0) && tries < 100; ++tries)
        Sleep(20);
    const bool filled = open && EmptyClipboard() && fill(argv[1], argv[2]);
    if (open)
        CloseClipboard();
    if (!filled) {
        std::fprintf(stderr, "clipboard_fill: the clipboard was not filled with %s %s\n", argv[1], argv[2]);
        return 2;
    }
    const int status = runCommand(argc, argv, 3);
    if (owner != nullptr)
        DestroyWindow(owner);
    return status;
}
