// The real executable in a child process: its command line, its ending on a
// signal, and a whole run under Xvfb against the real sample feed server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "AppTestSupport.h"
#include "ChildProcess.h"
#include "FakeOpenMeteo.h"
#include "XvfbDisplay.h"

namespace nimbrel {
namespace {

using apptest::ReadFile;
namespace fs = std::filesystem;
using apptest::Child;
using apptest::Clock;
using apptest::OnPath;
using apptest::Output;
using apptest::WaitFor;

const std::string kNimbrel = std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel";
const std::string kFeed = std::string(NIMBREL_BINARY_DIR) + "/tools/nimbrel-feed/nimbrel-feed";

TEST(Program, HelpVersionABadOptionAndNoDisplayNeedNoWindow) {
    apptest::TempFolder tmp;
    const fs::path out = tmp.Path() / "out.txt";
    {
        Child c({kNimbrel, "--help"}, {}, out);
        EXPECT_EQ(c.Wait(10000), 0);
        EXPECT_NE(ReadFile(out).find("--folder DIR"), std::string::npos);
    }
    {
        Child c({kNimbrel, "--version"}, {}, out);
        EXPECT_EQ(c.Wait(10000), 0);
        EXPECT_EQ(ReadFile(out).rfind("nimbrel ", 0), 0u);
    }
    {
        Child c({kNimbrel, "--frobnicate"}, {}, out);
        EXPECT_EQ(c.Wait(10000), 2);
        EXPECT_NE(ReadFile(out).find("unknown option '--frobnicate'"), std::string::npos);
    }
    {
        // No display at all: a message and status 1, not Qt's abort.
        Child c({kNimbrel, "--folder", (tmp.Path() / "data").string()},
                {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}, out);
        EXPECT_EQ(c.Wait(10000), 1);
        EXPECT_NE(ReadFile(out).find("no display"), std::string::npos) << ReadFile(out);
    }
}

TEST(Program, EndsOnSigtermAndSigintSavingItsSettings) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        apptest::TempFolder tmp;
        const fs::path data = tmp.Path() / "data";
        // A feed server that never answers: the program must not wait for it.
        apptest::FeedServer server;
        server.SetDelayMs(4000);
        Child c({kNimbrel, "--folder", data.string(), "--feed", server.BaseUrl(), "--fetch-now"},
                {"QT_QPA_PLATFORM=offscreen"}, tmp.Path() / "out.txt");
        ASSERT_TRUE(WaitFor([&] { return server.ObservationRequests() > 0; }, 10000))
            << ReadFile(tmp.Path() / "out.txt");
        c.Signal(sig);
        const auto t0 = Clock::now();
        EXPECT_EQ(c.Wait(3000), 0) << ReadFile(tmp.Path() / "out.txt");
        EXPECT_LT(Clock::now() - t0, std::chrono::seconds(2));
        const std::string saved = ReadFile(data / "settings.txt");
        EXPECT_NE(saved.find("<minutes>5</minutes>"), std::string::npos);
        EXPECT_NE(saved.find("<loc>1769</loc>"), std::string::npos);
    }

    // Started for the tray where there is none (the offscreen platform has
    // no notification area): start-up waits on the notice that the window
    // was minimised instead. A signal then still saves and ends the program.
    apptest::TempFolder tmp;
    const fs::path data = tmp.Path() / "data";
    Child c({kNimbrel, "--folder", data.string(), "tray"}, {"QT_QPA_PLATFORM=offscreen"}, tmp.Path() / "out.txt");
    ASSERT_TRUE(WaitFor([&] { return c.Catches(SIGTERM); }, 10000)) << ReadFile(tmp.Path() / "out.txt");
    c.Signal(SIGTERM);
    EXPECT_EQ(c.Wait(3000), 0) << ReadFile(tmp.Path() / "out.txt");
    EXPECT_NE(ReadFile(data / "settings.txt").find("<minutes>5</minutes>"), std::string::npos);
}

TEST(Program, AnExitSaveThatFailsSaysWhyAndEndsWithStatusOne) {
    apptest::TempFolder tmp;
    const fs::path data = tmp.Path() / "data";
    Child c({kNimbrel, "--folder", data.string()}, {"QT_QPA_PLATFORM=offscreen"}, tmp.Path() / "out.txt");
    ASSERT_TRUE(WaitFor([&] { return c.Catches(SIGTERM); }, 10000)) << ReadFile(tmp.Path() / "out.txt");
    fs::remove_all(data);
    c.Signal(SIGTERM);
    EXPECT_EQ(c.Wait(3000), 1);
    EXPECT_NE(
        ReadFile(tmp.Path() / "out.txt")
            .find("nimbrel: cannot save the history to " + (data / "settings.txt").string() + ": its folder is gone\n"),
        std::string::npos)
        << ReadFile(tmp.Path() / "out.txt");
}

