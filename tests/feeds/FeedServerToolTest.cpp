// The nimbrel-feed program as scripts and users run it: its startup line,
// the documents it serves, the recorded-folder mode and the check command.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>

#include "FakeOpenMeteo.h"
#include "base/modMisc.h"
#include "feeds/FeedGenerator.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"

extern char** environ;

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

// A child process with its standard output on a pipe.
class Child {
public:
    explicit Child(std::vector<std::string> args) {
        args.insert(args.begin(), NIMBREL_FEED_EXE);
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = ::fdopen(fds[0], "r");
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (out_) std::fclose(out_);
    }
    std::string ReadLine() {
        std::string line;
        for (int c; (c = std::fgetc(out_)) != EOF && c != '\n';) line += static_cast<char>(c);
        return line;
    }
    std::string ReadAll() {
        std::string all;
        for (int c; (c = std::fgetc(out_)) != EOF;) all += static_cast<char>(c);
        return all;
    }
    void Signal(int sig) { ::kill(pid_, sig); }
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

bool IsTilePictureText(std::string s) {
    static const std::vector<std::string> known = {"sunny",   "sunny intervals", "clear",         "partly cloudy",
                                                   "cloudy",  "light showers",   "heavy showers", "light rain",
                                                   "drizzle", "heavy rain",      "light snow",    "heavy snow"};
    s = LowerAscii(s);
    return std::find(known.begin(), known.end(), s) != known.end();
}

std::string Listening(Child& child) {
    const std::string line = child.ReadLine();
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, std::regex(R"(listening on (http://127\.0\.0\.1:[0-9]+))"))) << line;
    return m.size() > 1 ? m[1].str() : std::string();
}

TEST(NimbrelFeed, AnnouncesItsPortAndServesBothDocumentsForAnyId) {
    Child server({"--port", "0"});
    const std::string base = Listening(server);
    ASSERT_FALSE(base.empty());
    for (const std::string id : {"3772", "1769", "x-1"}) {
        const FeedUrls urls = BuildFeedUrls(base, id);
        const HttpResult obs = Fetch(urls.ObservationUrl);
        ASSERT_TRUE(obs.ok) << obs.error;
        const std::string obsText = PrepareFeedText(obs.body);
        EXPECT_TRUE(IsCompleteFeed(obsText));
        const Observation r = ReadObservation(obsText);
        EXPECT_TRUE(IsTilePictureText(r.summary)) << r.summary;
        EXPECT_EQ(std::to_string(CurrentTemperature(r)), r.temperature.text);
        EXPECT_FALSE(r.humidity.text.empty());

        const HttpResult fc = Fetch(urls.ForecastUrl);
        ASSERT_TRUE(fc.ok) << fc.error;
        const std::string lines = BuildForecastText(PrepareFeedText(fc.body));
        for (int16_t k = 1; k <= 3; ++k) {
            const std::string line = GetField(lines, "\r\n", k);
            EXPECT_TRUE(IsTilePictureText(ReadForecastLine(line).summary)) << line;
            EXPECT_NE(line.find(", SR="), std::string::npos) << line;
        }
        const SunTimesView sun = ReadSunTimes(lines);
        EXPECT_TRUE(sun.riseKnown && sun.setKnown) << lines;
        EXPECT_LT(sun.sunUp, sun.sunDown);
    }
    EXPECT_EQ(Fetch(base + "/weather/feeds/rss/obs/id/3772.txt").status, 404);
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0);
}

TEST(NimbrelFeed, ServesRecordedDocumentsFromAFolder) {
    const fs::path dir = fs::temp_directory_path() / ("nimbrel-feed-dir-" + std::to_string(::getpid()));
    fs::create_directories(dir / "obs");
    std::ofstream(dir / "obs.xml") << "<rss>any id</rss>";
    std::ofstream(dir / "obs" / "3772.xml") << "<rss>just 3772</rss>";
    Child server({"--port", "0", "--dir", dir.string()});
    const std::string base = Listening(server);
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "3772").ObservationUrl).body, "<rss>just 3772</rss>");
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "99").ObservationUrl).body, "<rss>any id</rss>");
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "99").ForecastUrl).status, 404);
    EXPECT_EQ(Fetch(base + "/weather/feeds/rss/obs/id/..%2F..%2Fobs.xml").status, 404);
    fs::remove_all(dir);
}

