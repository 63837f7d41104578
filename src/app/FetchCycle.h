#pragma once
// The monitoring cycle behind the main window: three one-minute timers tick
// into the Schedule, which says when to fetch the observation and the
// forecast and when settings.txt is due; a fetch runs on a worker thread so
// that the window goes on painting, and what it brought is handed back to
// the window's thread, in the order the Schedule keeps, as one Fetched
// signal. The cycle keeps nothing of the weather: the listener hands the
// reading to the weather state.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "app/Schedule.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/WeatherSource.h"

class QTimer;

namespace nimbrel {

// What one fetch did, told on the window's thread.
struct FetchOutcome {
    FeedKind kind = FeedKind::Observation;
    bool byUser = false;  // asked for by a menu command
    bool ok = false;      // a reading was accepted
    // "received", or why not in the words of the tool tip ("127.0.0.1:8077 answered with error 404").
    std::string what;
    FeedReading reading;
};

class FetchCycle : public QObject {
    Q_OBJECT
public:
    using Fetcher = std::function<HttpResult(const std::string& url)>;

    static constexpr int kTimerInterval = 60000;

    // fetch is the feed server's fetch (the real HTTP fetch when empty).
    explicit FetchCycle(Fetcher fetch, QObject* parent = nullptr);
    ~FetchCycle() override;

    // The feed server's two addresses, used while no source is set.
    void SetFeedUrls(FeedUrls urls) { urls_ = std::move(urls); }
    const FeedUrls& Urls() const { return urls_; }
    // The stored place's source; null for the feed server.
    void SetSource(std::shared_ptr<WeatherSource> source) { source_ = std::move(source); }
    bool HasSource() const { return source_ != nullptr; }

    // The sun timer runs from the moment the window exists; the two fetch
    // timers from the end of its loading.
    void StartSunTimer();
    void StartFetchTimers();
    // The program's unload: the timers stop and no new fetch starts.
    void Stop();

    // The sun timer's tick, after the window has turned its dial: a clock
    // jump fetches at once (as a resume does); true when settings.txt is
    // due to be saved.
    bool SunTick();
    void WeatherTick(int updateMinutes);
    void ForecastTick();
    // The machine woke or the network came back: the observation at once,
    // the forecast too when it is older than 30 minutes.
    void Resumed();
    // Fetches of one kind, from the timers or (byUser) a menu command.
    void Ask(FeedKind kind, bool byUser = false);

    const Schedule& Fetches() const { return schedule_; }

signals:
    // The sun timer fired; the window answers with its per-minute work.
    void sunTimer();
    void weatherTimer();
    void forecastTimer();
    void fetched(const FetchOutcome& outcome);

private:
    void StartFetch(const FetchRequest& request);
    void FetchDone(const FetchRequest& request, const SourceAnswer& answer);

    Fetcher fetch_;
    FeedUrls urls_;
    std::shared_ptr<WeatherSource> source_;
    Schedule schedule_;
    bool stopped_ = false;
    QTimer* tmrSun_ = nullptr;
    QTimer* tmrWeather_ = nullptr;
    QTimer* tmrForecast_ = nullptr;
    // Lives as long as the cycle; a fetch that ends after it has gone finds
    // it expired and drops its answer.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// True when a fetch of any cycle is still running on its worker thread (the
// program then ends without waiting for it).
bool AnyFetchRunning();

}  // namespace nimbrel
