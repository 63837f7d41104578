// Fetching documents from real servers on loopback into the store: the round
// trip through the sample feed server, line-end forms, and every rejected
// case, in which nothing stored or shown may change.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "RecordingDisplay.h"
#include "SampleFeedServer.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedGenerator.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/FeedText.h"
#include "feeds/ForecastFeed.h"

namespace nimbrel {
namespace {

using test::RecordingDisplay;

DateTime Monday2100() {
    return DateSerial(2026, 12, 7) + TimeSerial(21, 0, 0);
}

const std::string kObservation =
    "<rss version=\"2.0\">\n<channel>\n<item>\n<title>Monday at 21:00 GMT:\nSunny Intervals. 9&#xB0;C "
    "(48&#xB0;F)</title>\n<description>Temperature: 9&#xB0;C (48&#xB0;F), Humidity: 66&#37;, Pressure: "
    "1012mb</description>\n</item>\n</channel>\n</rss>\n";

// A server whose answers the test chooses, path by path.
class ScriptedServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
    };
    using Answers = std::map<std::string, Answer>;
    explicit ScriptedServer(Answers answers) : answers_(std::move(answers)) {
        server_.Get("/trickle", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
                for (char c : kObservation) {
                    if (stopping_ || !sink.write(&c, 1)) return false;
                    std::this_thread::sleep_for(std::chrono::milliseconds(500));
                }
                sink.done();
                return true;
            });
        });
        server_.Get("/huge", [this](const httplib::Request&, httplib::Response& res) {
            // 100 MB of text that would pass the closing-tag test at its end.
            res.set_chunked_content_provider("text/plain", [this](size_t offset, httplib::DataSink& sink) {
                static const std::string block(64 * 1024, ' ');
                if (stopping_) return false;
                if (offset >= 100u * 1024u * 1024u) {
                    sink.write(kObservation.data(), kObservation.size());
                    sink.done();
                    return true;
                }
                return sink.write(block.data(), block.size());
            });
        });
        // Registered last: the first matching route answers.
        server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            auto it = answers_.find(req.path);
            if (it == answers_.end()) {
                res.status = 404;
                return;
            }
            res.status = it->second.status;
            res.set_content(it->second.body, "application/rss+xml");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~ScriptedServer() {
        stopping_ = true;
        server_.stop();
        thread_.join();
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

private:
    std::map<std::string, Answer> answers_;
    httplib::Server server_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int port_ = 0;
};

// A socket that listens but is never accepted from: the connection is made
// and nothing ever answers.
class SilentListener {
public:
    SilentListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~SilentListener() { ::close(fd_); }
    int port = 0;

private:
    int fd_ = -1;
};

// Everything the store keeps, to see that a rejected fetch changed nothing.
std::vector<std::string> Snapshot(const SettingsStore& s) {
    return {s.ForecastText,      s.LastReading,    s.TempHistory.str(),           s.HumidHistory.str(),
            s.TimeHistory.str(), s.CurrentSummary, std::to_string(s.CurrentTemp), s.LastUpdate,
            s.HumidityCaption,   s.LocationId};
}

SettingsStore StoreWithOneReading() {
    SettingsStore store;
    RecordingDisplay display;
    ScopedClock clock(Monday2100() - 1);
    HandleFeedText(FeedKind::Observation, kObservation, store, display);
    EXPECT_EQ(store.TempHistory, "9");
    return store;
}

TEST(BuildFeedUrls, FixedPathsAfterTheBaseAddress) {
    const FeedUrls u = BuildFeedUrls("http://127.0.0.1:8077", "3772");
    EXPECT_EQ(u.ObservationUrl, "http://127.0.0.1:8077/weather/feeds/rss/obs/id/3772.xml");
    EXPECT_EQ(u.ForecastUrl, "http://127.0.0.1:8077/weather/feeds/rss/5day/id/3772.xml");
    EXPECT_EQ(BuildFeedUrls("http://h/", "").ObservationUrl, "http://h/weather/feeds/rss/obs/id/.xml");
}

