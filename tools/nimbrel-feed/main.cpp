// nimbrel-feed: the sample feed server, and "check" to see what the program
// would take from one document.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

#include "FeedCheck.h"
#include "SampleFeedServer.h"
#include "base/ProgramInfo.h"
#include "feeds/OpenMeteo.h"
#include "feeds/OutsideText.h"
#include "feeds/PlaceSearch.h"
#include "feeds/WeatherSource.h"

namespace {

constexpr const char* kUsage =
    "Usage: nimbrel-feed [--port N] [--bind ADDRESS] [--dir DIR] [--source sample|open-meteo]\n"
    "                    [--places-per-hour N]\n"
    "       nimbrel-feed check [--kind observation|forecast] URL-or-FILE\n"
    "       nimbrel-feed check --source open-meteo --place LAT,LON\n"
    "       nimbrel-feed places TEXT\n"
    "\n"
    "Serves the observation and forecast documents Nimbrel reads, for any\n"
    "location id:\n"
    "  /weather/feeds/rss/obs/id/ID.xml    current observation\n"
    "  /weather/feeds/rss/5day/id/ID.xml   three-day forecast\n"
    "The weather is synthetic: it follows the time of day and the season and\n"
    "differs from one location to another.\n"
    "\n"
    "  --port N        port to listen on (default 8077; 0 picks a free one)\n"
    "  --bind ADDRESS  address to listen on (default 127.0.0.1, loopback only)\n"
    "  --dir DIR       serve recorded documents from DIR instead: the URL path\n"
    "                  below DIR, else DIR/obs/ID.xml and DIR/5day/ID.xml, else\n"
    "                  DIR/obs.xml and DIR/5day.xml\n"
    "  --source NAME   sample (synthetic weather, the default) or open-meteo\n"
    "                  (real weather; the location id is LAT,LON, such as\n"
    "                  52.52,13.41, rounded to two decimals, the service's\n"
    "                  grid; one upstream request every ten minutes at most\n"
    "                  for each place). Weather data by Open-Meteo.com\n"
    "  --places-per-hour N  with open-meteo: ask upstream for at most N\n"
    "                  distinct places in any hour (default 60); a request\n"
    "                  for one more is answered 429 Too Many Requests\n"
    "  --help          show this text\n"
    "  --version       show the version and exit\n"
    "\n"
    "The first line printed is \"listening on http://ADDRESS:PORT\".\n"
    "\n"
    "check fetches (or reads) one document and prints, one \"name: value\" line\n"
    "each, what Nimbrel would take from it and whether it would be accepted.\n"
    "The kind is guessed from the name (\"5day\" or \"obs\") or the text unless\n"
    "--kind says it. Exit status 0 when accepted, 1 when not, 2 on bad usage.\n"
    "With --source open-meteo --place LAT,LON it reports both documents the\n"
    "program would make from one answer of the service, observation first.\n"
    "\n"
    "places searches the place names and prints the matches, one a line:\n"
    "display name, latitude, longitude and time zone, separated by tabs.\n"
    "Exit status 0 with matches, 1 with none or when the search failed.\n"
    "\n"
    "NIMBREL_OPEN_METEO_URL and NIMBREL_GEOCODING_URL replace the services'\n"
    "addresses (https://api.open-meteo.com, https://geocoding-api.open-meteo.com).\n";

int Usage(const std::string& problem) {
    std::cerr << "nimbrel-feed: " << problem << "\n\n" << kUsage;
    return 2;
}

bool ParsePort(const std::string& text, int& port) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 65535) return false;
    port = static_cast<int>(v);
    return true;
}