// A recorded-documents folder is all the server may hand out: a link that
// leads out of it (to a secret file, a folder outside, /etc/shadow) or a file
// that is not a regular one is not found, while a link that stays inside is
// served as the file it names.
TEST(NimbrelFeed, ServesOnlyRegularFilesInsideItsFolder) {
    const fs::path root = fs::temp_directory_path() / ("nimbrel-feed-links-" + std::to_string(::getpid()));
    const fs::path dir = root / "served";
    const fs::path outside = root / "outside";
    fs::create_directories(dir / "obs");
    fs::create_directories(outside);
    std::ofstream(outside / "secret.xml") << "<rss>secret</rss>";
    std::ofstream(dir / "inside.xml") << "<rss>inside</rss>";
    fs::create_symlink(outside / "secret.xml", dir / "obs" / "1.xml");
    fs::create_symlink("../../outside/secret.xml", dir / "obs" / "2.xml");
    fs::create_symlink("/etc/shadow", dir / "obs" / "3.xml");
    fs::create_symlink(dir / "inside.xml", dir / "obs" / "4.xml");
    fs::create_directory_symlink(outside, dir / "5day");
    std::ofstream(outside / "7.xml") << "<rss>outside folder</rss>";
    ASSERT_EQ(::mkfifo((dir / "obs" / "6.xml").c_str(), 0600), 0);
    fs::create_symlink("/etc/shadow", dir / "5day.xml");

    Child server({"--port", "0", "--dir", dir.string()});
    const std::string base = Listening(server);
    for (const std::string id : {"1", "2", "3", "6"})
        EXPECT_EQ(Fetch(BuildFeedUrls(base, id).ObservationUrl).status, 404) << id;
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "7").ForecastUrl).status, 404);
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "4").ObservationUrl).body, "<rss>inside</rss>");
    fs::remove_all(root);
}

// Connections that send nothing, or a request cut short, are closed within a
// few seconds, and while two hundred of them are open a real request is
// still answered.
TEST(NimbrelFeed, HalfOpenConnectionsNeitherStayNorBlockOthers) {
    Child server({"--port", "0"});
    const std::string base = Listening(server);
    const int port = std::stoi(base.substr(base.rfind(':') + 1));
    std::vector<int> sockets;
    for (int i = 0; i < 200; ++i) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        if (i % 2) {
            const char part[] = "GET /weather/feeds/rss/obs/id/1.xml HTTP/1.1\r\nHost: x";
            ASSERT_GT(::send(s, part, sizeof part - 1, 0), 0);
        }
        sockets.push_back(s);
    }
    FetchLimits limits;
    limits.totalTimeoutMs = 10000;
    const HttpResult answer = Fetch(BuildFeedUrls(base, "3772").ObservationUrl, limits);
    EXPECT_TRUE(answer.ok) << answer.error;

    // Every one of them is closed by the server (end of file, or a reset).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int closed = 0;
    for (int s : sockets) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{s, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            char buf[512];
            const ssize_t n = ::recv(s, buf, sizeof buf, 0);
            if (n <= 0) {
                ++closed;
                break;
            }
        }
        ::close(s);
    }
    EXPECT_EQ(closed, 200);
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0);
}

