#pragma once
// What the main window's tests share: one QApplication on the offscreen
// platform, a temporary program folder, a feed server on loopback that
// serves fixed documents (optionally slowly) and counts its requests, and
// recorders for message boxes and the tray.
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/modSysTray.h"
#include "platform/ui/MessageBox.h"

namespace httplib {
class Server;
}

namespace nimbrel::apptest {

// The QApplication of the test program (offscreen unless QT_QPA_PLATFORM says otherwise).
void EnsureApp();
bool PumpUntil(const std::function<bool()>& ready, int timeoutMs = 5000);
void PumpFor(int ms);

// A whole file as it is on disk ("" when it cannot be read), and a file
// written with exactly the given bytes.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }
    std::filesystem::path Settings() const { return path_ / "settings.txt"; }

private:
    std::filesystem::path path_;
};

// Documents the parsers read: an observation with the given summary,
// temperature and humidity, and a forecast for Saturday, Sunday, Monday.
std::string ObservationDoc(const std::string& summary, const std::string& temperature, const std::string& humidity);
std::string ForecastDoc();

// A real HTTP server on 127.0.0.1 with a free port.
class FeedServer {
public:
    FeedServer();
    ~FeedServer();
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    int ObservationRequests() const { return obs_.load(); }
    int ForecastRequests() const { return fc_.load(); }
    // Requests in the order they came ("obs", "5day").
    std::vector<std::string> Log() const;
    // The paths asked for, in the same order.
    std::vector<std::string> Paths() const;
    void SetObservation(std::string doc);
    void SetForecast(std::string doc);
    // Every answer waits this long before it is sent.
    void SetDelayMs(int ms) { delayMs_ = ms; }
    // Answers of the kind come with this status (200: the document; any
    // other: a short error text).
    void SetStatus(bool forecast, int status);
    // The server goes away (connections are refused) and comes back on the
    // same port.
    void Stop();
    void Start();

private:
    void Listen(int port);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> obs_{0}, fc_{0}, delayMs_{0};
    mutable std::mutex mutex_;
    std::string obsDoc_, fcDoc_;
    int obsStatus_ = 200, fcStatus_ = 200;
    std::vector<std::string> log_, paths_;
};

// Records every message box and question instead of showing it.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<MessageRequest> messages;
    // Questions asked, and the answers given in turn (true: the first
    // button); once they run out, the second button.
    std::vector<QuestionRequest> questions;
    std::vector<bool> answers;

private:
    MessageHandler previous_;
    QuestionHandler previousQuestion_;
};

// The notification area, recorded. Available() as given.
class FakeTray : public TrayHost {
public:
    bool available = true;
    std::vector<std::pair<unsigned, NotifyIconData>> calls;
    bool Available() const override { return available; }
    void NotifyIcon(unsigned message, const NotifyIconData& record) override { calls.emplace_back(message, record); }
};

// Installs a FakeTray for the life of the object.
class ScopedTray {
public:
    explicit ScopedTray(bool available = true);
    ~ScopedTray();
    FakeTray& tray() { return *tray_; }

private:
    std::shared_ptr<FakeTray> tray_;
    std::shared_ptr<TrayHost> previous_;
};

}  // namespace nimbrel::apptest