int Check(int argc, char** argv) {
    using nimbrel::feedgen::CheckKind;
    CheckKind kind = CheckKind::Guess;
    std::string source, from = "rss", place;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage << nimbrel::LicenceHelpText();
            return 0;
        } else if (a == "--kind" && i + 1 < argc) {
            const std::string k = argv[++i];
            if (k == "observation" || k == "obs")
                kind = CheckKind::Observation;
            else if (k == "forecast" || k == "5day")
                kind = CheckKind::Forecast;
            else
                return Usage("unknown kind \"" + k + "\"");
        } else if (a == "--source" && i + 1 < argc) {
            from = argv[++i];
            if (from != "rss" && from != "open-meteo") return Usage("check knows the sources rss and open-meteo");
        } else if (a == "--place" && i + 1 < argc) {
            place = argv[++i];
        } else if (source.empty() && (a.empty() || a[0] != '-')) {
            source = a;
        } else {
            return Usage("unexpected argument \"" + a + "\"");
        }
    }
    if (from == "open-meteo") {
        if (place.empty() || !source.empty()) return Usage("check --source open-meteo needs --place LAT,LON only");
        nimbrel::Place p;
        if (!nimbrel::ParseCoordinates(place, p)) return Usage("--place needs LAT,LON, such as 52.52,13.41");
        nimbrel::OpenMeteoSource om(p.latitude, p.longitude);
        const std::string name = "open-meteo " + place;
        bool accepted = true;
        for (auto [feed, as] : {std::pair{nimbrel::FeedKind::Observation, CheckKind::Observation},
                                std::pair{nimbrel::FeedKind::Forecast, CheckKind::Forecast}}) {
            const nimbrel::HttpResult r = om.FetchDocument(feed);
            accepted = nimbrel::feedgen::CheckDocument(r.body, name, as, r.error, std::cout) && accepted;
        }
        return accepted ? 0 : 1;
    }
    if (!place.empty()) return Usage("--place goes with --source open-meteo");
    if (source.empty()) return Usage("check needs a URL or a file");
    return nimbrel::feedgen::CheckFeed(source, kind, std::cout) ? 0 : 1;
}

int Places(int argc, char** argv) {
    if (argc != 3 || std::string(argv[2]).empty()) return Usage("places needs one search text");
    const nimbrel::PlaceSearch s = nimbrel::SearchPlaces(argv[2]);
    if (!s.ok) {
        std::cerr << "nimbrel-feed: " << s.error << "\n";
        return 1;
    }
    if (s.places.empty()) {
        std::cerr << "nimbrel-feed: no place matches \"" << argv[2] << "\"\n";
        return 1;
    }
    // Names come from the service: escaped, so that each place stays one
    // line of four fields and nothing in a name reaches the terminal as a
    // command.
    for (const nimbrel::Place& p : s.places)
        std::cout << nimbrel::EscapeControls(p.DisplayName()) << '\t' << nimbrel::FormatCoordinate(p.latitude) << '\t'
                  << nimbrel::FormatCoordinate(p.longitude) << '\t' << nimbrel::EscapeControls(p.timezone) << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "nimbrel-feed " NIMBREL_VERSION "\n";
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "check") return Check(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "places") return Places(argc, argv);

    nimbrel::feedgen::ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            std::cout << kUsage << nimbrel::LicenceHelpText();
            return 0;
        } else if (a == "--port") {
            if (!value(v) || !ParsePort(v, options.port)) return Usage("--port needs a number from 0 to 65535");
        } else if (a == "--bind") {
            if (!value(options.bindAddress) || options.bindAddress.empty()) return Usage("--bind needs an address");
        } else if (a == "--source") {
            if (!value(options.source) || (options.source != "sample" && options.source != "open-meteo"))
                return Usage("--source is sample or open-meteo");
        } else if (a == "--places-per-hour") {
            int n = 0;
            if (!value(v) || !ParsePort(v, n) || n < 1)
                return Usage("--places-per-hour needs a number from 1 to 65535");
            options.placesPerHour = n;
        } else if (a == "--dir") {
            if (!value(options.dir) || options.dir.empty()) return Usage("--dir needs a folder");
        } else {
            return Usage("unknown option \"" + a + "\"");
        }
    }

    // SIGINT and SIGTERM end the server cleanly: they are taken by sigwait on
    // this thread while the server runs on another.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    nimbrel::feedgen::SampleFeedServer server(options);
    std::string error;
    if (!server.Bind(error)) {
        std::cerr << "nimbrel-feed: " << error << "\n";
        return 1;
    }
    // Scripts wait for this line to learn the port; it goes out at once.
    std::printf("listening on %s\n", server.BaseUrl().c_str());
    std::fflush(stdout);

    std::thread serving([&] { server.Run(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    serving.join();
    return 0;
}