TEST(Program, ASecondStartOnTheSameFolderIsRefusedAndWritesNothing) {
    apptest::TempFolder tmp;
    const fs::path data = tmp.Path() / "data";
    apptest::FeedServer server;
    server.SetObservation(apptest::ObservationDoc("Fog", "7", "93"));
    Child first({kNimbrel, "--folder", data.string(), "--feed", server.BaseUrl(), "--fetch-now"},
                {"QT_QPA_PLATFORM=offscreen"}, tmp.Path() / "first.txt");
    ASSERT_TRUE(WaitFor([&] { return server.ObservationRequests() > 0 && first.Catches(SIGTERM); }, 10000))
        << ReadFile(tmp.Path() / "first.txt");
    // The same folder under another name is the same folder.
    {
        Child second({kNimbrel, "--folder", (data / ".." / "data").string(), "--feed", server.BaseUrl(), "--fetch-now"},
                     {"QT_QPA_PLATFORM=offscreen"}, tmp.Path() / "second.txt");
        // The running program is reached and shows its window instead.
        EXPECT_EQ(second.Wait(10000), 0) << ReadFile(tmp.Path() / "second.txt");
        EXPECT_NE(ReadFile(tmp.Path() / "second.txt").find("Its window has been brought to the front."),
                  std::string::npos)
            << ReadFile(tmp.Path() / "second.txt");
        EXPECT_NE(ReadFile(tmp.Path() / "second.txt").find("Nimbrel is already running with the folder"),
                  std::string::npos)
            << ReadFile(tmp.Path() / "second.txt");
    }
    EXPECT_EQ(server.ObservationRequests(), 1);
    EXPECT_FALSE(fs::exists(data / "settings.txt"));  // the first saves only on exit here
    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(5000), 0) << ReadFile(tmp.Path() / "first.txt");
    const std::string saved = ReadFile(data / "settings.txt");
    EXPECT_NE(saved.find("<last temps>7</last temps>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<last humids>93</last humids>"), std::string::npos) << saved;

    // The lock went with the first process: a new start runs.
    Child third({kNimbrel, "--folder", data.string()}, {"QT_QPA_PLATFORM=offscreen"}, tmp.Path() / "third.txt");
    ASSERT_TRUE(WaitFor([&] { return third.Catches(SIGTERM); }, 10000)) << ReadFile(tmp.Path() / "third.txt");
    third.Signal(SIGKILL);
    third.Wait(5000);
}

// --place against a fake of both services: the first match is taken,
// printed and kept; a later start with no option fetches from it; a name
// that matches nothing ends with status 2 and leaves settings.txt alone.
TEST(Program, PlaceIsFoundKeptAndUsedOnTheNextStart) {
    test::FakeOpenMeteo fake;
    apptest::TempFolder tmp;
    const fs::path data = tmp.Path() / "data";
    const fs::path out = tmp.Path() / "out.txt";
    const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl(),
                                          "NIMBREL_GEOCODING_URL=" + fake.BaseUrl(), "NIMBREL_FEED"};
    {
        Child none({kNimbrel, "--folder", data.string(), "--place", "Atlantis"}, env, out);
        EXPECT_EQ(none.Wait(10000), 2);
        EXPECT_NE(ReadFile(out).find("no place matches \"Atlantis\""), std::string::npos) << ReadFile(out);
        EXPECT_FALSE(fs::exists(data / "settings.txt"));
    }
    {
        Child c({kNimbrel, "--folder", data.string(), "--place", "Berlin, Germany"}, env, out);
        ASSERT_TRUE(WaitFor([&] { return fake.ForecastRequests() >= 1; }, 10000)) << ReadFile(out);
        // Both documents of the first fetch come from one request; give the
        // window time to take them.
        ASSERT_TRUE(WaitFor([&] { return ReadFile(out).find("place: Berlin") != std::string::npos; }, 5000));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        c.Signal(SIGTERM);
        EXPECT_EQ(c.Wait(5000), 0) << ReadFile(out);
        EXPECT_NE(ReadFile(out).find("place: Berlin, Land Berlin, Germany (52.5244,13.4105)"), std::string::npos)
            << ReadFile(out);
        EXPECT_EQ(fake.ForecastRequests(), 1);
    }
    const std::string saved = ReadFile(data / "settings.txt");
    EXPECT_NE(saved.find("<last reading>Light Rain,26,82,"), std::string::npos) << saved;
    EXPECT_NE(saved.find("SR=07:05GMT"), std::string::npos) << saved;
    // The twelve lines first, the place after the weather section.
    EXPECT_LT(saved.find("</weather>"), saved.find("<place>Berlin, Land Berlin, Germany</place>")) << saved;
    EXPECT_NE(saved.find("<source>open-meteo</source>"), std::string::npos);

    // No match on a later start: nothing changes, byte for byte.
    {
        Child none({kNimbrel, "--folder", data.string(), "--place", "Nowhere At All"}, env, out);
        EXPECT_EQ(none.Wait(10000), 2);
        EXPECT_EQ(ReadFile(data / "settings.txt"), saved);
    }
    // A start with no option goes on with the stored place.
    {
        Child c({kNimbrel, "--folder", data.string(), "--fetch-now"}, env, out);
        ASSERT_TRUE(WaitFor([&] { return fake.ForecastRequests() >= 2; }, 10000)) << ReadFile(out);
        c.Signal(SIGTERM);
        EXPECT_EQ(c.Wait(5000), 0) << ReadFile(out);
    }
    const std::string again = ReadFile(data / "settings.txt");
    EXPECT_NE(again.find("<place>Berlin, Land Berlin, Germany</place>"), std::string::npos) << again;
    EXPECT_NE(again.find("Light Rain,26,82"), std::string::npos);
}

