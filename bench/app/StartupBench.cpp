// Start-up to first paint with a full history of 110000 readings: the
// settings file is read and thinned, the window is shown and painted (the
// chart is built when the graph window is first opened; bench/chart times
// it). The resident memory after it is reported as a counter.
// The resident memory is also taken in a fresh process each, started the same
// way (forked before this process makes any Qt object) on the same offscreen
// display: the program at the cap against the floor of a minimal Qt Widgets
// program that shows one label.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPaintEvent>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "app/frmMain.h"
#include "app/modSysTray.h"
#include "base/Clock.h"
#include "controls/ControlWidget.h"

namespace {

namespace fs = std::filesystem;
using namespace nimbrel;

struct NoTray : TrayHost {
    bool Available() const override { return true; }
    void NotifyIcon(unsigned, const NotifyIconData&) override {}
};

// A history whose readings all differ from their neighbours, so thinning
// keeps every one of them: 110000 readings five minutes apart.
fs::path MakeFolder() {
    fs::path dir = fs::temp_directory_path() / ("nimbrel_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string temps, humids, times;
    temps.reserve(400000);
    humids.reserve(400000);
    times.reserve(2200000);
    const DateTime end = Now();
    const int n = kHistoryCap;
    for (int i = 0; i < n; ++i) {
        const std::string sep = i ? "," : "";
        temps += sep + std::to_string(5 + (i % 2) + (i / 500) % 10);
        humids += sep + std::to_string(60 + (i % 3));
        times += sep + FormatDateTime(end - (n - 1 - i) * (5.0 / 1440));
    }
    const std::string crlf = "\r\n";
    std::ofstream out(dir / "settings.txt", std::ios::binary);
    out << "<options>" << crlf << "<debug>0</debug>" << crlf << "</options>" << crlf << "<weather>" << crlf
        << "<last reading>sunny,12,66," << FormatDateTime(end) << "</last reading>" << crlf << "<last times>" << times
        << "</last times>" << crlf << "<last humids>" << humids << "</last humids>" << crlf << "<last temps>" << temps
        << "</last temps>" << crlf
        << "<forecast>05/12/2026: sunny, 5->12\xC2\xB0"
           "C, H=80%, SR=07:50GMT, SS=15:55GMT"
        << crlf
        << "06/12/2026: light rain, 4->9\xC2\xB0"
           "C, H=90%, SR=07:51GMT, SS=15:54GMT"
        << crlf
        << "07/12/2026: cloudy, 2->6\xC2\xB0"
           "C, H=95%, SR=07:53GMT, SS=15:54GMT</forecast>"
        << crlf << "<loc>1769</loc>" << crlf << "<minutes>5</minutes>" << crlf << "</weather>" << crlf;
    return dir;
}

// A figure of /proc/self/status in KiB: VmRSS, or RssAnon (the heap and
// stacks, where the history lives) apart from the mapped files (code, fonts).
long StatusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':') return std::stol(line.substr(n + 1));
    return 0;
}

long ResidentKiB() {
    return StatusKiB("VmRSS");
}

struct Resident {
    long total = -1, anon = -1;
};

Resident ResidentNow() {
    return {StatusKiB("VmRSS"), StatusKiB("RssAnon")};
}

// Runs `work` in a forked child and gives the resident memory (KiB) it
// reports, or -1 for each figure.
Resident ResidentInChild(const std::function<Resident()>& work) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const Resident kib = work();
        if (::write(fds[1], &kib, sizeof kib) != sizeof kib) ::_exit(1);
        ::_exit(0);
    }
    ::close(fds[1]);
    Resident kib;
    if (pid < 0 || ::read(fds[0], &kib, sizeof kib) != sizeof kib) kib = Resident{};
    ::close(fds[0]);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
    return kib;
}

struct PaintedLabel : QLabel {
    using QLabel::QLabel;
    bool painted = false;
    void paintEvent(QPaintEvent* e) override {
        QLabel::paintEvent(e);
        painted = true;
    }
};

Resident FloorChild() {
    static int argc = 1;
    static char name[] = "app_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PaintedLabel label(QStringLiteral("Nimbrel"));
    label.show();
    while (!label.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return ResidentNow();
}

// The program's window on a folder, loaded, shown and painted once.
void LoadAndPaint(frmMain& form) {
    form.Load();
    form.ShowFirst();
    auto* today = form.findChild<ControlWidget*>(QStringLiteral("MFC_Today"));
    while (today->PaintCount() == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

frmMain::Config BenchConfig(const fs::path& dir) {
    frmMain::Config c;
    c.folder = dir.string();
    c.onEnded = [] {};
    return c;
}

Resident AtCapChild(const fs::path& dir, bool openGraph) {
    static int argc = 1;
    static char name[] = "app_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetTrayHost(std::make_shared<NoTray>());
    frmMain form(BenchConfig(dir));
    LoadAndPaint(form);
    if (openGraph) {
        // The graph window, made, drawn and shown when the user first opens it.
        form.ShowGraphWindow();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return ResidentNow();
}

// The figure is the resident memory of the program at the cap beside the
// floor, each the lowest of the runs; with the argument 1, after the graph
// window was opened as well (it is made only then).
void BM_ResidentAtCapAgainstFloor(benchmark::State& state) {
    const bool openGraph = state.range(0) == 1;
    const fs::path dir = MakeFolder();
    Resident floor, cap;
    auto lowest = [](Resident& best, const Resident& r) {
        if (best.total < 0 || r.total < best.total) best.total = r.total;
        if (best.anon < 0 || r.anon < best.anon) best.anon = r.anon;
    };
    for (auto _ : state) {
        const Resident f = ResidentInChild(FloorChild);
        const Resident a = ResidentInChild([&] { return AtCapChild(dir, openGraph); });
        if (f.total < 0 || a.total < 0) {
            state.SkipWithError("a measuring process failed");
            break;
        }
        lowest(floor, f);
        lowest(cap, a);
    }
    state.counters["floor_MiB"] = double(floor.total) / 1024.0;
    state.counters["at_cap_MiB"] = double(cap.total) / 1024.0;
    state.counters["over_floor_MiB"] = double(cap.total - floor.total) / 1024.0;
    state.counters["ratio"] = floor.total > 0 ? double(cap.total) / double(floor.total) : 0.0;
    // Of that, the heap: the code and fonts only the program uses are the rest.
    state.counters["anon_over_floor_MiB"] = double(cap.anon - floor.anon) / 1024.0;
    fs::remove_all(dir);
}
// Registered first: the children must be forked before this process holds
// any Qt object of its own.
BENCHMARK(BM_ResidentAtCapAgainstFloor)->Arg(0)->Arg(1)->ArgName("graph")->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StartupToFirstPaint(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "app_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
    SetTrayHost(std::make_shared<NoTray>());
    const fs::path dir = MakeFolder();
    size_t readings = 0;
    for (auto _ : state) {
        frmMain form(BenchConfig(dir));
        LoadAndPaint(form);
        state.PauseTiming();
        state.counters["resident_MiB"] = double(ResidentKiB()) / 1024.0;
        state.ResumeTiming();
    }
    {
        // The readings the window kept, as its exit save writes them.
        frmMain form(BenchConfig(dir));
        form.Load();
        form.Exit();
        std::ifstream in(dir / "settings.txt", std::ios::binary);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("<last times>", 0) == 0) readings = size_t(std::count(line.begin(), line.end(), ',') + 1);
    }
    state.counters["readings"] = double(readings);
    fs::remove_all(dir);
}
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
