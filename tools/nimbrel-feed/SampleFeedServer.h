#pragma once
// The sample feed server: the two feed documents for any location id, either
// synthetic (FeedGenerator) or read from a folder of recorded documents.
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace nimbrel {
class OpenMeteoSource;
}

namespace nimbrel::feedgen {

struct ServerOptions {
    std::string bindAddress = "127.0.0.1";
    int port = 8077;  // 0 picks a free port
    // When set, documents come from this folder instead (see FileFor).
    std::string dir;
    // "sample" (synthetic) or "open-meteo": real weather, the location id
    // being "LAT,LON"; one upstream request serves every desktop asking for
    // that place within ten minutes.
    std::string source = "sample";
    std::string openMeteoBase;  // empty: OpenMeteoBaseUrl()
    // With open-meteo: the most distinct places (after rounding to the
    // service's grid of two decimals) asked for upstream in any hour; a
    // request for one more is answered 429 until an hour has passed since
    // the oldest. Keeps one client asking for endless places from making the
    // server a relay of requests to the service.
    int placesPerHour = 60;
};

class SampleFeedServer {
public:
    explicit SampleFeedServer(ServerOptions options);
    ~SampleFeedServer();
    SampleFeedServer(const SampleFeedServer&) = delete;
    SampleFeedServer& operator=(const SampleFeedServer&) = delete;

    // Binds the socket; false (with a reason) when the address is taken or
    // invalid. After it Port() is the port really bound.
    bool Bind(std::string& error);
    int Port() const { return port_; }
    std::string BaseUrl() const;
    // Serves until Stop (from another thread).
    void Run();
    // Bind and Run on a thread of its own (tests).
    bool Start(std::string& error);
    void Stop();

private:
    ServerOptions options_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = -1;
    struct KnownPlace {
        std::shared_ptr<OpenMeteoSource> source;
        std::chrono::steady_clock::time_point since;  // first asked for in this hour
    };
    std::mutex placesMutex_;
    std::map<std::string, KnownPlace> places_;
    enum class PlaceAnswer { Source, NotAPlace, OverBound };
    PlaceAnswer SourceFor(const std::string& id, std::shared_ptr<OpenMeteoSource>& source, long& retrySeconds);
    int listenSocket_ = -1;
};

// The file a recorded-documents folder holds for a request: the URL path
// below dir if it exists, else dir/obs/ID.xml (dir/5day/ID.xml), else
// dir/obs.xml (dir/5day.xml). Ids that are not plain names are refused, and
// so is any file whose real path (links followed) lies outside dir or that
// is not a regular file. The result is that real path.
std::string FileFor(const std::string& dir, const std::string& kind, const std::string& id);

}  // namespace nimbrel::feedgen
