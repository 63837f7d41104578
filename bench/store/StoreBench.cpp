// The heaviest work of an observation cycle: one reading appended to a
// history at its cap, by the quick path and by the full split, mark, join
// and collapse it must equal; the load plus save of such a file; the load of
// files of 0, 110000 and 2,000,000 readings against the load at the cap (a
// file beyond the cap is read from its newest end), with the memory each
// load needs at its peak; a save with and without a change; and how long
// the save holds its caller when its flushes run in the background.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Clock.h"
#include "store/SettingsStore.h"

using namespace nimbrel;

namespace {

// A full history of readings that alternate, so thinning keeps every one.
void FillToCap(SettingsStore& s) {
    s.TempHistory.clear();
    s.HumidHistory.clear();
    s.TimeHistory.clear();
    DateTime t = DateSerial(2025, 1, 1);
    for (int i = 0; i < kHistoryCap; ++i) {
        const std::string sep = i ? "," : "";
        s.TempHistory += sep + std::to_string(i % 2 ? 12 : 13);
        s.HumidHistory += sep + "80";
        s.TimeHistory += sep + FormatDateTime(t);
        t += 300.0 / 86400;
    }
    s.CompactHistory();
}

// Readings that differ each time (every one kept) or stay the same (each new
// one replaces the one before).
void Readings(benchmark::State& state, bool full) {
    const bool same = state.range(0) == 1;
    ScopedClock clock(DateSerial(2026, 12, 7));
    SettingsStore s;
    FillToCap(s);
    int i = 0;
    const auto loopStart = std::chrono::steady_clock::now();
    for (auto _ : state) {
        clock.Advance(300.0 / 86400);
        const std::string temp = same ? "20" : std::to_string(i++ % 2 ? 12 : 13);
        s.LastReading = "Cloudy," + temp + ",80," + FormatDateTime(Now());
        if (full) {
            AppendToList(s.TempHistory, temp);
            AppendToList(s.HumidHistory, "80");
            AppendToList(s.TimeHistory, FormatDateTime(Now()));
            s.CompactHistory();
        } else {
            s.AppendReading();
        }
        benchmark::DoNotOptimize(s.TimeHistory.data());
    }
    if (full) return;
    const double quickUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - loopStart).count() /
        double(state.iterations());
    // The peer in the same run: the full recompaction of the same append,
    // timed on the history as the quick appends left it.
    constexpr int kPeerRuns = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < kPeerRuns; ++k) {
        clock.Advance(300.0 / 86400);
        const std::string temp = same ? "20" : std::to_string(i++ % 2 ? 12 : 13);
        AppendToList(s.TempHistory, temp);
        AppendToList(s.HumidHistory, "80");
        AppendToList(s.TimeHistory, FormatDateTime(Now()));
        s.CompactHistory();
    }
    const double peerUs =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / kPeerRuns;
    state.counters["full_recompaction_us"] = peerUs;
    state.counters["quick_append_us"] = quickUs;
    state.counters["ratio"] = peerUs > 0 ? quickUs / peerUs : 0;
}

void AppendReadingAtCap(benchmark::State& state) {
    Readings(state, false);
}
void FullRecompactionAtCap(benchmark::State& state) {
    Readings(state, true);
}

// What an append at the cap cost while each list was one plain string: the
// move of the three lists to drop their oldest entry, and the new one added.
void DropOldestFromPlainStringsAtCap(benchmark::State& state) {
    SettingsStore s;
    FillToCap(s);
    std::string lists[3] = {s.TempHistory.str(), s.HumidHistory.str(), s.TimeHistory.str()};
    for (auto _ : state) {
        for (std::string* list : {&lists[0], &lists[1], &lists[2]}) {
            const size_t p = list->find(',');
            const std::string first = list->substr(0, p);
            list->erase(0, p + 1);
            *list += ',';
            *list += first;
        }
        benchmark::DoNotOptimize(lists[2].data());
    }
}

