#pragma once
// Where the two documents come from. Every source answers a fetch of one
// document with an HttpResult of the same meaning as a fetch from a feed
// server (ok, status, body, error), so the main window's worker threads and
// HandleFeedResult take any source by the one path.
//
//   rss         a feed server at a base URL, for a location id;
//   sample      the synthetic weather of FeedGenerator, made in-process;
//   open-meteo  real weather: one request answers both documents and is kept
//               for ten minutes; a 429 or 5xx answer makes the next request
//               wait, one minute at first and doubling up to an hour.
//
// FetchDocument blocks and is safe from several threads at once; two fetches
// of one cycle arriving together still make one request.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "feeds/FeedRetrieval.h"
#include "platform/http/HttpFetch.h"

namespace nimbrel {

class WeatherSource {
public:
    virtual ~WeatherSource() = default;
    virtual HttpResult FetchDocument(FeedKind kind) = 0;
};

std::unique_ptr<WeatherSource> MakeRssSource(const std::string& baseUrl, const std::string& locationId,
                                             const FetchLimits& limits = {});
std::unique_ptr<WeatherSource> MakeSampleSource(const std::string& locationId);

class OpenMeteoSource : public WeatherSource {
public:
    using Fetcher = std::function<HttpResult(const std::string& url, const FetchLimits& limits)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::seconds kKeepFor{600};
    static constexpr std::chrono::seconds kFirstWait{60};
    static constexpr std::chrono::seconds kLongestWait{3600};

    // fetcher and clock are Fetch and the steady clock unless a test
    // replaces them.
    OpenMeteoSource(double latitude, double longitude, std::string baseUrl = OpenMeteoBase(), FetchLimits limits = {},
                    Fetcher fetcher = {}, Clock clock = {});

    HttpResult FetchDocument(FeedKind kind) override;
    // Requests made so far (tests, and the check tool's report).
    int Requests() const;

    static std::string OpenMeteoBase();

private:
    const std::string url_;
    const FetchLimits limits_;
    Fetcher fetch_;
    Clock clock_;
    mutable std::mutex mutex_;
    bool cached_ = false;
    std::chrono::steady_clock::time_point fetchedAt_{}, retryAt_{};
    std::chrono::seconds wait_{0};
    std::string observation_, forecast_;
    int requests_ = 0;
};

}  // namespace nimbrel
