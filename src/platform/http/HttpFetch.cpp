#include "platform/http/HttpFetch.h"

// Only the header's types and constants are used: libcurl itself is loaded
// by name while fetches run (see CurlUse below), so no call may go to the
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
// libraries) come to several megabytes mapped and thousands of relocations,
// for a program that fetches two small documents every few minutes and may
// not fetch at all (a file drawn, --version, --help). So the program is not
// linked against it: a fetch loads it, and the last of the fetches running
// at once unloads it again, which gives back about half of it (OpenSSL and
// p11-kit stay, as they pin themselves). Loading costs a few milliseconds
// of CPU per fetch; keeping it would cost about 4 MiB all the time. The
// package still depends on libcurl4 (packaging/).
struct Curl {
    CURLcode (*global_init)(long) = nullptr;
    void (*global_cleanup)() = nullptr;
    CURL* (*easy_init)() = nullptr;
    void (*easy_cleanup)(CURL*) = nullptr;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easy_perform)(CURL*) = nullptr;
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
    const char* (*easy_strerror)(CURLcode) = nullptr;
};

template <typename F>
bool Take(void* lib, const char* name, F& fn) {
    fn = reinterpret_cast<F>(::dlsym(lib, name));
    return fn != nullptr;
}

// The loaded library, shared by the fetches that run at once. Loading,
// curl_global_init and curl_global_cleanup (none of them thread-safe) happen
// under the lock, and only while no fetch is using the library.
std::mutex g_curlLock;
int g_curlUsers = 0;
void* g_curlLib = nullptr;
Curl g_curl;

class CurlUse {
public:
    CurlUse() {
        std::lock_guard<std::mutex> lock(g_curlLock);
        if (g_curlUsers == 0 && !Load()) return;
        ++g_curlUsers;
        fns_ = &g_curl;
    }
    ~CurlUse() {
        if (!fns_) return;
        std::lock_guard<std::mutex> lock(g_curlLock);
        if (--g_curlUsers > 0) return;
        g_curl.global_cleanup();
        ::dlclose(g_curlLib);
        g_curlLib = nullptr;
        g_curl = Curl{};
    }
    CurlUse(const CurlUse&) = delete;
    CurlUse& operator=(const CurlUse&) = delete;

    // Null when the library could not be loaded; error() says why.
    const Curl* get() const { return fns_; }
    const std::string& error() const { return error_; }

private:
    bool Load() {
        void* lib = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char* why = ::dlerror();
            error_ = std::string("cannot load libcurl.so.4: ") + (why ? why : "not found");
            return false;
        }
        Curl c;
        if (!Take(lib, "curl_global_init", c.global_init) || !Take(lib, "curl_global_cleanup", c.global_cleanup) ||
            !Take(lib, "curl_easy_init", c.easy_init) || !Take(lib, "curl_easy_cleanup", c.easy_cleanup) ||
            !Take(lib, "curl_easy_setopt", c.easy_setopt) || !Take(lib, "curl_easy_perform", c.easy_perform) ||
            !Take(lib, "curl_easy_getinfo", c.easy_getinfo) || !Take(lib, "curl_easy_strerror", c.easy_strerror)) {
            error_ = "libcurl.so.4 lacks an entry point this program uses";
            ::dlclose(lib);
            return false;
        }
        if (c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            error_ = "cannot start libcurl";
            ::dlclose(lib);
            return false;
        }
        g_curlLib = lib;
        g_curl = c;
        return true;
    }

    const Curl* fns_ = nullptr;
    std::string error_;
};

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
    // Declared before the transfer, so that it outlives it.
    const CurlUse use;
    if (!use.get()) {
        result.error = use.error();
        return result;
    }
    const Curl& c = *use.get();
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
