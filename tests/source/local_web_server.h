#pragma once
// A web server of the tests' own on 127.0.0.1 (never another address), on a port
// the system picks, answering each request from a table of canned answers. An
// answer with silent set is never given: the connection is held open until the
// server stops, as a server that hangs would.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct CannedAnswer {
    std::string path;  // the request's path, e.g. "/rose.png"
    std::string head;  // the status line and headers, each ending in \r\n, without the blank line
    std::string body;
    bool silent = false;
};

struct LocalWebServer {
    int listener = -1;
    int wake[2] = {-1, -1};  // a byte on wake[1] ends the serving thread
    uint16_t port = 0;
    std::vector<CannedAnswer> answers;
    std::vector<int> held;  // connections of silent answers
    std::thread thread;
};

// False when no socket could be had; the port is then 0.
bool startLocalWebServer(LocalWebServer& server, std::vector<CannedAnswer> answers);
void stopLocalWebServer(LocalWebServer& server);
std::string localAddress(const LocalWebServer& server, const std::string& path);
