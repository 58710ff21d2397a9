#include "backends/wlroots/sway_keys.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char ipcMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr uint32_t runCommand = 0;
constexpr int replyTimeoutMs = 1000;
constexpr size_t largestReply = 1 << 20;

// The three keys, in ControlKey order, and the signal each binding sends.
constexpr const char* keyNames[3] = {"Escape", "KP_Subtract", "KP_Add"};
std::atomic<bool> pressed[3];
static_assert(std::atomic<bool>::is_always_lock_free);

int keySignal(int key) { return SIGRTMIN + 1 + key; }

void onKeySignal(int signal)
{
    for (int key = 0; key < 3; ++key)
        if (signal == keySignal(key))
            pressed[key].store(true);
}

int ipcSocket = -1;
bool keysBound = false;
// Whether minus has paused the pass: the pass's own rule, minus pauses and plus
// resumes, followed on the keys it has been given.
bool paused = false;
constexpr long pausedPollNs = 5000000;

bool writeAll(const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = send(ipcSocket, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool readAll(void* data, size_t size)
{
    char* bytes = static_cast<char*>(data);
    while (size > 0) {
        pollfd ready{ipcSocket, POLLIN, 0};
        if (poll(&ready, 1, replyTimeoutMs) <= 0)
            return false;
        const ssize_t got = recv(ipcSocket, bytes, size, 0);
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

// One command, one reply: a JSON list with one result per command, each with its
// "success" true or false.
bool swayCommand(const std::string& command)
{
    if (ipcSocket < 0)
        return false;
    char header[14];
    const uint32_t length = static_cast<uint32_t>(command.size());
    std::memcpy(header, ipcMagic, 6);
    std::memcpy(header + 6, &length, 4);
    std::memcpy(header + 10, &runCommand, 4);
    if (!writeAll(header, sizeof header) || !writeAll(command.data(), command.size()) ||
        !readAll(header, sizeof header) || std::memcmp(header, ipcMagic, 6) != 0)
        return false;
    uint32_t replyLength = 0;
    std::memcpy(&replyLength, header + 6, 4);
    if (replyLength > largestReply)
        return false;
    std::string reply(replyLength, '\0');
    if (!readAll(reply.data(), reply.size()))
        return false;
    return reply.find("\"success\": true") != std::string::npos && reply.find("\"success\": false") == std::string::npos;
}

bool connectToSway()
{
    const char* path = std::getenv("SWAYSOCK");
    sockaddr_un address{};
    if (path == nullptr || *path == '\0' || std::strlen(path) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path);
    ipcSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (ipcSocket >= 0 && connect(ipcSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (ipcSocket >= 0)
        close(ipcSocket);
    ipcSocket = -1;
    return false;
}

// The parent of a process, from /proc; 0 when it cannot be read.
long parentOf(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr)
        return 0;
    char text[512] = {};
    const size_t got = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[got] = '\0';
    // "pid (name) state ppid ...": the name may hold anything, so read after its last ')'.
    const char* close = std::strrchr(text, ')');
    long parent = 0;
    char state = 0;
    if (close == nullptr || std::sscanf(close + 1, " %c %ld", &state, &parent) != 2)
        return 0;
    return parent;
}

}  // namespace

bool openSwayKeys()
{
    if (ipcSocket < 0 && !connectToSway())
        return false;
    // Handlers first, so a key pressed the moment it is bound is not fatal.
    struct sigaction action {};
    action.sa_handler = onKeySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    paused = false;
    for (int key = 0; key < 3; ++key) {
        pressed[key].store(false);
        sigaction(keySignal(key), &action, nullptr);
    }
    // A plain key of the user's own bound to something else is replaced for the
    // run, without sway's warning about it.
    keysBound = true;
    const std::string pid = std::to_string(static_cast<long>(getpid()));
    for (int key = 0; key < 3; ++key)
        if (!swayCommand(std::string("bindsym --no-warn ") + keyNames[key] + " exec kill -" +
                         std::to_string(keySignal(key)) + " " + pid)) {
            closeSwayKeys();
            return false;
        }
    return true;
}

void closeSwayKeys()
{
    if (keysBound)
        for (const char* name : keyNames)
            swayCommand(std::string("unbindsym ") + name);
    keysBound = false;
    // The handlers stay: a key pressed just before the unbinding may still signal.
    if (ipcSocket >= 0)
        close(ipcSocket);
    ipcSocket = -1;
}

bool swayKeyDown(ControlKey key)
{
    const int index = static_cast<int>(key);
    if (index < 0 || index > 2)
        return false;
    if (key == ControlKey::Escape)
        return pressed[index].load();
    bool down = pressed[index].exchange(false);
    // Paused, the pass polls the keys over and over until plus comes. Polling
    // costs nothing here, so each round gives up the processor for a while
    // instead: a key's signal (or Ctrl+C) cuts the sleep short.
    if (key == ControlKey::KeypadPlus && paused && !down) {
        timespec nap{0, pausedPollNs};
        nanosleep(&nap, nullptr);
        down = pressed[index].exchange(false);
    }
    if (key == ControlKey::KeypadMinus && down)
        paused = true;
    if (key == ControlKey::KeypadPlus && down)
        paused = false;
    return down;
}

void swayMinimiseConsole()
{
    if (ipcSocket < 0)
        return;
    // The console is the terminal window of one of this process's ancestors; only
    // the focused window is taken, as the one the user just started the run from.
    long pid = getppid();
    for (int depth = 0; depth < 16 && pid > 1; ++depth, pid = parentOf(pid))
        if (swayCommand("[pid=" + std::to_string(pid) + " con_id=__focused__] move scratchpad"))
            return;
}
