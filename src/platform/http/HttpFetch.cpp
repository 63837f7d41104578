#include "platform/http/HttpFetch.h"

// Only the header's types and constants are used: libcurl itself is loaded
// by name at the first fetch (see Curl below), so no call may go to the
// functions it declares.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace nimbrel {
namespace {

// libcurl and what it pulls in (the TLS, Kerberos, LDAP, SASL, SSH and RTMP
// libraries) come to several megabytes mapped and thousands of relocations
// at start-up, for a program that may not fetch for minutes or at all (a
// file drawn, --version, --help). So the program is not linked against it:
// the first fetch loads it, once for the process, and takes the few entry
// points used here. The package still depends on libcurl4 (packaging/).
struct Curl {
    CURLcode (*global_init)(long) = nullptr;
    CURL* (*easy_init)() = nullptr;
    void (*easy_cleanup)(CURL*) = nullptr;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easy_perform)(CURL*) = nullptr;
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
    const char* (*easy_strerror)(CURLcode) = nullptr;
    std::string error;  // why it could not be loaded; empty when it was
};

template <typename F>
bool Take(void* lib, const char* name, F& fn) {
    fn = reinterpret_cast<F>(::dlsym(lib, name));
    return fn != nullptr;
}

const Curl& TheCurl() {
    // Loaded and initialised once, from whichever thread fetches first
    // (curl_global_init is not thread-safe itself). Never unloaded: it stays
    // for the next fetch, as a linked library would.
    static const Curl curl = [] {
        Curl c;
        void* lib = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char* why = ::dlerror();
            c.error = std::string("cannot load libcurl.so.4: ") + (why ? why : "not found");
            return c;
        }
        if (!Take(lib, "curl_global_init", c.global_init) || !Take(lib, "curl_easy_init", c.easy_init) ||
            !Take(lib, "curl_easy_cleanup", c.easy_cleanup) || !Take(lib, "curl_easy_setopt", c.easy_setopt) ||
            !Take(lib, "curl_easy_perform", c.easy_perform) || !Take(lib, "curl_easy_getinfo", c.easy_getinfo) ||
            !Take(lib, "curl_easy_strerror", c.easy_strerror)) {
            c = Curl{};
            c.error = "libcurl.so.4 lacks an entry point this program uses";
            return c;
        }
        if (c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            c = Curl{};
            c.error = "cannot start libcurl";
        }
        return c;
    }();
    return curl;
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
    HttpResult result;
    const Curl& c = TheCurl();
    if (!c.error.empty()) {
        result.error = c.error;
        return result;
    }
    std::unique_ptr<CURL, void (*)(CURL*)> curl(c.easy_init(), c.easy_cleanup);
    if (!curl) {
        result.error = "cannot start a transfer";
        return result;
    }
    CURL* h = curl.get();
    char errbuf[CURL_ERROR_SIZE] = {};
    BodySink sink{&result.body, limits.maxBodyBytes};
    const std::string noProxy = NoProxyList();

    c.easy_setopt(h, CURLOPT_URL, url.c_str());
    c.easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    c.easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM games in a threaded program
    c.easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // What came over https never continues over http: a redirect may not
    // take away the encryption the address asked for.
    const bool secure = StartsWithHttps(url);
    c.easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    c.easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    c.easy_setopt(h, CURLOPT_MAXREDIRS, limits.maxRedirects);
    c.easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    c.easy_setopt(h, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
    c.easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
    c.easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
    c.easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
    // Error pages are not documents: stop at the status line instead of
    // downloading them.
    c.easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    c.easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");  // the cap applies to the decoded body
    c.easy_setopt(h, CURLOPT_USERAGENT, "Nimbrel/" NIMBREL_VERSION);
    c.easy_setopt(h, CURLOPT_NOPROXY, noProxy.c_str());
    if (const char* ca = std::getenv("NIMBREL_CA_FILE"); ca && *ca) c.easy_setopt(h, CURLOPT_CAINFO, ca);
    c.easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
    c.easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    const CURLcode rc = c.easy_perform(h);
    c.easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);

    if (sink.overflowed || rc == CURLE_FILESIZE_EXCEEDED) {
        result.error = "response larger than " + std::to_string(limits.maxBodyBytes) + " bytes";
    } else if (rc == CURLE_HTTP_RETURNED_ERROR || (rc == CURLE_OK && (result.status < 200 || result.status > 299))) {
        result.error = "HTTP status " + std::to_string(result.status);
    } else if (rc == CURLE_UNSUPPORTED_PROTOCOL && secure) {
        result.error = "refused a redirect from https to an address that is not https";
    } else if (rc != CURLE_OK) {
        result.error = errbuf[0] ? std::string(errbuf) : std::string(c.easy_strerror(rc));
    } else {
        result.ok = true;
    }
    if (!result.ok) result.body.clear();
    return result;
}

}  // namespace nimbrel
