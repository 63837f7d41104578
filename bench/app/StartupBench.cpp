// What the program costs on a real desktop, measured as a user would meet
// it: the program as its main.cpp builds it and, as the peer, a Qt Widgets
// program that shows one label, each started by exec as a process of its own
// (not forked from a loaded parent, whose pages would count in neither) on a
// private X display with a window manager (Xvfb and openbox).
//
// - Start-up: from exec to the window mapped on the display, with settings
//   files of 0, 110000 and 2,000,000 readings, against the one-label program.
// - Memory: the resident memory at the 110000-reading cap once the window is
//   up, and after the first fetch from a feed server on loopback, against the
//   one-label program once its window is up.
// - Idle: the wakeups (voluntary context switches of all its threads) and
//   the CPU time of one minute with the window up and nothing to do, against
//   the one-label program's minute.
//
// NIMBREL_BENCH_PROGRAM names another build of the program to measure (an
// older one, for a before-and-after figure).
// httplib before Xlib, whose macros (Success, None, Status) would break it.
#include <httplib.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Clock.h"
#include "base/DateTime.h"
#include "feeds/FeedGenerator.h"

namespace {

namespace fs = std::filesystem;
using namespace nimbrel;
using Clock = std::chrono::steady_clock;

constexpr int kCap = 110000;

std::string Program() {
    if (const char* p = std::getenv("NIMBREL_BENCH_PROGRAM"); p && *p) return p;
    return NIMBREL_BINARY_DIR "/src/app/nimbrel";
}

std::string Peer() {
    return NIMBREL_BINARY_DIR "/bench/app/one_label";
}

// Starts a program with the given environment added; its output goes nowhere.
pid_t Start(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setpgid(0, 0);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

// Voluntary context switches of every thread of the process: each is a
// wakeup after a wait.
long Wakeups(pid_t pid) {
    long total = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
    }
    return total;
}

// CPU time of every thread of the process so far, in milliseconds, from the
// scheduler's nanosecond count (the clock ticks of /proc/PID/stat are too
// coarse for an idle minute).
double CpuMs(pid_t pid) {
    double ns = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "schedstat");
        double onCpu = 0;
        if (in >> onCpu) ns += onCpu;
    }
    return ns / 1e6;
}

long ResidentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Xvfb with openbox, and a connection that hears every window mapped on it.
class Desktop {
public:
    Desktop() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        xvfb_ = ::fork();
        if (xvfb_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) return;
        display_ = ":" + number;
        openbox_ = Start({"openbox", "--sm-disable"}, {"DISPLAY=" + display_});
        x_ = XOpenDisplay(display_.c_str());
        if (!x_) return;
        // The window manager is up once it has claimed the root window.
        const Atom check = XInternAtom(x_, "_NET_SUPPORTING_WM_CHECK", False);
        for (int i = 0; i < 500 && !WindowManagerUp(check); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        XSelectInput(x_, DefaultRootWindow(x_), SubstructureNotifyMask);
        XSync(x_, True);
    }
    ~Desktop() {
        if (x_) XCloseDisplay(x_);
        Stop(openbox_);
        Stop(xvfb_);
    }
    bool Up() const { return x_ != nullptr; }
    const std::string& Display() const { return display_; }

    // Forgets the windows mapped so far.
    void Drain() {
        XSync(x_, False);
        while (XPending(x_)) {
            XEvent e;
            XNextEvent(x_, &e);
        }
    }
    // Waits for a top-level window to be mapped; false after `seconds`.
    bool WaitForMap(double seconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            while (XPending(x_)) {
                XEvent e;
                XNextEvent(x_, &e);
                if (e.type == MapNotify && e.xmap.event == DefaultRootWindow(x_)) return true;
            }
            pollfd p{ConnectionNumber(x_), POLLIN, 0};
            ::poll(&p, 1, 5);
        }
        return false;
    }

private:
    bool WindowManagerUp(Atom check) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        const bool up = XGetWindowProperty(x_, DefaultRootWindow(x_), check, 0, 1, False, AnyPropertyType, &type,
                                           &format, &items, &after, &data) == Success &&
                        items > 0;
        if (data) XFree(data);
        return up;
    }
    pid_t xvfb_ = -1, openbox_ = -1;
    std::string display_;
    ::Display* x_ = nullptr;
};

Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

