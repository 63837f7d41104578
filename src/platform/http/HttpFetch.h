#pragma once
// The blocking document fetch the feeds are read through. One call fetches one
// URL and returns when the whole body has arrived or the fetch has given up;
// it never hangs: a connect limit, a total limit, a low-speed limit and a cap
// on the body size bound every call. Safe to call from any thread, several at
// once (each call has its own transfer).
#include <cstddef>
#include <string>

namespace nimbrel {

struct FetchLimits {
    long connectTimeoutMs = 5000;
    long totalTimeoutMs = 20000;
    // A body larger than this is abandoned, whether the server announced its
    // size or not.
    std::size_t maxBodyBytes = 8u * 1024u * 1024u;
    // A transfer slower than lowSpeedBytesPerSecond for lowSpeedSeconds in a
    // row is abandoned before the total limit (a server that trickles).
    long lowSpeedBytesPerSecond = 64;
    long lowSpeedSeconds = 8;
    long maxRedirects = 5;
};

struct HttpResult {
    bool ok = false;    // a 2xx response whose whole body arrived within the limits
    long status = 0;    // HTTP status of the last response, 0 when none arrived
    std::string body;   // the body as received (bytes); empty unless ok
    std::string error;  // why the fetch failed, for logs and the check tool; empty when ok
};

// GET of an http:// or https:// URL, redirects followed (to http and https
// only; from an https URL to https only, and the refusal is the error).
// Proxies come from the environment as usual; no_proxy is taken as written,
// and loopback (127.0.0.0/8, ::1, localhost) is always reached directly.
// NIMBREL_CA_FILE, when set, names the certificates to trust instead of the
// system's (a test's own authority).
HttpResult Fetch(const std::string& url, const FetchLimits& limits = {});

}  // namespace nimbrel