// Counts pixels of the picture that are neither black nor nearly so.
int LitPixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom() && y < image.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 40) ++n;
    return n;
}

TEST(Program, RunsUnderXvfbAgainstTheSampleFeedServer) {
    if (!OnPath("Xvfb") || !OnPath("xdotool") || !OnPath("import")) GTEST_SKIP() << "needs Xvfb, xdotool and import";
    if (!fs::exists(kFeed)) GTEST_SKIP() << "nimbrel-feed is not built";
    apptest::TempFolder tmp;
    const fs::path data = tmp.Path() / "data";

    nimbrel::testing::XvfbDisplay xvfb(800, 600);
    ASSERT_TRUE(xvfb.Started());
    const std::string display = xvfb.Display();
    const std::string displayEnv = "DISPLAY=" + display;

    Child feed({kFeed, "--port", "0"}, {}, tmp.Path() / "feed.txt");
    std::string url;
    ASSERT_TRUE(WaitFor(
        [&] {
            std::string s = ReadFile(tmp.Path() / "feed.txt");
            auto p = s.find("http://");
            if (p == std::string::npos) return false;
            url = s.substr(p, s.find_first_of(" \r\n", p) - p);
            return true;
        },
        10000));

    Child app({kNimbrel, "--folder", data.string(), "--feed", url, "--fetch-now"}, {displayEnv, "QT_QPA_PLATFORM=xcb"},
              tmp.Path() / "app.txt");
    const std::string env = "DISPLAY=" + display + " ";
    const fs::path id = tmp.Path() / "id.txt";
    ASSERT_TRUE(WaitFor(
        [&] {
            return std::system(
                       (env + "xdotool search --onlyvisible --name '^Nimbrel$' > " + id.string() + " 2>/dev/null")
                           .c_str()) == 0 &&
                   fs::file_size(id) > 0;
        },
        15000))
        << ReadFile(tmp.Path() / "app.txt");
    std::string window = ReadFile(id);
    window = window.substr(0, window.find('\n'));
    if (OnPath("xprop")) {
        // A tool window without a task bar button, above the others.
        const fs::path props = tmp.Path() / "props.txt";
        std::system((env + "xprop -id " + window + " _NET_WM_STATE > " + props.string() + " 2>&1").c_str());
        EXPECT_NE(ReadFile(props).find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos) << ReadFile(props);
        EXPECT_NE(ReadFile(props).find("_NET_WM_STATE_ABOVE"), std::string::npos) << ReadFile(props);
    }

    // The first observation has arrived when the today tile shows a picture
    // and the forecast tiles show theirs.
    const fs::path shot = tmp.Path() / "main.png";
    QImage image;
    const bool arrived = WaitFor(
        [&] {
            if (std::system((env + "import -window " + window + " " + shot.string() + " 2>/dev/null").c_str()) != 0)
                return false;
            image = QImage(QString::fromStdString(shot.string()));
            return !image.isNull() && LitPixels(image, QRect(17, 40, 31, 26)) > 100 &&
                   LitPixels(image, QRect(29, 0, 31, 26)) > 100;
        },
        15000);
    ASSERT_TRUE(arrived) << ReadFile(tmp.Path() / "app.txt");
    EXPECT_EQ(image.size(), QSize(169, 97));
    // Text on the last-update line and the humidity value.
    EXPECT_GT(LitPixels(image, QRect(0, 80, 169, 17)), 60);
    EXPECT_GT(LitPixels(image, QRect(128, 56, 33, 17)), 20);
    // The red hand of the dial.
    EXPECT_GT(qRed(image.pixel(56 + 31, 50)), 200);
    fs::copy_file(shot, fs::path(NIMBREL_BINARY_DIR) / "app_e2e_main.png", fs::copy_options::overwrite_existing);

    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(5000), 0);
    const std::string saved = ReadFile(data / "settings.txt");
    const auto p = saved.find("<last reading>");
    ASSERT_NE(p, std::string::npos);
    const std::string reading = saved.substr(p + 14, saved.find("</last reading>") - p - 14);
    // summary,temperature,humidity,dd/mm/yyyy hh:nn:ss
    EXPECT_EQ(std::count(reading.begin(), reading.end(), ','), 3) << reading;
    EXPECT_NE(reading.find('/'), std::string::npos) << reading;
    EXPECT_NE(saved.find("SR="), std::string::npos);
    feed.Signal(SIGTERM);
    feed.Wait(3000);
}

