#include "platform/http/HttpFetch.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace nimbrel {
namespace {

void GlobalInitOnce() {
    // curl_global_init is not thread-safe itself; the first fetch, from
    // whichever thread, does it once for the process.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct BodySink {
    std::string* body;
    std::size_t cap;
    bool overflowed = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t n = size * count;
    if (sink->body->size() + n > sink->cap) {
        sink->overflowed = true;
        return 0;  // makes curl abort the transfer
    }
    sink->body->append(data, n);
    return n;
}

// The hosts reached without a proxy: the user's no_proxy as written, and
// loopback (the whole of 127.0.0.0/8, ::1 and localhost), where the sample
// server and the tests' servers run. A lone "*" already means every host;
// anything appended to it would turn it into a list in which "*" means
// nothing, so it is left alone.
std::string NoProxyList() {
    constexpr const char* kLoopback = "127.0.0.0/8,localhost,::1";
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        if (const char* v = std::getenv(name); v && *v) {
            const std::string user = v;
            const auto first = user.find_first_not_of(" \t"), last = user.find_last_not_of(" \t");
            if (first != std::string::npos && user.substr(first, last - first + 1) == "*") return "*";
            return user + "," + kLoopback;
        }
    }
    return kLoopback;
}

bool StartsWithHttps(const std::string& url) {
    if (url.size() < 8) return false;
    std::string scheme = url.substr(0, 8);
    for (char& c : scheme) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return scheme == "https://";
}

}  // namespace

HttpResult Fetch(const std::string& url, const FetchLimits& limits) {
    GlobalInitOnce();
    HttpResult result;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        result.error = "cannot start a transfer";
        return result;
    }
    CURL* h = curl.get();
    char errbuf[CURL_ERROR_SIZE] = {};
    BodySink sink{&result.body, limits.maxBodyBytes};
    const std::string noProxy = NoProxyList();

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM games in a threaded program
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // What came over https never continues over http: a redirect may not
    // take away the encryption the address asked for.
    const bool secure = StartsWithHttps(url);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, limits.maxRedirects);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
    // Error pages are not documents: stop at the status line instead of
    // downloading them.
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // the cap applies to the decoded body
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Nimbrel/" NIMBREL_VERSION);
    curl_easy_setopt(h, CURLOPT_NOPROXY, noProxy.c_str());
    if (const char* ca = std::getenv("NIMBREL_CA_FILE"); ca && *ca) curl_easy_setopt(h, CURLOPT_CAINFO, ca);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    const CURLcode rc = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);

    if (sink.overflowed || rc == CURLE_FILESIZE_EXCEEDED) {
        result.error = "response larger than " + std::to_string(limits.maxBodyBytes) + " bytes";
    } else if (rc == CURLE_HTTP_RETURNED_ERROR || (rc == CURLE_OK && (result.status < 200 || result.status > 299))) {
        result.error = "HTTP status " + std::to_string(result.status);
    } else if (rc == CURLE_UNSUPPORTED_PROTOCOL && secure) {
        result.error = "refused a redirect from https to an address that is not https";
    } else if (rc != CURLE_OK) {
        result.error = errbuf[0] ? std::string(errbuf) : std::string(curl_easy_strerror(rc));
    } else {
        result.ok = true;
    }
    if (!result.ok) result.body.clear();
    return result;
}

}  // namespace nimbrel
