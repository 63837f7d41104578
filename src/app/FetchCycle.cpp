#include "app/FetchCycle.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "base/Clock.h"
#include "base/Translate.h"
#include "base/modMisc.h"

namespace nimbrel {
namespace {

std::atomic<int> g_runningFetches{0};
// Orders a fetch thread's posting of its result before the window reads it.
std::mutex g_handOver;

double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// "127.0.0.1:8077" of "http://127.0.0.1:8077/weather/...".
std::string HostOf(const std::string& url) {
    std::string rest = url;
    if (size_t scheme = rest.find("://"); scheme != std::string::npos) rest = rest.substr(scheme + 3);
    return rest.substr(0, rest.find('/'));
}

std::string FailureText(const std::string& url, const HttpResult& result) {
    if (result.ok)
        return FillIn(Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "the answer from %1 could not be read")),
                      {HostOf(url)});
    // A 2xx status that is still a failure: the answer came and was refused
    // (too deep, too big, not the service's form); its status says nothing.
    if (result.status >= 200 && result.status < 300)
        return FillIn(
            Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "the answer from %1 could not be read: %2")),
            {HostOf(url), result.error});
    // curl's words for a certificate refused: "SSL certificate problem: …",
    // "SSL peer certificate or SSH remote key was not OK", "… certificate
    // subject name …".
    if (LowerAscii(result.error).find("certificate") != std::string::npos)
        return FillIn(
            Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "the certificate of %1 was refused: %2")),
            {HostOf(url), result.error});
    // The server said no: which server (the weather service's host, not the
    // feed server's, when the service was asked) and the status it gave.
    if (result.status != 0)
        return FillIn(Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "%1 answered with error %2")),
                      {HostOf(url), std::to_string(result.status)});
    if (result.error.find("imed out") != std::string::npos || result.error.find("imeout") != std::string::npos)
        return FillIn(Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "no answer from %1 in time")),
                      {HostOf(url)});
    return FillIn(Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "could not connect to %1")), {HostOf(url)});
}

}  // namespace

bool AnyFetchRunning() {
    return g_runningFetches.load() > 0;
}

FetchCycle::FetchCycle(Fetcher fetch, QObject* parent) : QObject(parent), fetch_(std::move(fetch)) {
    if (!fetch_) fetch_ = [](const std::string& url) { return Fetch(url); };
    auto timer = [this](const char* name, void (FetchCycle::*tick)()) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromUtf8(name));
        t->setInterval(kTimerInterval);
        connect(t, &QTimer::timeout, this, tick);
        return t;
    };
    tmrSun_ = timer("tmrSun", &FetchCycle::sunTimer);
    tmrWeather_ = timer("tmrWeather", &FetchCycle::weatherTimer);
    tmrForecast_ = timer("tmrForecast", &FetchCycle::forecastTimer);
}

FetchCycle::~FetchCycle() {
    alive_.reset();
}

void FetchCycle::StartSunTimer() {
    tmrSun_->start();
    schedule_.ClockJumped(Now(), MonotonicSeconds());
}

void FetchCycle::StartFetchTimers() {
    tmrWeather_->start();
    tmrForecast_->start();
}

void FetchCycle::Stop() {
    stopped_ = true;
    tmrSun_->stop();
    tmrWeather_->stop();
    tmrForecast_->stop();
    schedule_.Stop();
}

bool FetchCycle::SunTick() {
    if (schedule_.ClockJumped(Now(), MonotonicSeconds())) Resumed();
    return schedule_.SunTick();
}

void FetchCycle::WeatherTick(int updateMinutes) {
    if (schedule_.WeatherTick(int16_t(updateMinutes))) Ask(FeedKind::Observation);
}

void FetchCycle::ForecastTick() {
    if (schedule_.ForecastTick()) Ask(FeedKind::Forecast);
}

void FetchCycle::Resumed() {
    if (stopped_) return;
    Ask(FeedKind::Observation);
    if (schedule_.ForecastOlderThan(Now(), 30)) Ask(FeedKind::Forecast);
}

void FetchCycle::Ask(FeedKind kind, bool byUser) {
    if (stopped_) return;
    const std::string& url = kind == FeedKind::Forecast ? urls_.ForecastUrl : urls_.ObservationUrl;
    if (auto start = schedule_.Ask(FetchRequest{kind, url, byUser})) StartFetch(*start);
}

void FetchCycle::StartFetch(const FetchRequest& request) {
    ++g_runningFetches;
    std::weak_ptr<int> alive = alive_;
    Fetcher fetch = fetch_;
    std::shared_ptr<WeatherSource> source = source_;
    FetchCycle* self = this;
    std::thread([self, alive, fetch, source, request] {
        SourceAnswer answer;
        try {
            if (source) {
                answer = source->FetchWeather(request.kind);
            } else {
                answer.transfer = fetch(request.url);
                answer.reading = ReadFeedResult(request.kind, answer.transfer);
            }
        } catch (const std::exception& e) {
            answer = SourceAnswer{};
            answer.reading.kind = request.kind;
            answer.transfer.error = e.what();
        }
        // Back on the window's thread; qApp outlives every window.
        if (QCoreApplication* app = QCoreApplication::instance()) {
            // The answer travels inside the queued call. Qt's queue orders
            // the two threads with locks of its own, which a thread checker
            // cannot see into; the hand-over lock makes that order one it can
            // see: the call is built and posted under it, and taken under it
            // before its captures are read.
            std::lock_guard<std::mutex> posting(g_handOver);
            QMetaObject::invokeMethod(
                app,
                [self, alive, request, answer] {
                    { std::lock_guard<std::mutex> taken(g_handOver); }
                    --g_runningFetches;
                    if (alive.lock()) self->FetchDone(request, answer);
                },
                Qt::QueuedConnection);
        } else {
            --g_runningFetches;
        }
    }).detach();
}

void FetchCycle::FetchDone(const FetchRequest& request, const SourceAnswer& answer) {
    if (!stopped_) {
        FetchOutcome outcome;
        outcome.kind = request.kind;
        outcome.byUser = request.byUser;
        outcome.ok = answer.reading.accepted;
        outcome.what = outcome.ok ? Translated("FetchCycle", QT_TRANSLATE_NOOP("FetchCycle", "received"))
                                  : FailureText(answer.url.empty() ? request.url : answer.url, answer.transfer);
        outcome.reading = answer.reading;
        if (request.kind == FeedKind::Forecast) schedule_.ForecastResult(outcome.ok, Now());
        emit fetched(outcome);
    }
    if (auto next = schedule_.Done()) StartFetch(*next);
}

}  // namespace nimbrel
