#include "source/web_fetch.h"

#include "common/stop_request.h"

#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <string>

#define SCRIVDRAW_WIDEN2(text) L##text
#define SCRIVDRAW_WIDEN(text) SCRIVDRAW_WIDEN2(text)
#define SCRIVDRAW_WIDE_VERSION SCRIVDRAW_WIDEN(SCRIVDRAW_VERSION)

namespace {

std::string seconds(int32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

std::string errorReason(DWORD error, const WebFetchSettings& settings)
{
    switch (error) {
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        return "It is not a web address scrivdraw can fetch.";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "Its server's name was not found (is the network up?).";
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "Its server could not be reached.";
    case ERROR_WINHTTP_TIMEOUT:
        return "Its server did not send it within " + seconds(settings.timeoutMs) + " s.";
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return "It redirects more than " + std::to_string(settings.maxRedirects) + " times.";
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return "Its server ended the download part way.";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        return "The secure connection failed (WinHTTP error " + std::to_string(error) + ").";
    default:
        return "The download failed (WinHTTP error " + std::to_string(error) + ").";
    }
}

std::wstring wide(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, result.data(), length);
    result.resize(static_cast<size_t>(length - 1));
    return result;
}

// A header's text, empty when there is none.
std::wstring header(HINTERNET request, DWORD which)
{
    wchar_t text[256];
    DWORD size = sizeof text;
    if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text, &size, WINHTTP_NO_HEADER_INDEX))
        return {};
    return std::wstring(text, size / sizeof(wchar_t));
}

// The answer's body into bytes; empty text or the reason.
std::string readBody(HINTERNET request, PictureBytes& bytes, const WebFetchSettings& settings)
{
    // A length over the limit is refused before the body; a length is never
    // trusted beyond that.
    uint64_t announced = 0;
    bool announcedKnown = false;
    const std::wstring length = header(request, WINHTTP_QUERY_CONTENT_LENGTH);
    for (wchar_t c : length) {
        if (c < L'0' || c > L'9' || announced > bytes.limit)
            break;
        announced = announced * 10 + static_cast<uint64_t>(c - L'0');
        announcedKnown = true;
    }
    if (announcedKnown && !reservePictureBytes(bytes, announced))
        return bytes.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "There is not enough memory for it.";
    uint8_t chunk[65536];
    for (;;) {
        if (stopRequested())
            return "The download was stopped.";
        DWORD got = 0;
        if (!WinHttpReadData(request, chunk, sizeof chunk, &got))
            return errorReason(GetLastError(), settings);
        if (got == 0)
            break;
        if (!appendPictureBytes(bytes, chunk, got))
            return bytes.tooLarge ? "It is larger than scrivdraw takes (512 MiB)." : "There is not enough memory for it.";
    }
    if (announcedKnown && bytes.size < announced)
        return "Its server ended the download part way.";
    return {};
}

std::string fetch(HINTERNET session, const char* url, const WebFetchSettings& settings, PictureBytes& bytes,
                  std::string& contentType)
{
    const std::wstring address = wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (address.empty() || !WinHttpCrackUrl(address.c_str(), 0, 0, &parts))
        return "It is not a web address scrivdraw can fetch.";
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    HINTERNET connection = WinHttpConnect(session, host.c_str(), parts.nPort, 0);
    if (connection == nullptr)
        return errorReason(GetLastError(), settings);
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    HINTERNET request = WinHttpOpenRequest(connection, L"GET", path.empty() ? L"/" : path.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure);
    std::string reason;
    DWORD redirects = static_cast<DWORD>(settings.maxRedirects);
    if (request == nullptr)
        reason = errorReason(GetLastError(), settings);
    else if (!WinHttpSetOption(request, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects) ||
             !WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
             !WinHttpReceiveResponse(request, nullptr))
        reason = errorReason(GetLastError(), settings);
    if (reason.empty()) {
        DWORD status = 0;
        DWORD size = sizeof status;
        WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
        const std::wstring type = header(request, WINHTTP_QUERY_CONTENT_TYPE);
        for (wchar_t c : type)
            contentType += c < 128 ? static_cast<char>(c) : '?';
        if (status < 200 || status > 299)
            reason = httpStatusReason(static_cast<long>(status));
        else
            reason = readBody(request, bytes, settings);
    }
    if (request != nullptr)
        WinHttpCloseHandle(request);
    WinHttpCloseHandle(connection);
    return reason;
}

}  // namespace

std::string fetchWebPicture(const char* url, const WebFetchSettings& settings, PictureBytes& bytes,
                            std::string& contentType)
{
    contentType.clear();
    HINTERNET session = WinHttpOpen(L"scrivdraw/" SCRIVDRAW_WIDE_VERSION, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr)
        return "The download could not be started.";
    // WinHTTP's time limits are per step (resolve, connect, send, each receive).
    WinHttpSetTimeouts(session, settings.connectTimeoutMs, settings.connectTimeoutMs, settings.timeoutMs,
                       settings.timeoutMs);
    const std::string reason = fetch(session, url, settings, bytes, contentType);
    WinHttpCloseHandle(session);
    return reason;
}