TEST(NimbrelFeed, CheckTellsWhatTheProgramWouldTake) {
    Child server({"--port", "0"});
    const std::string base = Listening(server);
    {
        Child check({"check", BuildFeedUrls(base, "3772").ObservationUrl});
        const std::string out = check.ReadAll();
        EXPECT_EQ(check.Wait(), 0) << out;
        EXPECT_TRUE(std::regex_search(out, std::regex("kind: observation\nsummary: [A-Za-z ]+\ntemperature: -?[0-9]+\n"
                                                      "humidity: [0-9]+\nCurrentTemp: -?[0-9]+\n"
                                                      "feels like: -?[0-9]+\nwind: [0-9]+ km/h from [NESW]{1,2}\n"
                                                      "accepted: yes\n")))
            << out;
    }
    {
        Child check({"check", BuildFeedUrls(base, "3772").ForecastUrl});
        const std::string out = check.ReadAll();
        EXPECT_EQ(check.Wait(), 0) << out;
        EXPECT_NE(out.find("line 3: "), std::string::npos) << out;
        EXPECT_NE(out.find("tile 3 temperature: "), std::string::npos) << out;
        // The sample server's extra values, each on a line of its own.
        EXPECT_TRUE(std::regex_search(out, std::regex("\ntile 1 chance of rain: [0-9]+\n"))) << out;
        EXPECT_TRUE(std::regex_search(out, std::regex("\ntile 3 strongest wind: [0-9]+ km/h\n"))) << out;
        EXPECT_TRUE(std::regex_search(out, std::regex("\nhour 1: [0-9-]+T[0-9:]+ -?[0-9]+ [0-9]+ [0-9]+\n"))) << out;
        EXPECT_NE(out.find("\nhour 48: "), std::string::npos) << out;
        EXPECT_EQ(out.find("\nhour 49: "), std::string::npos) << out;
        EXPECT_NE(out.find("accepted: yes"), std::string::npos) << out;
    }
    const fs::path cut = fs::temp_directory_path() / ("nimbrel-cut-obs-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(cut) << "<rss><item><title>Mon at 10:00 GMT:\nSunny. 3&#xB0;C</title></item></chan";
    {
        Child check({"check", cut.string()});
        const std::string out = check.ReadAll();
        EXPECT_EQ(check.Wait(), 1) << out;
        EXPECT_NE(out.find("summary: Sunny\n"), std::string::npos) << out;
        EXPECT_NE(out.find("accepted: no"), std::string::npos) << out;
    }
    fs::remove(cut);
    Child refused({"check", "http://127.0.0.1:1/weather/feeds/rss/obs/id/1.xml"});
    EXPECT_NE(refused.ReadAll().find("accepted: no"), std::string::npos);
    EXPECT_EQ(refused.Wait(), 1);
}

TEST(NimbrelFeed, HelpAndBadUsage) {
    Child help({"--help"});
    EXPECT_NE(help.ReadAll().find("/weather/feeds/rss/5day/id/ID.xml"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);
    Child version({"--version"});
    EXPECT_EQ(version.ReadAll(), "nimbrel-feed " NIMBREL_VERSION "\n");
    EXPECT_EQ(version.Wait(), 0);
    Child bad({"--port", "http"});
    bad.ReadAll();
    EXPECT_EQ(bad.Wait(), 2);
}

TEST(FeedGenerator, WeatherIsPlausibleAndFollowsDayAndSeason) {
    for (const std::string id : {"1769", "3772", "abc", ""}) {
        for (int day = 0; day < 365; day += 7) {
            for (int hour = 0; hour < 24; hour += 3) {
                const DateTime t = DateSerial(2026, 1, 1) + day + TimeSerial(hour, 10, 0);
                const feedgen::Weather w = feedgen::CurrentWeather(id, t);
                EXPECT_TRUE(IsTilePictureText(w.summary)) << w.summary;
                EXPECT_GE(w.temperature, -15);
                EXPECT_LE(w.temperature, 35);
                EXPECT_GE(w.humidity, 30);
                EXPECT_LE(w.humidity, 100);
            }
        }
    }
    const feedgen::DayOutlook winter = feedgen::Outlook("1769", DateSerial(2026, 12, 21));
    const feedgen::DayOutlook summer = feedgen::Outlook("1769", DateSerial(2026, 6, 21));
    EXPECT_GT(winter.sunrise, summer.sunrise);
    EXPECT_LT(winter.sunset, summer.sunset);
    EXPECT_GT(summer.maximum, winter.maximum);
    // Afternoons are warmer than nights, on average over the year.
    int warmer = 0;
    for (int day = 0; day < 365; ++day) {
        const DateTime d = DateSerial(2026, 1, 1) + day;
        if (feedgen::CurrentWeather("3772", d + TimeSerial(15, 0, 0)).temperature >
            feedgen::CurrentWeather("3772", d + TimeSerial(4, 0, 0)).temperature)
            ++warmer;
    }
    EXPECT_GT(warmer, 300);
}

// The documents give their local times in the local zone, and whatever the
// zone is called the title still reads as the program expects.
TEST(FeedGenerator, TimesAreGivenInTheLocalZone) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    struct Case {
        const char* tz;
        std::string title, offset;
    };
    for (const Case& c :
         {Case{"CET-1CEST,M3.5.0,M10.5.0/3", "Monday at 14:05 CEST:", "+0200"},
          Case{"<-03>3", "Monday at 14:05 -03:", "-0300"}, Case{"UTC0", "Monday at 14:05 GMT:", "+0000"}}) {
        ::setenv("TZ", c.tz, 1);
        ::tzset();
        const DateTime t = DateSerial(2026, 6, 8) + TimeSerial(14, 5, 0);
        const std::string doc = feedgen::ObservationDocument("3772", t, "http://127.0.0.1:8077");
        EXPECT_NE(doc.find("<title>" + c.title + "\n"), std::string::npos) << c.tz << "\n" << doc;
        EXPECT_NE(doc.find("14:05:00 " + c.offset + "</pubDate>"), std::string::npos) << c.tz << "\n" << doc;
        EXPECT_EQ(ReadObservation(PrepareFeedText(doc)).summary, feedgen::CurrentWeather("3772", t).summary) << c.tz;
    }
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

// Both services of Open-Meteo at the fake for the life of the object.
struct ServicesAt {
    explicit ServicesAt(const std::string& base) {
        ::setenv("NIMBREL_OPEN_METEO_URL", base.c_str(), 1);
        ::setenv("NIMBREL_GEOCODING_URL", base.c_str(), 1);
    }
    ~ServicesAt() {
        ::unsetenv("NIMBREL_OPEN_METEO_URL");
        ::unsetenv("NIMBREL_GEOCODING_URL");
    }
};

TEST(FeedToolOpenMeteo, PlacesPrintsOneMatchALineTabSeparated) {
    test::FakeOpenMeteo fake;
    ServicesAt at(fake.BaseUrl());
    Child places({"places", "Berlin"});
    EXPECT_EQ(places.ReadAll(),
              "Berlin, Land Berlin, Germany\t52.5244\t13.4105\tEurope/Berlin\n"
              "Berlin, New Hampshire, United States\t44.4687\t-71.1851\tAmerica/New_York\n");
    EXPECT_EQ(places.Wait(), 0);
    Child none({"places", "Atlantis"});
    EXPECT_EQ(none.ReadAll(), "");
    EXPECT_EQ(none.Wait(), 1);
}

TEST(FeedToolOpenMeteo, CheckReportsBothDocumentsFromOneAnswer) {
    test::FakeOpenMeteo fake;
    ServicesAt at(fake.BaseUrl());
    Child check({"check", "--source", "open-meteo", "--place", "52.52,13.41"});
    const std::string out = check.ReadAll();
    EXPECT_EQ(check.Wait(), 0) << out;
    EXPECT_NE(out.find("kind: observation\nsummary: Light Rain\ntemperature: 26\nhumidity: 82\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("kind: forecast\n"), std::string::npos);
    EXPECT_NE(out.find("sunrise: 07:05\nsunset: 14:53\n"), std::string::npos) << out;
    EXPECT_LT(out.find("kind: observation"), out.find("kind: forecast"));
    EXPECT_EQ(fake.ForecastRequests(), 1);

    fake.SetForecast({429, R"({"error":true})"});
    Child refused({"check", "--source", "open-meteo", "--place", "52.52,13.41"});
    const std::string no = refused.ReadAll();
    EXPECT_EQ(refused.Wait(), 1);
    EXPECT_NE(no.find("accepted: no (the weather service: HTTP status 429)"), std::string::npos) << no;
}

TEST(FeedToolOpenMeteo, ServesRealWeatherForALatLonId) {
    test::FakeOpenMeteo fake;
    ServicesAt at(fake.BaseUrl());
    Child server({"--port", "0", "--source", "open-meteo"});
    const std::string line = server.ReadLine();
    ASSERT_EQ(line.rfind("listening on ", 0), 0u) << line;
    const std::string base = line.substr(13);
    const FeedUrls urls = BuildFeedUrls(base, "52.52,13.41");
    const HttpResult obs = Fetch(urls.ObservationUrl);
    const HttpResult fc = Fetch(urls.ForecastUrl);
    ASSERT_TRUE(obs.ok) << obs.error;
    ASSERT_TRUE(fc.ok) << fc.error;
    EXPECT_EQ(ReadObservation(PrepareFeedText(obs.body)).summary, "Light Rain");
    EXPECT_NE(fc.body.find("Sunrise: 07:05GMT"), std::string::npos);
    // Two desktops, one upstream request.
    EXPECT_TRUE(Fetch(BuildFeedUrls(base, "52.520,13.410").ObservationUrl).ok);
    EXPECT_EQ(fake.ForecastRequests(), 1);
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "Berlin").ObservationUrl).status, 404);
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0);
}

}  // namespace
}  // namespace nimbrel
