#pragma once
// A stand-in for both Open-Meteo services on loopback: the forecast answer
// and the place search answers are the test's to choose, written in the
// form the services document. Counts the forecast requests it answered.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace nimbrel::test {

// An answer for Berlin (UTC+1 in winter) on Tuesday 8 December 2026.
inline std::string BerlinForecastJson(int offsetSeconds = 3600) {
    return R"({"latitude":52.52,"longitude":13.419998,"generationtime_ms":0.05,"utc_offset_seconds":)" +
           std::to_string(offsetSeconds) + R"(,"timezone":"Europe/Berlin","timezone_abbreviation":"GMT+1",
"elevation":38.0,"current_units":{"time":"iso8601","interval":"seconds","temperature_2m":"°C",
"relative_humidity_2m":"%","weather_code":"wmo code","is_day":""},
"current":{"time":"2026-12-08T14:15","interval":900,"temperature_2m":26.5,"relative_humidity_2m":81.5,
"weather_code":61,"is_day":1},
"daily_units":{"time":"iso8601","weather_code":"wmo code","temperature_2m_max":"°C","temperature_2m_min":"°C",
"relative_humidity_2m_mean":"%","sunrise":"iso8601","sunset":"iso8601"},
"daily":{"time":["2026-12-08","2026-12-09","2026-12-10"],"weather_code":[3,61,45],
"temperature_2m_max":[27.5,6.5,2.1],"temperature_2m_min":[-0.5,2.5,-3.2],
"relative_humidity_2m_mean":[84.5,90,78],
"sunrise":["2026-12-08T08:05","2026-12-09T08:06","2026-12-10T08:07"],
"sunset":["2026-12-08T15:53","2026-12-09T15:53","2026-12-10T15:54"]}})";
}

inline std::string BerlinSearchJson() {
    return R"({"results":[{"id":2950159,"name":"Berlin","latitude":52.52437,"longitude":13.41053,"elevation":74.0,
"feature_code":"PPLC","country_code":"DE","timezone":"Europe/Berlin","population":3426354,
"country_id":2921044,"country":"Germany","admin1":"Land Berlin"},
{"id":5083330,"name":"Berlin","latitude":44.46867,"longitude":-71.18508,"country_code":"US",
"timezone":"America/New_York","country":"United States","admin1":"New Hampshire"}],"generationtime_ms":0.7})";
}

class FakeOpenMeteo {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::string contentType = "application/json";
    };

    FakeOpenMeteo() {
        forecast_.body = BerlinForecastJson();
        searches_["Berlin"] = {200, BerlinSearchJson()};
        server_.Get("/v1/forecast", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++forecastRequests_;
            lastQuery_ = req.params;
            lastUserAgent_ = req.get_header_value("User-Agent");
            res.status = forecast_.status;
            res.set_content(forecast_.body, forecast_.contentType);
        });
        server_.Get("/v1/search", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            const std::string name = req.get_param_value("name");
            const auto it = searches_.find(name);
            const Answer a = it != searches_.end() ? it->second : Answer{200, R"({"generationtime_ms":0.3})"};
            res.status = a.status;
            res.set_content(a.body, a.contentType);
        });
        server_.Get("/moved/v1/forecast", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/v1/forecast?latitude=52.52&longitude=13.41");
        });
        server_.Get("/huge/v1/forecast", [this](const httplib::Request&, httplib::Response& res) {
            // 100 MB of blanks before a valid answer: valid JSON, far too big.
            res.set_chunked_content_provider("application/json", [this](size_t offset, httplib::DataSink& sink) {
                static const std::string block(64 * 1024, ' ');
                if (stopping_) return false;
                if (offset >= 100u * 1024u * 1024u) {
                    const std::string tail = BerlinForecastJson();
                    sink.write(tail.data(), tail.size());
                    sink.done();
                    return true;
                }
                return sink.write(block.data(), block.size());
            });
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FakeOpenMeteo() {
        stopping_ = true;
        server_.stop();
        thread_.join();
    }

    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void SetForecast(Answer a) {
        std::lock_guard<std::mutex> lock(mutex_);
        forecast_ = std::move(a);
    }
    void SetSearch(const std::string& name, Answer a) {
        std::lock_guard<std::mutex> lock(mutex_);
        searches_[name] = std::move(a);
    }
    int ForecastRequests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return forecastRequests_;
    }
    httplib::Params LastQuery() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastQuery_;
    }
    std::string LastUserAgent() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastUserAgent_;
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    Answer forecast_;
    std::map<std::string, Answer> searches_;
    int forecastRequests_ = 0;
    httplib::Params lastQuery_;
    std::string lastUserAgent_;
};

}  // namespace nimbrel::test
