#include "AppTestSupport.h"

#include <httplib.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "QtSession.h"

namespace nimbrel::apptest {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

void EnsureApp() {
    nimbrel::testing::EnsureApp();
}

bool PumpUntil(const std::function<bool()>& ready, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!ready()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void PumpFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TempFolder::TempFolder() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("nimbrel_app_" + std::to_string(::getpid()) + "_" + std::to_string(rd()));
    fs::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string ObservationDoc(const std::string& summary, const std::string& temperature, const std::string& humidity) {
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Observations</title>\n"
           "<item><title>Saturday at 14:00 GMT:\n" +
           summary + ". " + temperature + "&#xB0;C (54&#xB0;F)</title>\n<description>Temperature: " + temperature +
           "&#xB0;C (54&#xB0;F), Wind Direction: SW, Relative Humidity: " + humidity +
           "&#37;, Pressure: 1012mB</description></item>\n</channel></rss>\n";
}

std::string ForecastDoc() {
    auto item = [](const char* day, const char* summary, int max, int min, int humid, const char* rise,
                   const char* set) {
        return std::string("<item><title>") + day + ": " + summary + ", Max Temp: " + std::to_string(max) +
               "&#xB0;C (50&#xB0;F), Min Temp: " + std::to_string(min) +
               "&#xB0;C (40&#xB0;F)</title>\n<description>Max Temp: " + std::to_string(max) +
               "&#xB0;C, Humidity: " + std::to_string(humid) + "%, Sunrise: " + rise + ", Sunset: " + set +
               "</description></item>\n";
    };
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>Forecast</title>\n" +
           item("Saturday", "sunny", 12, 5, 80, "07:50GMT", "15:55GMT") +
           item("Sunday", "light rain", 9, 4, 90, "07:51GMT", "15:54GMT") +
           item("Monday", "heavy snow", 0, -3, 95, "07:53GMT", "15:54GMT") + "</channel></rss>\n";
}

FeedServer::FeedServer() {
    obsDoc_ = ObservationDoc("Sunny", "12", "66");
    fcDoc_ = ForecastDoc();
    Listen(0);
}

void FeedServer::Listen(int port) {
    server_ = std::make_unique<httplib::Server>();
    auto answer = [this](bool forecast) {
        return [this, forecast](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                log_.push_back(forecast ? "5day" : "obs");
                paths_.push_back(req.path);
            }
            (forecast ? fc_ : obs_)++;
            if (int d = delayMs_.load(); d > 0) std::this_thread::sleep_for(std::chrono::milliseconds(d));
            std::lock_guard<std::mutex> lock(mutex_);
            const int status = forecast ? fcStatus_ : obsStatus_;
            res.status = status;
            res.set_content(status == 200 ? (forecast ? fcDoc_ : obsDoc_) : "Internal Server Error",
                            status == 200 ? "application/rss+xml" : "text/plain");
        };
    };
    server_->Get(R"(/weather/feeds/rss/obs/id/.*)", answer(false));
    server_->Get(R"(/weather/feeds/rss/5day/id/.*)", answer(true));
    if (port == 0) {
        port_ = server_->bind_to_any_port("127.0.0.1");
    } else {
        // The port was free a moment ago; a closing socket may hold it briefly.
        for (int i = 0; i < 200 && !server_->bind_to_port("127.0.0.1", port); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 500 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void FeedServer::Stop() {
    if (!server_) return;
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

void FeedServer::Start() {
    if (!server_) Listen(port_);
}

void FeedServer::SetStatus(bool forecast, int status) {
    std::lock_guard<std::mutex> lock(mutex_);
    (forecast ? fcStatus_ : obsStatus_) = status;
}

FeedServer::~FeedServer() {
    Stop();
}

std::vector<std::string> FeedServer::Log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

std::vector<std::string> FeedServer::Paths() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return paths_;
}

void FeedServer::SetObservation(std::string doc) {
    std::lock_guard<std::mutex> lock(mutex_);
    obsDoc_ = std::move(doc);
}

void FeedServer::SetForecast(std::string doc) {
    std::lock_guard<std::mutex> lock(mutex_);
    fcDoc_ = std::move(doc);
}

MessageRecorder::MessageRecorder() {
    previous_ = SetMessageHandler([this](const MessageRequest& m) { messages.push_back(m); });
    previousQuestion_ = SetQuestionHandler([this](const QuestionRequest& q) {
        questions.push_back(q);
        return questions.size() <= answers.size() && answers[questions.size() - 1];
    });
}

MessageRecorder::~MessageRecorder() {
    SetMessageHandler(std::move(previous_));
    SetQuestionHandler(std::move(previousQuestion_));
}

ScopedTray::ScopedTray(bool available) : tray_(std::make_shared<FakeTray>()) {
    tray_->available = available;
    previous_ = SetTrayHost(tray_);
}

ScopedTray::~ScopedTray() {
    SetTrayHost(std::move(previous_));
}

}  // namespace nimbrel::apptest
