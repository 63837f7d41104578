#include "feeds/WeatherSource.h"

#include <algorithm>

#include "base/Clock.h"
#include "feeds/FeedGenerator.h"
#include "feeds/OpenMeteo.h"

namespace nimbrel {
namespace {

class RssSource : public WeatherSource {
public:
    RssSource(const std::string& baseUrl, const std::string& locationId, const FetchLimits& limits)
        : urls_(BuildFeedUrls(baseUrl, locationId)), limits_(limits) {}
    HttpResult FetchDocument(FeedKind kind) override {
        return Fetch(kind == FeedKind::Forecast ? urls_.ForecastUrl : urls_.ObservationUrl, limits_);
    }

private:
    const FeedUrls urls_;
    const FetchLimits limits_;
};

class SampleSource : public WeatherSource {
public:
    explicit SampleSource(std::string locationId) : id_(std::move(locationId)) {}
    HttpResult FetchDocument(FeedKind kind) override {
        HttpResult r;
        r.ok = true;
        r.status = 200;
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
    return std::make_unique<RssSource>(baseUrl, locationId, limits);
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

HttpResult OpenMeteoSource::FetchDocument(FeedKind kind) {
    // Held across the request, so the second fetch of a cycle waits for the
    // first one's answer instead of asking again.
    std::lock_guard<std::mutex> lock(mutex_);
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
        OpenMeteoDocuments docs = ConvertOpenMeteo(answer.body);
        if (!docs.ok) return Failed("the weather service's answer was refused: " + docs.error, answer.status);
        observation_ = std::move(docs.observation);
        forecast_ = std::move(docs.forecast);
        fetchedAt_ = now;
        cached_ = true;
    }
    HttpResult r;
    r.ok = true;
    r.status = 200;
    r.body = kind == FeedKind::Forecast ? forecast_ : observation_;
    return r;
}

}  // namespace nimbrel
