// The heaviest work of an observation cycle: one reading appended to a
// history at its cap, by the quick path and by the full split, mark, join
// and collapse it must equal; and the load plus save of such a file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
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
    std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(AppendReadingAtCap)->Arg(0)->Arg(1)->ArgName("same")->Unit(benchmark::kMicrosecond);
BENCHMARK(FullRecompactionAtCap)->Arg(0)->Arg(1)->ArgName("same")->Unit(benchmark::kMicrosecond);
BENCHMARK(DropOldestFromPlainStringsAtCap)->Unit(benchmark::kMicrosecond);
BENCHMARK(LoadAndSaveAtCap)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
