#include "local_web_server.h"

#if !defined(_WIN32)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string readRequest(int connection)
{
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 &&
           (request.empty() || request[0] != '\x16')) {
        const ssize_t got = recv(connection, chunk, sizeof chunk, 0);
        if (got <= 0)
            break;
        request.append(chunk, static_cast<size_t>(got));
    }
    return request;
}

void sendAll(int connection, const std::string& text)
{
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(connection, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

// Closes after the client has read the answer: closing with its bytes still
// unread would reset the connection, and the client could see the reset
// before the answer.
void closeAnswered(int connection)
{
    shutdown(connection, SHUT_WR);
    char chunk[1024];
    pollfd wait = {connection, POLLIN, 0};
    while (poll(&wait, 1, 2000) > 0 && recv(connection, chunk, sizeof chunk, 0) > 0) {
    }
    close(connection);
}

void answer(LocalWebServer& server, int connection)
{
    const std::string request = readRequest(connection);
    // A TLS greeting gets plain text back, as from a server that speaks no TLS.
    if (!request.empty() && request[0] == '\x16') {
        sendAll(connection, "HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n");
        closeAnswered(connection);
        return;
    }
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    for (const CannedAnswer& a : server.answers) {
        if (a.path != path)
            continue;
        if (a.silent) {
            server.held.push_back(connection);
            return;
        }
        sendAll(connection, a.head + "Connection: close\r\n\r\n" + a.body);
        closeAnswered(connection);
        return;
    }
    sendAll(connection, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    closeAnswered(connection);
}

void serve(LocalWebServer& server)
{
    for (;;) {
        pollfd waits[2] = {{server.listener, POLLIN, 0}, {server.wake[0], POLLIN, 0}};
        if (poll(waits, 2, -1) < 0 || waits[1].revents != 0)
            return;
        const int connection = accept(server.listener, nullptr, nullptr);
        if (connection >= 0)
            answer(server, connection);
    }
}

}  // namespace

bool startLocalWebServer(LocalWebServer& server, std::vector<CannedAnswer> answers)
{
    server.answers = std::move(answers);
    server.listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (server.listener < 0 || bind(server.listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(server.listener, 8) != 0 ||
        getsockname(server.listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 || pipe(server.wake) != 0)
        return false;
    server.port = ntohs(address.sin_port);
    server.thread = std::thread(serve, std::ref(server));
    return true;
}

void stopLocalWebServer(LocalWebServer& server)
{
    if (server.thread.joinable()) {
        const char byte = 0;
        (void)!write(server.wake[1], &byte, 1);
        server.thread.join();
    }
    for (int connection : server.held)
        close(connection);
    for (int fd : {server.listener, server.wake[0], server.wake[1]})
        if (fd >= 0)
            close(fd);
    server = LocalWebServer{};
}
#endif

std::string localAddress(const LocalWebServer& server, const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(server.port) + path;
}