// The feed server on loopback: the two documents for any location, and a
// count of the forecasts it served (the second half of a fetch).
class FeedServer {
public:
    FeedServer() {
        server_.Get(R"(/weather/feeds/rss/(obs|5day)/id/([^/]*)\.xml)",
                    [this](const httplib::Request& req, httplib::Response& res) {
                        const std::string id = req.matches[2];
                        const bool obs = req.matches[1] == "obs";
                        res.set_content(obs ? feedgen::ObservationDocument(id, Now(), url_)
                                            : feedgen::ForecastDocument(id, Now(), url_),
                                        "application/rss+xml");
                        if (!obs) ++forecasts_;
                    });
        port_ = server_.bind_to_any_port("127.0.0.1");
        url_ = "http://127.0.0.1:" + std::to_string(port_);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~FeedServer() {
        server_.stop();
        thread_.join();
    }
    const std::string& Url() const { return url_; }
    int Forecasts() const { return forecasts_; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::string url_;
    std::atomic<int> forecasts_{0};
};

FeedServer& TheServer() {
    static FeedServer server;
    return server;
}

// A settings file of `readings` readings five minutes apart up to now, each
// differing from its neighbours so that thinning keeps every one, made once.
std::string SettingsFile(int readings) {
    const std::string path = (fs::temp_directory_path() / ("nimbrel-app-bench-" + std::to_string(::getpid()) + "-" +
                                                           std::to_string(readings) + ".txt"))
                                 .string();
    if (fs::exists(path)) return path;
    // The files (50 MB for the largest) go when the benchmark ends.
    struct Made {
        std::vector<std::string> paths;
        ~Made() {
            for (const std::string& p : paths) ::unlink(p.c_str());
        }
    };
    static Made made;
    made.paths.push_back(path);
    std::string temps, humids, times;
    const DateTime end = Now();
    for (int i = 0; i < readings; ++i) {
        const char* sep = i ? "," : "";
        temps.append(sep).append(std::to_string(5 + (i % 2) + (i / 500) % 10));
        humids.append(sep).append(std::to_string(60 + (i % 3)));
        times.append(sep).append(FormatDateTime(end - (readings - 1 - i) * (5.0 / 1440)));
    }
    std::ofstream out(path, std::ios::binary);
    out << "<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n<last reading>sunny,12,66,"
        << FormatDateTime(end) << "</last reading>\r\n<last times>" << times << "</last times>\r\n<last humids>"
        << humids << "</last humids>\r\n<last temps>" << temps
        << "</last temps>\r\n<forecast></forecast>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n";
    return path;
}

struct Run {
    double mapMs = -1;
    long startupKiB = -1, fetchedKiB = -1;
    long idleWakeups = -1;
    double idleCpuMs = -1;
};

// One start of the program on a fresh copy of the settings file (or of the
// peer when `settings` is empty): the time to its mapped window and, with
// `memory`, its memory once it has settled and, with `fetch`, after the first
// fetch.
Run RunOnce(const std::string& settings, bool memory, bool fetch = false, bool idle = false) {
    Desktop& d = TheDesktop();
    Run r;
    std::string home = (fs::temp_directory_path() / "nimbrel-app-bench-XXXXXX").string();
    if (!::mkdtemp(home.data())) return r;
    const std::string folder = home + "/data";
    fs::create_directories(folder);
    if (!settings.empty()) fs::copy_file(settings, folder + "/settings.txt");
    std::vector<std::string> args = {Peer()};
    if (!settings.empty()) {
        args = {Program(), "--folder", folder, "--feed", TheServer().Url()};
        if (fetch) args.push_back("--fetch-now");
    }
    const std::vector<std::string> env = {"DISPLAY=" + d.Display(),
                                          "QT_QPA_PLATFORM=xcb",
                                          "HOME=" + home,
                                          "XDG_CONFIG_HOME=" + home + "/config",
                                          "XDG_DATA_HOME=" + home + "/share",
                                          "XDG_STATE_HOME=" + home + "/state"};
    const int forecastsBefore = TheServer().Forecasts();
    d.Drain();
    const auto start = Clock::now();
    const pid_t pid = Start(args, env);
    if (d.WaitForMap(20)) r.mapMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!memory) {
        Stop(pid);
        fs::remove_all(home);
        return r;
    }
    // Settled: what the first second after the window brings is in.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    r.startupKiB = ResidentKiB(pid);
    if (fetch) {
        for (int i = 0; i < 1000 && TheServer().Forecasts() == forecastsBefore; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        if (TheServer().Forecasts() > forecastsBefore) r.fetchedKiB = ResidentKiB(pid);
    }
    if (idle) {
        const long wakeups = Wakeups(pid);
        const double cpu = CpuMs(pid);
        std::this_thread::sleep_for(std::chrono::seconds(60));
        r.idleWakeups = Wakeups(pid) - wakeups;
        r.idleCpuMs = CpuMs(pid) - cpu;
    }
    Stop(pid);
    fs::remove_all(home);
    return r;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

bool Ready(benchmark::State& state) {
    if (!TheDesktop().Up()) {
        state.SkipWithError("Xvfb with openbox could not be started");
        return false;
    }
    return true;
}

// From exec to the mapped window: the program with a file of `readings`
// readings against the one-label program, the median of the runs each.
void BM_StartupToMappedWindow(benchmark::State& state) {
    if (!Ready(state)) return;
    const std::string file = SettingsFile(static_cast<int>(state.range(0)));
    std::vector<double> program, peer;
    for (auto _ : state) {
        const Run p = RunOnce(file, false);
        const Run l = RunOnce({}, false);
        if (p.mapMs < 0 || l.mapMs < 0) {
            state.SkipWithError("a window was not mapped");
            return;
        }
        program.push_back(p.mapMs);
        peer.push_back(l.mapMs);
    }
    state.counters["nimbrel_ms"] = Median(program);
    state.counters["one_label_ms"] = Median(peer);
    state.counters["ratio"] = Median(program) / Median(peer);
}
BENCHMARK(BM_StartupToMappedWindow)
    ->Arg(0)
    ->Arg(kCap)
    ->Arg(2000000)
    ->ArgName("readings")
    ->Iterations(11)
    ->Unit(benchmark::kMillisecond);

// The resident memory at the cap once the window is up and after the first
// fetch, against the one-label program's once its window is up; the lowest
// of the runs each.
void BM_ResidentAtCap(benchmark::State& state) {
    if (!Ready(state)) return;
    const std::string file = SettingsFile(kCap);
    long startup = -1, fetched = -1, peer = -1;
    auto lowest = [](long& best, long v) {
        if (v > 0 && (best < 0 || v < best)) best = v;
    };
    for (auto _ : state) {
        lowest(startup, RunOnce(file, true).startupKiB);
        lowest(fetched, RunOnce(file, true, true).fetchedKiB);
        lowest(peer, RunOnce({}, true).startupKiB);
    }
    if (startup < 0 || fetched < 0 || peer < 0) {
        state.SkipWithError("a measuring run failed");
        return;
    }
    state.counters["one_label_MiB"] = double(peer) / 1024.0;
    state.counters["startup_MiB"] = double(startup) / 1024.0;
    state.counters["after_fetch_MiB"] = double(fetched) / 1024.0;
    state.counters["startup_over_one_label_MiB"] = double(startup - peer) / 1024.0;
    state.counters["after_fetch_over_one_label_MiB"] = double(fetched - peer) / 1024.0;
}
BENCHMARK(BM_ResidentAtCap)->Iterations(3)->Unit(benchmark::kMillisecond);

// One idle minute at the cap once the window is up (no fetch asked for; the
// minute's tick comes within it), against one of the one-label program: its
// wakeups and its CPU time. A figure, not a limit: what a change to timers or
// polling does shows here.
void BM_IdleMinute(benchmark::State& state) {
    if (!Ready(state)) return;
    const std::string file = SettingsFile(kCap);
    Run p, l;
    for (auto _ : state) {
        p = RunOnce(file, true, false, true);
        l = RunOnce({}, true, false, true);
    }
    if (p.idleWakeups < 0 || l.idleWakeups < 0) {
        state.SkipWithError("a measuring run failed");
        return;
    }
    state.counters["nimbrel_wakeups"] = static_cast<double>(p.idleWakeups);
    state.counters["one_label_wakeups"] = static_cast<double>(l.idleWakeups);
    state.counters["nimbrel_cpu_ms"] = p.idleCpuMs;
    state.counters["one_label_cpu_ms"] = l.idleCpuMs;
}
BENCHMARK(BM_IdleMinute)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