void LoadAndSaveAtCap(benchmark::State& state) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "nimbrel-bench-store-XXXXXX").string();
    const std::string dir = ::mkdtemp(tmpl.data());
    {
        SettingsStore s;
        s.SetFolder(dir);
        FillToCap(s);
        s.LastReading = "Cloudy,12,80,07/12/2026 10:00:00";
        s.SaveSettings();
    }
    for (auto _ : state) {
        SettingsStore s;
        s.SetFolder(dir);
        s.LoadSettings();
        s.SaveSettings();
        if (!s.LastSaveSucceeded()) state.SkipWithError("save failed");
    }
}

// A settings file of `readings` readings, each differing from its neighbours
// so that thinning keeps them all, made once per run.
std::string FileOf(int readings) {
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("nimbrel-bench-load-" + std::to_string(::getpid()) + "-" + std::to_string(readings)))
                                .string();
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/settings.txt";
    if (std::filesystem::exists(path)) return dir;
    std::string temps, humids, times;
    DateTime t = DateSerial(2020, 1, 1);
    for (int i = 0; i < readings; ++i) {
        const char* sep = i ? "," : "";
        temps.append(sep).append(i % 2 ? "12" : "13");
        humids.append(sep).append(std::to_string(60 + i % 3));
        times.append(sep).append(FormatDateTime(t));
        t += 60.0 / 86400;
    }
    std::ofstream out(path, std::ios::binary);
    out << "<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n<last reading>Cloudy,12,80,07/12/2026 "
           "10:00:00</last reading>\r\n<last times>"
        << times << "</last times>\r\n<last humids>" << humids << "</last humids>\r\n<last temps>" << temps
        << "</last temps>\r\n<forecast></forecast>\r\n<loc>1769</loc>\r\n<minutes>5</minutes>\r\n</weather>\r\n";
    return dir;
}

long StatusKiB(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0 && line[n] == ':') return std::stol(line.substr(n + 1));
    return 0;
}

double CpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct FreshLoad {
    double cpuMs = -1;    // processor time of the load, the system's reading of the file included
    double peakMiB = -1;  // the peak of resident memory over what the process held before
};

// One load in a fresh process (this program started again, not forked: a
// forked child would reuse pages its parent had already touched and hide
// part of the cost, as a program starting up does not).
FreshLoad LoadInFreshProcess(const std::string& dir) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::dup2(fds[1], 1);
        ::execl("/proc/self/exe", "bench_store", "--fresh-load", dir.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buf[64];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    FreshLoad r;
    if (std::sscanf(out.c_str(), "%lf %lf", &r.cpuMs, &r.peakMiB) != 2) return {};
    return r;
}

// In the fresh process.
int MeasureFreshLoad(const std::string& dir) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKiB("VmRSS");
    const double start = CpuMs();
    SettingsStore s;
    s.SetFolder(dir);
    s.LoadSettings();
    const double ms = CpuMs() - start;
    std::printf("%f %f", ms, double(StatusKiB("VmHWM") - before) / 1024.0);
    return 0;
}

// The load of a file of `readings` readings as at start-up, each in a fresh
// process; the peer is the load of a file at the cap, taken the same way in
// the same run. The figures are the lowest of the runs.
void LoadAgainstCap(benchmark::State& state) {
    const std::string dir = FileOf(static_cast<int>(state.range(0)));
    const std::string capDir = FileOf(kHistoryCap);
    FreshLoad mine{1e9, 1e9}, cap{1e9, 1e9};
    auto lowest = [](FreshLoad& best, const FreshLoad& r) {
        best.cpuMs = std::min(best.cpuMs, r.cpuMs);
        best.peakMiB = std::min(best.peakMiB, r.peakMiB);
    };
    for (auto _ : state) {
        lowest(mine, LoadInFreshProcess(dir));
        lowest(cap, LoadInFreshProcess(capDir));
    }
    state.counters["load_cpu_ms"] = mine.cpuMs;
    state.counters["cap_load_cpu_ms"] = cap.cpuMs;
    state.counters["ratio_to_cap"] = cap.cpuMs > 0 ? mine.cpuMs / cap.cpuMs : 0;
    state.counters["peak_MiB"] = mine.peakMiB;
    state.counters["cap_peak_MiB"] = cap.peakMiB;
    if (state.range(0) != kHistoryCap) std::filesystem::remove_all(dir);
}

