#include "SampleFeedServer.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "base/Clock.h"
#include "feeds/FeedGenerator.h"
#include "feeds/OpenMeteo.h"
#include "feeds/PlaceSearch.h"
#include "feeds/WeatherSource.h"

namespace nimbrel::feedgen {
namespace fs = std::filesystem;

namespace {

bool PlainName(const std::string& id) {
    if (id.empty() || id.size() > 64) return false;
    for (unsigned char c : id)
        if (!std::isalnum(c) && c != '-' && c != '_') return false;
    return true;
}

// Recorded documents are small; anything larger is not one of them.
constexpr std::uintmax_t kMaxDocumentBytes = 8u * 1024u * 1024u;

// Opened without blocking and checked again once open, so that whatever the
// path names by then (a FIFO swapped in, a device) is never read.
bool ReadFile(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    struct stat st {};
    bool ok =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uintmax_t>(st.st_size) <= kMaxDocumentBytes;
    out.clear();
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > kMaxDocumentBytes) ok = false;
    }
    ::close(fd);
    return ok;
}

// Idle connections and requests cut short are dropped after a few seconds, and
// the pool is wide enough that a few hundred of them still leave threads to
// answer real requests: each one only holds its thread until these run out.
constexpr time_t kKeepAliveSeconds = 2;
constexpr time_t kReadTimeoutSeconds = 3;
constexpr time_t kWriteTimeoutSeconds = 5;
constexpr std::size_t kWorkerThreads = 256;
// The library listens with a queue of five; a burst of connections beyond it
// would have the kernel drop connection attempts, and each dropped one costs
// its client a second or more before it tries again.
constexpr int kListenBacklog = 512;

constexpr const char* kHelpPage =
    "Nimbrel sample feed server\n\n"
    "  /weather/feeds/rss/obs/id/ID.xml    current observation for location ID\n"
    "  /weather/feeds/rss/5day/id/ID.xml   three-day forecast for location ID\n";

}  // namespace

std::string FileFor(const std::string& dir, const std::string& kind, const std::string& id) {
    if (!PlainName(id) || (kind != "obs" && kind != "5day")) return {};
    std::error_code ec;
    const fs::path base = fs::canonical(dir, ec);
    if (ec) return {};
    for (const fs::path& p : {base / "weather" / "feeds" / "rss" / kind / "id" / (id + ".xml"),
                              base / kind / (id + ".xml"), base / (kind + ".xml")}) {
        // Links are followed only as long as they end inside the folder:
        // what the server hands out is what the folder holds.
        const fs::path real = fs::canonical(p, ec);
        if (ec || !fs::is_regular_file(real, ec)) continue;
        const auto [end, rest] = std::mismatch(base.begin(), base.end(), real.begin(), real.end());
        if (end == base.end() && rest != real.end()) return real.string();
    }
    return {};
}

SampleFeedServer::SampleFeedServer(ServerOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server_->set_keep_alive_timeout(kKeepAliveSeconds);
    server_->set_read_timeout(kReadTimeoutSeconds, 0);
    server_->set_write_timeout(kWriteTimeoutSeconds, 0);
    server_->set_socket_options([this](int sock) {
        httplib::default_socket_options(sock);
        listenSocket_ = sock;
    });
    server_->Get(R"(/weather/feeds/rss/(obs|5day)/id/([^/]*)\.xml)", [this](const httplib::Request& req,
                                                                            httplib::Response& res) {
        const std::string kind = req.matches[1];
        const std::string id = req.matches[2];
        std::string body;
        if (!options_.dir.empty()) {
            const std::string file = FileFor(options_.dir, kind, id);
            if (file.empty() || !ReadFile(file, body)) {
                res.status = 404;
                res.set_content("no recorded document for " + req.path + "\n", "text/plain");
                return;
            }
        } else if (options_.source == "open-meteo") {
            std::shared_ptr<OpenMeteoSource> source;
            long retry = 0;
            const PlaceAnswer answer = SourceFor(id, source, retry);
            if (answer == PlaceAnswer::NotAPlace) {
                res.status = 404;
                res.set_content("the location id is \"LAT,LON\", such as 52.52,13.41\n", "text/plain");
                return;
            }
            if (answer == PlaceAnswer::OverBound) {
                res.status = 429;
                res.set_header("Retry-After", std::to_string(retry));
                res.set_content("this server asks the weather service for at most " +
                                    std::to_string(options_.placesPerHour) +
                                    " places an hour; that many have been asked for. Try again in " +
                                    std::to_string(retry) + " seconds.\n",
                                "text/plain");
                return;
            }
            const HttpResult r = source->FetchDocument(kind == "obs" ? FeedKind::Observation : FeedKind::Forecast);
            if (!r.ok) {
                res.status = 502;
                res.set_content(r.error + "\n", "text/plain");
                return;
            }
            body = r.body;
        } else if (kind == "obs") {
            body = ObservationDocument(id, Now(), BaseUrl());
        } else {
            body = ForecastDocument(id, Now(), BaseUrl());
        }
        res.set_content(body, "application/rss+xml; charset=utf-8");
    });
    server_->Get("/",
                 [](const httplib::Request&, httplib::Response& res) { res.set_content(kHelpPage, "text/plain"); });
}

