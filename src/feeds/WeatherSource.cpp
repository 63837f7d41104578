#include "feeds/WeatherSource.h"

#include <algorithm>

#include "base/Clock.h"
#include "feeds/FeedGenerator.h"
#include "feeds/OpenMeteo.h"

namespace nimbrel {
namespace {

class RssSource : public WeatherSource {
public:
    using Fetcher = std::function<HttpResult(const std::string& url)>;
    RssSource(FeedUrls urls, Fetcher fetch) : urls_(std::move(urls)), fetch_(std::move(fetch)) {}
    SourceAnswer FetchWeather(FeedKind kind) override {
        SourceAnswer a;
        a.url = kind == FeedKind::Forecast ? urls_.ForecastUrl : urls_.ObservationUrl;
        a.transfer = FetchDocument(kind);
        a.reading = ReadFeedResult(kind, a.transfer);
        return a;
    }
    HttpResult FetchDocument(FeedKind kind) override {
        return fetch_(kind == FeedKind::Forecast ? urls_.ForecastUrl : urls_.ObservationUrl);
    }

private:
    const FeedUrls urls_;
    const Fetcher fetch_;
};

HttpResult Delivered() {
    HttpResult r;
    r.ok = true;
    r.status = 200;
    return r;
}

class SampleSource : public WeatherSource {
public:
    explicit SampleSource(std::string locationId) : id_(std::move(locationId)) {}
    SourceAnswer FetchWeather(FeedKind kind) override {
        SourceAnswer a;
        a.transfer = Delivered();
        a.reading.kind = kind;
        a.reading.accepted = true;
        const WeatherModel w = feedgen::SampleWeather(id_, Now());
        a.reading.observation = w.observation;
        a.reading.forecast = w.days;
        a.reading.hours = w.hours;
        return a;
    }
    HttpResult FetchDocument(FeedKind kind) override {
        HttpResult r = Delivered();
        const DateTime now = Now();
        r.body = kind == FeedKind::Forecast ? feedgen::ForecastDocument(id_, now, kBase)
                                            : feedgen::ObservationDocument(id_, now, kBase);
        return r;
    }

private:
    static constexpr const char* kBase = "nimbrel:sample";
    const std::string id_;
};

HttpResult Failed(const std::string& why, long status = 0) {
    HttpResult r;
    r.status = status;
    r.error = why;
    return r;
}

}  // namespace

std::unique_ptr<WeatherSource> MakeRssSource(const std::string& baseUrl, const std::string& locationId,
                                             const FetchLimits& limits) {
    return std::make_unique<RssSource>(BuildFeedUrls(baseUrl, locationId),
                                       [limits](const std::string& url) { return Fetch(url, limits); });
}

std::unique_ptr<WeatherSource> MakeRssSource(const FeedUrls& urls,
                                             std::function<HttpResult(const std::string& url)> fetch) {
    return std::make_unique<RssSource>(urls, std::move(fetch));
}

std::unique_ptr<WeatherSource> MakeSampleSource(const std::string& locationId) {
    return std::make_unique<SampleSource>(locationId);
}

std::string OpenMeteoSource::OpenMeteoBase() {
    return OpenMeteoBaseUrl();
}

OpenMeteoSource::OpenMeteoSource(double latitude, double longitude, std::string baseUrl, FetchLimits limits,
                                 Fetcher fetcher, Clock clock)
    : url_(OpenMeteoForecastUrl(baseUrl, latitude, longitude)),
      limits_(limits),
      fetch_(fetcher ? std::move(fetcher) : Fetcher(&Fetch)),
      clock_(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)) {}

int OpenMeteoSource::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

HttpResult OpenMeteoSource::Refresh() {
    const auto now = clock_();
    if (!cached_ || now - fetchedAt_ >= kKeepFor) {
        if (wait_.count() > 0 && now < retryAt_) {
            const auto left = std::chrono::duration_cast<std::chrono::seconds>(retryAt_ - now).count();
            return Failed("the weather service asked to wait; next try in " + std::to_string(left + 1) + " s");
        }
        ++requests_;
        const HttpResult answer = fetch_(url_, limits_);
        if (!answer.ok) {
            if (answer.status == 429 || answer.status >= 500) {
                wait_ = wait_.count() == 0 ? kFirstWait : std::min(wait_ * 2, kLongestWait);
                retryAt_ = now + wait_;
            }
            return Failed("the weather service: " + answer.error, answer.status);
        }
        wait_ = std::chrono::seconds{0};
        OpenMeteoWeather read = ReadOpenMeteo(answer.body);
        if (!read.ok) return Failed("the weather service's answer was refused: " + read.error, answer.status);
        weather_ = std::move(read.weather);
        fetchedAt_ = now;
        cached_ = true;
    }
    HttpResult r;
    r.ok = true;
    r.status = 200;
    return r;
}

SourceAnswer OpenMeteoSource::FetchWeather(FeedKind kind) {
    // Held across the request, so the second fetch of a cycle waits for the
    // first one's answer instead of asking again.
    std::lock_guard<std::mutex> lock(mutex_);
    SourceAnswer a;
    a.url = url_;
    a.transfer = Refresh();
    a.reading.kind = kind;
    if (!a.transfer.ok) return a;
    a.reading.accepted = true;
    if (kind == FeedKind::Forecast) {
        a.reading.forecast = weather_.days;
        a.reading.hours = weather_.hours;
    } else
        a.reading.observation = weather_.observation;
    return a;
}

HttpResult OpenMeteoSource::FetchDocument(FeedKind kind) {
    std::lock_guard<std::mutex> lock(mutex_);
    HttpResult r = Refresh();
    if (!r.ok) return r;
    r.body = kind == FeedKind::Forecast ? OpenMeteoForecastDocument(weather_.days, weather_.hours)
                                        : OpenMeteoObservationDocument(weather_.observation);
    return r;
}

}  // namespace nimbrel
