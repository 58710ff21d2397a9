#pragma once
// A picture from a web address (http or https): libcurl on Linux, the system's
// WinHTTP on Windows, so that scrivdraw.exe stays one file. The body is counted
// against the buffer's limit as it arrives (and a Content-Length over it is refused
// before any of it), redirects are followed up to maxRedirects, and everything
// must arrive within timeoutMs.

#include "source/picture_bytes.h"

#include <cstdint>
#include <string>

struct WebFetchSettings {
    int32_t timeoutMs = 120000;
    int32_t connectTimeoutMs = 20000;
    int32_t maxRedirects = 5;
};

// Fetches url into bytes. Returns an empty text, or the one sentence saying why
// not (not found, too large, no connection, a TLS failure, too slow, ...).
// contentType is what the server said the body is, for telling a page from a
// picture when the bytes do not load.
std::string fetchWebPicture(const char* url, const WebFetchSettings& settings, PictureBytes& bytes,
                            std::string& contentType);

// The sentence for an HTTP status that is not success.
std::string httpStatusReason(long status);
