#pragma once
// Where the weather comes from. Every source answers a fetch of one kind
// (the observation or the forecast) with the weather model and what the
// transfer did, of the same meaning as a fetch from a feed server (ok,
// status, error), so the program's worker threads take any source by the
// one path:
//
//   rss         a feed server at a base URL, for a location id: the
//               documents read with the marker searches;
//   sample      the synthetic weather of FeedGenerator, made in-process;
//   open-meteo  real weather: one request answers both kinds and is kept
//               for ten minutes; a 429 or 5xx answer makes the next request
//               wait, one minute at first and doubling up to an hour.
//
// FetchDocument gives the same weather as the feed document a feed server
// would serve (the sample server and the check tool use it).
//
// Both block and are safe from several threads at once; two fetches of one
// cycle arriving together still make one request.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "feeds/FeedRetrieval.h"
#include "platform/http/HttpFetch.h"

namespace nimbrel {

// One fetch of a source: what the transfer did (its body is the document of
// an rss source, empty for the others) and the weather read from it. A
// transfer that went through with a weather that was not accepted is an
// answer that could not be read.
struct SourceAnswer {
    HttpResult transfer;
    // The address the source asked (the feed server's or the weather
    // service's): where a failure happened, whatever the window's feed
    // server is.
    std::string url;
    FeedReading reading;
};

class WeatherSource {
public:
    virtual ~WeatherSource() = default;
    virtual SourceAnswer FetchWeather(FeedKind kind) = 0;
    virtual HttpResult FetchDocument(FeedKind kind) = 0;
};

std::unique_ptr<WeatherSource> MakeRssSource(const std::string& baseUrl, const std::string& locationId,
                                             const FetchLimits& limits = {});
// A feed server's two addresses, fetched through fetch (tests put a
// recorder or a server of their own behind it).
std::unique_ptr<WeatherSource> MakeRssSource(const FeedUrls& urls,
                                             std::function<HttpResult(const std::string& url)> fetch);
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

    SourceAnswer FetchWeather(FeedKind kind) override;
    HttpResult FetchDocument(FeedKind kind) override;
    // Requests made so far (tests, and the check tool's report).
    int Requests() const;

    static std::string OpenMeteoBase();

private:
    // The cached answer, or why there is none now; under mutex_.
    HttpResult Refresh();

    const std::string url_;
    const FetchLimits limits_;
    Fetcher fetch_;
    Clock clock_;
    mutable std::mutex mutex_;
    bool cached_ = false;
    std::chrono::steady_clock::time_point fetchedAt_{}, retryAt_{};
    std::chrono::seconds wait_{0};
    WeatherModel weather_;
    int requests_ = 0;
};

}  // namespace nimbrel