// Under a real window manager and without a notification area: sent to the
// tray, the window is minimised with a task bar button instead; brought back
// from the task bar it stays on the screen, without the button again.
TEST(Program, WithoutANotificationAreaTheWindowWaitsInTheTaskBar) {
    if (!OnPath("Xvfb") || !OnPath("xdotool") || !OnPath("xprop") || !OnPath("openbox"))
        GTEST_SKIP() << "needs Xvfb, xdotool, xprop and openbox";
    apptest::TempFolder tmp;
    nimbrel::testing::XvfbDisplay xvfb(800, 600);
    ASSERT_TRUE(xvfb.Started());
    const std::string env = "DISPLAY=" + xvfb.Display() + " ";
    Child wm({"/usr/bin/env", "openbox"}, {"DISPLAY=" + xvfb.Display()}, tmp.Path() / "wm.txt");
    ASSERT_TRUE(WaitFor(
        [&] { return Output(env + "xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; },
        10000));
    // Started for the tray: the notice that there is none comes first.
    Child app({kNimbrel, "--folder", (tmp.Path() / "data").string(), "tray"},
              {"DISPLAY=" + xvfb.Display(), "QT_QPA_PLATFORM=xcb"}, tmp.Path() / "app.txt");
    std::string notice;
    ASSERT_TRUE(WaitFor(
        [&] {
            notice = Output(env + "xdotool search --onlyvisible --name '^Nimbrel$' 2>/dev/null");
            return !notice.empty();
        },
        15000))
        << ReadFile(tmp.Path() / "app.txt");
    notice = notice.substr(0, notice.find('\n'));
    std::system((env + "xdotool windowactivate --sync " + notice + " key Return 2>/dev/null").c_str());

    auto state = [&](const std::string& w) { return Output(env + "xprop -id " + w + " WM_STATE _NET_WM_STATE"); };
    std::string window;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (std::string ids = Output(env + "xdotool search --name '^Nimbrel$' 2>/dev/null"); !ids.empty();) {
                const std::string w = ids.substr(0, ids.find('\n'));
                ids.erase(0, std::min(ids.size(), w.size() + 1));
                if (state(w).find("Iconic") != std::string::npos) window = w;
            }
            return !window.empty();
        },
        10000))
        << ReadFile(tmp.Path() / "app.txt");
    EXPECT_EQ(state(window).find("SKIP_TASKBAR"), std::string::npos) << state(window);

    std::system((env + "xdotool windowactivate " + window + " 2>/dev/null").c_str());
    ASSERT_TRUE(WaitFor([&] { return state(window).find("Normal") != std::string::npos; }, 5000)) << state(window);
    // Still on the screen a moment later, not minimised again.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_NE(state(window).find("Normal"), std::string::npos) << state(window);
    EXPECT_NE(state(window).find("SKIP_TASKBAR"), std::string::npos) << state(window);

    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(5000), 0);
    wm.Signal(SIGTERM);
    wm.Wait(3000);
}

}  // namespace
}  // namespace nimbrel
