// Capture of the graph window to a saved JPEG file, and its two halves: the
// window copied into a picture, and the encoder on the picture buffer. The
// encoder's share of the whole is what the user waits for.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "GraphTestHost.h"
#include "XvfbDisplay.h"
#include "base/Clock.h"
#include "graph/GraphCapture.h"
#include "graph/frmGraph.h"
#include "jpeg/cJpeg.h"
#include "platform/qt/modCapture.h"
#include "platform/ui/MessageBox.h"

namespace fs = std::filesystem;
using namespace nimbrel;

namespace {

struct Setup {
    std::unique_ptr<testing::XvfbDisplay> xvfb;
    std::unique_ptr<QApplication> app;
    QWidget* window = nullptr;
    QAction* mnCapture = nullptr;
    fs::path folder;
};

Setup& TheSetup() {
    static Setup s;
    return s;
}

// The graph window at its first size, with its chart drawn.
std::unique_ptr<testing::GraphTestHost> g_host;
QWidget* MakeGraphWindow(QAction** mnCapture) {
    g_host = std::make_unique<testing::GraphTestHost>();
    frmGraph& w = g_host->Window();
    *mnCapture = w.MenuItem("mnCapture");
    return &w;
}

void Pump(int rounds) {
    for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void StartUp() {
    Setup& s = TheSetup();
    s.xvfb = std::make_unique<testing::XvfbDisplay>();
    if (s.xvfb->Started()) {
        setenv("DISPLAY", s.xvfb->Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    static int argc = 1;
    static char name[] = "capture-bench";
    static char* argv[] = {name, nullptr};
    s.app = std::make_unique<QApplication>(argc, argv);
    s.window = MakeGraphWindow(&s.mnCapture);
    s.window->show();
    for (int i = 0; i < 500 && !(s.window->windowHandle() && s.window->windowHandle()->isExposed()); ++i) Pump(1);
    Pump(20);
    s.folder = fs::temp_directory_path() / ("nimbrel-capture-bench-" + std::to_string(getpid()));
    fs::create_directories(s.folder);
    SetMessageHandler({});  // no one to click the box away
}

// A new second for every file, across all runs of every benchmark: the
// encoder never overwrites, so a repeated name would skip the write.
DateTime NextSecond() {
    static int second = 0;
    return DateSerial(2026, 12, 6) + TimeSerial(14, 15, 3) + (second++) / 86400.0;
}

// A file name not used before in this process.
std::string NewFile(const fs::path& folder, const char* stem) {
    static int n = 0;
    return (folder / (std::string(stem) + "-" + std::to_string(n++) + ".jpg")).string();
}

void BM_CaptureToSavedFile(benchmark::State& state) {
    Setup& s = TheSetup();
    PictureBox buffer;
    ScopedClock clock(NextSecond());
    CaptureTarget target{s.window, s.mnCapture, &buffer, s.folder.string(), "Nimbrel"};
    int64_t saved = 0;
    for (auto _ : state) {
        clock.Set(NextSecond());
        saved += mnCapture_Click(target).outcome == CaptureOutcome::Saved;
    }
    state.counters["saved"] = benchmark::Counter(double(saved) / double(state.iterations()));
    state.SetLabel(std::string(ReadsFromScreen(*s.window) ? "screen" : "composed") + " " +
                   std::to_string(buffer.ScaleWidth()) + "x" + std::to_string(buffer.ScaleHeight()));
}

// The command's steps one by one, each timed on its own within one pass, so
// the shares add up to the whole.
void BM_CaptureSteps(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    Setup& s = TheSetup();
    PictureBox buffer;
    double capture = 0, fill = 0, pump = 0, encode = 0;
    int64_t saved = 0;
    for (auto _ : state) {
        s.mnCapture->setEnabled(false);
        const auto t0 = Clock::now();
        PicturePtr pic = CaptureFormImage(*s.window);
        const auto t1 = Clock::now();
        buffer.Cls();
        buffer.SetPicture(std::move(pic));
        const auto t2 = Clock::now();
        QCoreApplication::processEvents();
        const auto t3 = Clock::now();
        cJpeg jpeg;
        jpeg.Quality(75);
        jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        jpeg.SampleHDC(buffer.hDC(), buffer.ScaleWidth(), buffer.ScaleHeight(), 0, 0);
        saved += jpeg.SaveFile(NewFile(s.folder, "steps")) == 0;
        const auto t4 = Clock::now();
        s.mnCapture->setEnabled(true);
        QCoreApplication::processEvents();  // the item shown enabled again
        const auto t5 = Clock::now();
        auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
        capture += ms(t1 - t0);
        fill += ms(t2 - t1);
        pump += ms(t3 - t2);
        encode += ms(t4 - t3);
        pump += ms(t5 - t4);
    }
    const double k = double(state.iterations());
    state.counters["capture_ms"] = capture / k;
    state.counters["buffer_ms"] = fill / k;
    state.counters["pump_ms"] = pump / k;
    state.counters["encode_ms"] = encode / k;
    state.counters["encode_share"] = encode / (capture + fill + pump + encode);
    state.counters["saved"] = double(saved) / k;
}

void BM_CaptureFormImage(benchmark::State& state) {
    Setup& s = TheSetup();
    for (auto _ : state) {
        PicturePtr pic = CaptureFormImage(*s.window);
        benchmark::DoNotOptimize(pic->Handle());
    }
}

void BM_EncodeBufferToFile(benchmark::State& state) {
    Setup& s = TheSetup();
    PictureBox buffer;
    buffer.SetPicture(CaptureFormImage(*s.window));
    int64_t saved = 0;
    for (auto _ : state) {
        cJpeg jpeg;
        jpeg.Quality(75);
        jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        jpeg.SampleHDC(buffer.hDC(), buffer.ScaleWidth(), buffer.ScaleHeight(), 0, 0);
        saved += jpeg.SaveFile(NewFile(s.folder, "encode")) == 0;
    }
    state.counters["saved"] = double(saved) / double(state.iterations());
}

BENCHMARK(BM_CaptureToSavedFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureSteps)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaptureFormImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeBufferToFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    StartUp();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Setup& s = TheSetup();
    std::error_code ec;
    fs::remove_all(s.folder, ec);
    s.window = nullptr;
    g_host.reset();
    s.app.reset();
    s.xvfb.reset();
    return 0;
}