TEST(FetchFeed, RoundTripFromTheSampleServerIntoTheHistory) {
    ScopedClock clock(Monday2100());
    feedgen::ServerOptions options;
    options.port = 0;
    feedgen::SampleFeedServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    const FeedUrls urls = BuildFeedUrls(server.BaseUrl(), "3772");

    const auto dir = std::filesystem::temp_directory_path() / ("nimbrel-feed-rt-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    SettingsStore store;
    store.SetFolder(dir.string());
    store.LocationId = "3772";
    RecordingDisplay display;
    ASSERT_TRUE(FetchFeed(urls.ObservationUrl, FeedKind::Observation, store, display));
    const feedgen::Weather w = feedgen::CurrentWeather("3772", Monday2100());
    EXPECT_EQ(store.CurrentSummary, w.summary);
    EXPECT_EQ(store.CurrentTemp, w.temperature);
    EXPECT_EQ(store.TempHistory, std::to_string(w.temperature));
    EXPECT_EQ(store.HumidHistory, std::to_string(w.humidity));
    EXPECT_EQ(store.TimeHistory, "07/12/2026 21:00:00");
    EXPECT_EQ(display.graphRedraws, 1);

    ASSERT_TRUE(FetchFeed(urls.ForecastUrl, FeedKind::Forecast, store, display));
    const feedgen::DayOutlook today = feedgen::Outlook("3772", Monday2100());
    EXPECT_EQ(GetField(store.ForecastText, "\r\n", 1).substr(0, 12), "07/12/2026: ");
    EXPECT_EQ(GetField(store.ForecastText, "\r\n", 3).substr(0, 12), "09/12/2026: ");
    EXPECT_EQ(display.tiles[0].caption, "Mon");
    EXPECT_EQ(display.tiles[0].description, today.summary);
    EXPECT_EQ(display.tiles[1].caption, "Tue");
    EXPECT_EQ(display.sunrise.at(0), FormatTimeHM(today.sunrise));
    EXPECT_NEAR(display.sunUp.at(0), today.sunrise, 1e-6);

    store.SaveSettings();
    SettingsStore loaded;
    loaded.SetFolder(dir.string());
    loaded.LoadSettings();
    EXPECT_EQ(Snapshot(loaded), Snapshot(store));
    std::filesystem::remove_all(dir);
}

TEST(HandleFeedText, EveryLineEndFormParsesAlike) {
    ScopedClock clock(Monday2100());
    std::string crOnly = kObservation, crLf = ReplaceAll(kObservation, "\n", "\r\n");
    for (char& c : crOnly)
        if (c == '\n') c = '\r';
    ScriptedServer server(ScriptedServer::Answers{{"/lf", {200, kObservation}},
                                                  {"/cr", {200, crOnly}},
                                                  {"/crlf", {200, crLf}},
                                                  {"/upper", {200, ReplaceAll(crLf, "</rss>", "</RSS>")}}});
    for (const char* path : {"/lf", "/cr", "/crlf", "/upper"}) {
        SettingsStore store;
        RecordingDisplay display;
        EXPECT_TRUE(FetchFeed(server.Url(path), FeedKind::Observation, store, display)) << path;
        EXPECT_EQ(store.LastReading, "Sunny Intervals,9,66,07/12/2026 21:00:00") << path;
    }
}

TEST(FetchFeed, RejectedDocumentsChangeNothing) {
    const std::string cut = kObservation.substr(0, kObservation.find("</rss>") + 4);
    static const char kGarbage[] = "\x00\xff\x13<item>\x89PNG\r\n\x1a\n\xfe\xfe</item>\x7f";
    const std::string garbage(kGarbage, sizeof kGarbage - 1);
    ScriptedServer server(ScriptedServer::Answers{{"/cut", {200, cut}},
                                                  {"/empty", {200, ""}},
                                                  {"/garbage", {200, garbage}},
                                                  {"/notfound", {404, kObservation}},
                                                  {"/error", {500, kObservation}}});
    SilentListener silent;
    const int refusedPort = SilentListener().port;  // closed again at once: nothing listens there

    FetchLimits quick;
    quick.totalTimeoutMs = 1500;
    quick.lowSpeedBytesPerSecond = 50;
    quick.lowSpeedSeconds = 1;

    const std::vector<std::string> urls = {
        server.Url("/cut"), server.Url("/empty"), server.Url("/garbage"), server.Url("/notfound"), server.Url("/error"),
        server.Url("/huge"), "http://127.0.0.1:" + std::to_string(refusedPort) + "/x",
        // The slow ones last: they take their limits' time, so they run for one kind only.
        server.Url("/trickle"), "http://127.0.0.1:" + std::to_string(silent.port) + "/x"};
    for (const FeedKind kind : {FeedKind::Observation, FeedKind::Forecast}) {
        for (const std::string& url : urls) {
            if (kind == FeedKind::Forecast && (url == urls[7] || url == urls[8])) continue;
            SettingsStore store = StoreWithOneReading();
            store.ForecastText = "07/12/2026: sunny, 1->2, H=1%, SR=08:00, SS=16:00";
            const auto before = Snapshot(store);
            ScopedClock clock(Monday2100());
            RecordingDisplay display;
            EXPECT_FALSE(FetchFeed(url, kind, store, display, quick)) << url;
            EXPECT_EQ(Snapshot(store), before) << url;
            EXPECT_TRUE(display.NothingShown()) << url;
        }
    }
}

}  // namespace
}  // namespace nimbrel