SampleFeedServer::PlaceAnswer SampleFeedServer::SourceFor(const std::string& id,
                                                          std::shared_ptr<OpenMeteoSource>& source,
                                                          long& retrySeconds) {
    Place place;
    if (!ParseCoordinates(id, place)) return PlaceAnswer::NotAPlace;
    // The service's grid is about a kilometre: coordinates rounded to two
    // decimals give the same weather, so every desktop of a town shares one
    // place, one cache and one upstream request.
    place.latitude = std::round(place.latitude * 100) / 100;
    place.longitude = std::round(place.longitude * 100) / 100;
    const std::string key = FormatCoordinate(place.latitude) + "," + FormatCoordinate(place.longitude);
    constexpr std::chrono::hours kHour{1};
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(placesMutex_);
    // Places first asked for more than an hour ago leave the count (and
    // their cache); asked for again, they count anew.
    for (auto it = places_.begin(); it != places_.end();)
        it = now - it->second.since >= kHour ? places_.erase(it) : std::next(it);
    const auto known = places_.find(key);
    if (known != places_.end()) {
        source = known->second.source;
        return PlaceAnswer::Source;
    }
    if (static_cast<long>(places_.size()) >= options_.placesPerHour) {
        auto oldest = now;
        for (const auto& [k, p] : places_) oldest = std::min(oldest, p.since);
        retrySeconds = std::max<long>(
            1, static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(oldest + kHour - now).count()) + 1);
        return PlaceAnswer::OverBound;
    }
    source = std::make_shared<OpenMeteoSource>(
        place.latitude, place.longitude, options_.openMeteoBase.empty() ? OpenMeteoBaseUrl() : options_.openMeteoBase);
    places_[key] = KnownPlace{source, now};
    return PlaceAnswer::Source;
}

SampleFeedServer::~SampleFeedServer() {
    Stop();
}

bool SampleFeedServer::Bind(std::string& error) {
    if (options_.port == 0) {
        port_ = server_->bind_to_any_port(options_.bindAddress);
    } else {
        port_ = server_->bind_to_port(options_.bindAddress, options_.port) ? options_.port : -1;
    }
    if (port_ <= 0) {
        error = "cannot listen on " + options_.bindAddress + ":" + std::to_string(options_.port);
        port_ = -1;
        return false;
    }
    // Listening again on a listening socket only changes its queue length.
    if (listenSocket_ >= 0) ::listen(listenSocket_, kListenBacklog);
    return true;
}

std::string SampleFeedServer::BaseUrl() const {
    const std::string host =
        options_.bindAddress.find(':') != std::string::npos ? "[" + options_.bindAddress + "]" : options_.bindAddress;
    return "http://" + host + ":" + std::to_string(port_);
}

void SampleFeedServer::Run() {
    server_->listen_after_bind();
}

bool SampleFeedServer::Start(std::string& error) {
    if (!Bind(error)) return false;
    thread_ = std::thread([this] { Run(); });
    // The socket already queues connections; waiting for the accept loop
    // makes a Stop right after Start reach it.
    for (int i = 0; i < 5000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void SampleFeedServer::Stop() {
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace nimbrel::feedgen
