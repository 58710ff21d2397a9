#include "source/web_fetch.h"

#include "common/stop_request.h"

#include <curl/curl.h>

#include <cstdio>

namespace {

size_t takeBody(char* data, size_t one, size_t count, void* user)
{
    // Returning less than was offered makes libcurl end the transfer with a write
    // error; the buffer says whether it was the limit or the memory.
    const size_t total = one * count;
    return appendPictureBytes(*static_cast<PictureBytes*>(user), reinterpret_cast<const uint8_t*>(data), total)
               ? total
               : 0;
}

int checkStop(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return stopRequested() ? 1 : 0; }

std::string seconds(int32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

std::string failureReason(CURLcode code, const PictureBytes& bytes, long status, const WebFetchSettings& settings,
                          const char* detail)
{
    switch (code) {
    case CURLE_HTTP_RETURNED_ERROR:
        return httpStatusReason(status);
    case CURLE_FILESIZE_EXCEEDED:
        return "It is larger than scrivdraw takes (512 MiB).";
    case CURLE_WRITE_ERROR:
        if (bytes.tooLarge)
            return "It is larger than scrivdraw takes (512 MiB).";
        if (bytes.outOfMemory)
            return "There is not enough memory for it.";
        break;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return "It is not a web address scrivdraw can fetch.";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "Its server's name was not found (is the network up?).";
    case CURLE_COULDNT_CONNECT:
        return "Its server could not be reached.";
    case CURLE_OPERATION_TIMEDOUT:
        return "Its server did not send it within " + seconds(settings.timeoutMs) + " s.";
    case CURLE_TOO_MANY_REDIRECTS:
        return "It redirects more than " + std::to_string(settings.maxRedirects) + " times.";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return "Its server ended the download part way.";
    case CURLE_ABORTED_BY_CALLBACK:
        return "The download was stopped.";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return std::string("The secure connection failed: ") + (*detail != '\0' ? detail : curl_easy_strerror(code)) +
               ".";
    default:
        break;
    }
    return std::string("The download failed: ") + (*detail != '\0' ? detail : curl_easy_strerror(code)) + ".";
}

}  // namespace

std::string fetchWebPicture(const char* url, const WebFetchSettings& settings, PictureBytes& bytes,
                            std::string& contentType)
{
    contentType.clear();
    CURL* curl = curl_easy_init();
    if (curl == nullptr)
        return "The download could not be started.";
    char detail[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(settings.maxRedirects));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.timeoutMs));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connectTimeoutMs));
    // An error status ends the transfer before its body (an error page) is taken.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    // A Content-Length over the limit is refused before the body.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bytes.limit));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "scrivdraw/" SCRIVDRAW_VERSION);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, takeBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, checkStop);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    const char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr)
        contentType = type;
    curl_easy_cleanup(curl);

    if (code != CURLE_OK)
        return failureReason(code, bytes, status, settings, detail);
    // A redirect without a place to go, or another answer that is no success.
    if (status < 200 || status > 299)
        return httpStatusReason(status);
    return {};
}