// A store at the cap in a new folder of its own, saved once, for the save
// benchmarks; the folder is removed at the end.
struct SavedAtCap {
    std::string dir;
    SettingsStore s;
    SavedAtCap() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nimbrel-bench-save-XXXXXX").string();
        dir = ::mkdtemp(tmpl.data());
        s.SetFolder(dir);
        FillToCap(s);
        s.LastReading = "Cloudy,12,80,07/12/2026 10:00:00";
        s.SaveSettings();
    }
    ~SavedAtCap() {
        if (s.SavePending()) s.FinishBackgroundSave();
        std::filesystem::remove_all(dir);
    }
};

// The quarter-hour save at the cap: with a new reading, and with nothing
// changed since the save before (which writes nothing); the peer is the
// save with a change.
void SaveTickAtCap(benchmark::State& state) {
    const bool changed = state.range(0) == 1;
    ScopedClock clock(DateSerial(2026, 12, 7));
    SavedAtCap cap;
    SettingsStore& s = cap.s;
    int i = 0;
    for (auto _ : state) {
        if (changed) {
            clock.Advance(300.0 / 86400);
            s.LastReading = "Cloudy," + std::to_string(i++ % 2 ? 12 : 13) + ",80," + FormatDateTime(Now());
            state.PauseTiming();
            s.AppendReading();
            state.ResumeTiming();
        }
        s.SaveSettings();
        if (!s.LastSaveSucceeded()) state.SkipWithError("save failed");
    }
}

// How long the quarter-hour save with a new reading holds its caller (the
// window's thread): the save that flushes in the background against the one
// that waits for the disk, alternately in one run on the same folder. The
// caller's wall time is what a window would not answer for; the background
// flush is waited for outside the timing, before the next save.
void SaveTickCallerWaitAtCap(benchmark::State& state) {
    ScopedClock clock(DateSerial(2026, 12, 7));
    SavedAtCap cap;
    SettingsStore& s = cap.s;
    int i = 0;
    auto newReading = [&] {
        clock.Advance(300.0 / 86400);
        s.LastReading = "Cloudy," + std::to_string(i++ % 2 ? 12 : 13) + ",80," + FormatDateTime(Now());
        s.AppendReading();
    };
    using Ms = std::chrono::duration<double, std::milli>;
    double waiting = 0, background = 0, worstWaiting = 0, worstBackground = 0;
    int64_t n = 0;
    for (auto _ : state) {
        newReading();
        auto t0 = std::chrono::steady_clock::now();
        s.SaveSettings();
        const double w = Ms(std::chrono::steady_clock::now() - t0).count();
        newReading();
        t0 = std::chrono::steady_clock::now();
        s.SaveSettingsInBackground();
        const double b = Ms(std::chrono::steady_clock::now() - t0).count();
        s.FinishBackgroundSave();
        if (!s.LastSaveSucceeded()) state.SkipWithError("save failed");
        waiting += w;
        background += b;
        worstWaiting = std::max(worstWaiting, w);
        worstBackground = std::max(worstBackground, b);
        ++n;
    }
    state.counters["caller_ms_waiting"] = waiting / double(n);
    state.counters["caller_ms_background"] = background / double(n);
    state.counters["worst_ms_waiting"] = worstWaiting;
    state.counters["worst_ms_background"] = worstBackground;
    state.counters["ratio_to_waiting"] = waiting > 0 ? background / waiting : 0;
}

}  // namespace

BENCHMARK(SaveTickCallerWaitAtCap)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(LoadAgainstCap)
    ->Arg(0)
    ->Arg(kHistoryCap)
    ->Arg(2000000)
    ->ArgName("readings")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(7);
BENCHMARK(SaveTickAtCap)->Arg(0)->Arg(1)->ArgName("changed")->Unit(benchmark::kMicrosecond);
BENCHMARK(AppendReadingAtCap)->Arg(0)->Arg(1)->ArgName("same")->Unit(benchmark::kMicrosecond);
BENCHMARK(FullRecompactionAtCap)->Arg(0)->Arg(1)->ArgName("same")->Unit(benchmark::kMicrosecond);
BENCHMARK(DropOldestFromPlainStringsAtCap)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadAndSaveAtCap)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--fresh-load") == 0) return MeasureFreshLoad(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
