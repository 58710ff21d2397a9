// Pictures from web addresses, fetched from a server of the tests' own on
// 127.0.0.1: what loads, and the one line for each way it can fail.

#include "image/picture_loader.h"
#include "source/picture_source.h"
#include "source/web_fetch.h"
#include "tests/image/picture_samples.h"

#include "local_web_server.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#if !defined(_WIN32)
namespace {

std::string text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::string png = text(pictureSamples()[0].file);
const std::string pngHead = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " + std::to_string(png.size()) + "\r\n";

class WebFetch : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_STREQ(pictureSamples()[0].format, "PNG");
        ASSERT_TRUE(startLocalWebServer(
            server, {
                        {"/rose.png", pngHead, png},
                        {"/moved", "HTTP/1.1 302 Found\r\nLocation: /rose.png\r\nContent-Length: 0\r\n", ""},
                        {"/loop", "HTTP/1.1 301 Moved\r\nLocation: /loop\r\nContent-Length: 0\r\n", ""},
                        {"/page.html", "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n",
                         "<!doctype html><html><body><img src=rose.png></body></html>"},
                        {"/forbidden", "HTTP/1.1 403 Forbidden\r\nContent-Length: 3\r\n", "no!"},
                        {"/large", "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n", std::string(5000, 'x')},
                        {"/large-unsaid", "HTTP/1.1 200 OK\r\n", std::string(5000, 'x')},
                        {"/truncated", "HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n", png},
                        {"/empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n", ""},
                        {"/silent", "", "", true},
                    }));
    }
    void TearDown() override { stopLocalWebServer(server); }

    // The reason a fetch with a small limit and a short timeout gives, or "" with
    // the body in body.
    std::string fetch(const std::string& url, std::string* body = nullptr, int timeoutMs = 300)
    {
        PictureBytes bytes = emptyPictureBytes(4096);
        WebFetchSettings settings;
        settings.timeoutMs = timeoutMs;
        std::string type;
        const std::string reason = fetchWebPicture(url.c_str(), settings, bytes, type);
        if (body != nullptr && bytes.size > 0)
            *body = std::string(reinterpret_cast<const char*>(bytes.data.get()), bytes.size);
        return reason;
    }

    LocalWebServer server;
};

TEST_F(WebFetch, APictureAndARedirectToItLoadAsTheSameBytesWould)
{
    Picture fromBytes;
    ASSERT_EQ(fromBytes.loadFromMemory(pictureSamples()[0].file.data(), png.size()).result, LoadResult::Loaded);
    PassPixels expected;
    ASSERT_EQ(fromBytes.convertForPass(expected), LoadResult::Loaded);
    for (const char* path : {"/rose.png", "/moved"}) {
        Picture fetched;
        EXPECT_EQ(loadPictureFromSource(fetched, localAddress(server, path).c_str()), "") << path;
        PassPixels got;
        ASSERT_EQ(fetched.convertForPass(got), LoadResult::Loaded) << path;
        ASSERT_EQ(got.width, expected.width);
        ASSERT_EQ(got.height, expected.height);
        EXPECT_EQ(std::memcmp(got.bytes.get(), expected.bytes.get(), size_t(got.width) * got.height * 4), 0) << path;
    }
}

TEST_F(WebFetch, EveryFailureIsOneSentence)
{
    LocalWebServer closed;
    ASSERT_TRUE(startLocalWebServer(closed, {}));
    const std::string nobody = localAddress(closed, "/rose.png");
    stopLocalWebServer(closed);

    const std::pair<std::string, std::string> cases[] = {
        {localAddress(server, "/nothing-here.png"), "It was not found there (HTTP 404)."},
        {localAddress(server, "/forbidden"), "Its server refused to send it (HTTP 403)."},
        {localAddress(server, "/loop"), "It redirects more than 5 times."},
        {localAddress(server, "/large"), "It is larger than scrivdraw takes (512 MiB)."},
        {localAddress(server, "/large-unsaid"), "It is larger than scrivdraw takes (512 MiB)."},
        {localAddress(server, "/truncated"), "Its server ended the download part way."},
        {localAddress(server, "/silent"), "Its server did not send it within 0.3 s."},
        {nobody, "Its server could not be reached."},
    };
    for (const auto& [url, reason] : cases)
        EXPECT_EQ(fetch(url), reason) << url;
    // TLS spoken to a server that does not speak it. Loading the system's
    // certificates can outlast 0.3 s on a busy sanitizer run, so this one waits longer.
    const std::string tls = "https" + localAddress(server, "/rose.png").substr(4);
    const std::string tlsReason = fetch(tls, nullptr, 20000);
    EXPECT_EQ(tlsReason.rfind("The secure connection failed: ", 0), 0u) << tlsReason;
    std::string body;
    EXPECT_EQ(fetch(localAddress(server, "/rose.png"), &body), "");
    EXPECT_EQ(body, png);
}

TEST_F(WebFetch, APageOrNothingWhereAPictureWasMeantIsSaidSo)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/page.html", "The address gave text/html, not a picture."},
        {"/empty", "The server sent nothing."},
        {"/nothing-here.png", "It was not found there (HTTP 404)."},
    };
    for (const auto& [path, reason] : cases) {
        Picture picture;
        const std::string url = localAddress(server, path);
        EXPECT_EQ(loadPictureFromSource(picture, url.c_str()), "Couldn't load image " + url + "! " + reason);
    }
}

}  // namespace
#endif
