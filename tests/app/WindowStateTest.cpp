// The window on a real X display under a real window manager (openbox on
// Xvfb, with a notification area from trayer): after every way of going and
// coming back it is on the screen, above the others and out of the task bar,
// as the window manager's own property (_NET_WM_STATE) says.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "ChildProcess.h"
#include "XvfbDisplay.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using apptest::Child;
using apptest::OnPath;
using apptest::Output;
using apptest::ReadFile;
using apptest::WaitFor;

const std::string kNimbrel = std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel";

class WindowStates : public ::testing::Test {
protected:
    void SetUp() override {
        if (!OnPath("Xvfb") || !OnPath("openbox") || !OnPath("xdotool") || !OnPath("xprop") || !OnPath("trayer"))
            GTEST_SKIP() << "needs Xvfb, openbox, trayer, xdotool and xprop";
        xvfb = std::make_unique<nimbrel::testing::XvfbDisplay>(1024, 768);
        ASSERT_TRUE(xvfb->Started());
        env = "DISPLAY=" + xvfb->Display() + " ";
        wm = std::make_unique<Child>(std::vector<std::string>{"/usr/bin/openbox", "--sm-disable"},
                                     std::vector<std::string>{"DISPLAY=" + xvfb->Display()}, tmp.Path() / "wm.txt");
        ASSERT_TRUE(WaitFor(
            [&] { return Output(env + "xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos; },
            30000));
    }

    void StartTray() {
        tray = std::make_unique<Child>(std::vector<std::string>{"/usr/bin/trayer", "--edge", "bottom", "--align",
                                                                "right", "--widthtype", "request", "--height", "24"},
                                       std::vector<std::string>{"DISPLAY=" + xvfb->Display()}, tmp.Path() / "tray.txt");
        // The notification area is there once its selection has an owner;
        // a program asking before that finds no tray at all.
        ASSERT_TRUE(WaitFor([&] { return TrayOwned(); }, 20000));
    }

    bool TrayOwned() {
        xcb_connection_t* c = xcb_connect(xvfb->Display().c_str(), nullptr);
        bool owned = false;
        if (!xcb_connection_has_error(c)) {
            const char* name = "_NET_SYSTEM_TRAY_S0";
            xcb_intern_atom_reply_t* atom =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
            if (atom) {
                xcb_get_selection_owner_reply_t* owner =
                    xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
                owned = owner && owner->owner != XCB_WINDOW_NONE;
                std::free(owner);
            }
            std::free(atom);
        }
        xcb_disconnect(c);
        return owned;
    }

    std::unique_ptr<Child> Start(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {kNimbrel, "--folder", (tmp.Path() / "data").string(), "--feed",
                                         server.BaseUrl()};
        args.insert(args.end(), extra.begin(), extra.end());
        return std::make_unique<Child>(
            args, std::vector<std::string>{"DISPLAY=" + xvfb->Display(), "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"},
            tmp.Path() / ("app" + std::to_string(++starts) + ".txt"));
    }

    // The main window's id once it is on the screen; empty when it is not.
    std::string MainWindow() {
        const std::string ids = Output(env + "xdotool search --onlyvisible --name '^Nimbrel$' 2>/dev/null");
        return ids.substr(0, ids.find('\n'));
    }
    bool Shown() { return !MainWindow().empty(); }
    std::string State(const std::string& window) { return Output(env + "xprop -id " + window + " _NET_WM_STATE"); }
    // On the screen, above the others, without a task bar button.
    ::testing::AssertionResult OnTopAndOutOfTheTaskBar(const char* path) {
        if (!WaitFor([&] { return Shown(); }, 20000))
            return ::testing::AssertionFailure() << path << ": the window is not on the screen";
        const std::string window = MainWindow();
        // The window manager answers the requests of a show in its own time.
        WaitFor([&] { return State(window).find("_NET_WM_STATE_ABOVE") != std::string::npos; }, 3000);
        const std::string state = State(window);
        if (state.find("_NET_WM_STATE_ABOVE") == std::string::npos ||
            state.find("_NET_WM_STATE_SKIP_TASKBAR") == std::string::npos)
            return ::testing::AssertionFailure() << path << ": " << state;
        return ::testing::AssertionSuccess();
    }
    // Opens the pop-up menu on the window and chooses the nth item.
    void ChooseFromMenu(int downs) {
        const std::string window = MainWindow();
        // The menu is a window of its own: the keys wait until it is there,
        // however busy the machine.
        auto windows = [&] {
            const std::string ids = Output(env + "xdotool search --onlyvisible --class nimbrel 2>/dev/null");
            return std::count(ids.begin(), ids.end(), '\n');
        };
        const auto before = windows();
        Output(env + "xdotool mousemove --window " + window + " 84 88 click 1");
        EXPECT_TRUE(WaitFor([&] { return windows() > before; }, 10000)) << "the menu did not open";
        std::string keys;
        for (int i = 0; i < downs; ++i) keys += " Down";
        Output(env + "xdotool sleep 0.2 key --delay 60" + keys + " Return");
    }
    // A second start on the folder: the running program comes to the front.
    void Knock() {
        auto second = Start();
        EXPECT_EQ(second->Wait(20000), 0);
    }

    apptest::TempFolder tmp;
    apptest::FeedServer server;
    std::unique_ptr<nimbrel::testing::XvfbDisplay> xvfb;
    std::unique_ptr<Child> wm, tray;
    std::string env;
    int starts = 0;
};

constexpr int kSendToTray = 4;  // Cancel, Update current data, Update forecast, Send to system tray
constexpr int kShowGraph = 5;

TEST_F(WindowStates, OnTopAfterTheTrayMinimiseTheGraphWindowARestartAndASecondStart) {
    StartTray();
    auto app = Start();
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("start"));

    // To the tray and back through a second start.
    ChooseFromMenu(kSendToTray);
    EXPECT_TRUE(WaitFor([&] { return !Shown(); }, 5000)) << "still shown after Send to system tray";
    Knock();
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("tray and back"));

    // The window manager's minimise: to the tray, never lost. (A person's
    // minimise comes a moment after the window is back.)
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Output(env + "xdotool windowminimize " + MainWindow());
    EXPECT_TRUE(WaitFor([&] { return !Shown(); }, 5000));
    Knock();
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("minimise and restore"));

    // The graph window opened and closed.
    ChooseFromMenu(kShowGraph);
    ASSERT_TRUE(WaitFor(
        [&] { return !Output(env + "xdotool search --onlyvisible --name '^Nimbrel - Graph$' 2>/dev/null").empty(); },
        5000));
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("graph window open"));
    const std::string graph = Output(env + "xdotool search --onlyvisible --name '^Nimbrel - Graph$'");
    Output(env + "xdotool windowclose " + graph.substr(0, graph.find('\n')));
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("graph window closed"));

    // A restart.
    app->Signal(SIGTERM);
    EXPECT_EQ(app->Wait(10000), 0);
    app = Start();
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("restart"));
    app->Signal(SIGTERM);
    EXPECT_EQ(app->Wait(10000), 0);
}

// A notice (a failed update from the menu) opens above the always-on-top
// window, beside it and whole on the screen, also with the window in a
// corner; so does "Preferences…".
TEST_F(WindowStates, NoticesAndDialogsOpenAboveBesideTheWindowAndOnTheScreen) {
    server.Stop();  // the update fails
    auto app = Start();
    ASSERT_TRUE(OnTopAndOutOfTheTaskBar("start"));
    const std::string window = MainWindow();
    // In the bottom-right corner, whole on the screen.
    {
        const auto g = Output(env + "xdotool getwindowgeometry " + window);
        int w = 0, h = 0;
        std::sscanf(g.c_str() + g.find("Geometry: ") + 10, "%dx%d", &w, &h);
        Output(env + "xdotool windowmove --sync " + window + " " + std::to_string(1024 - w - 12) + " " +
               std::to_string(768 - h - 40));
    }
    auto geometry = [&](const std::string& id) {
        // Absolute position and size of the window's frame on the screen.
        const std::string g = Output(env + "xdotool getwindowgeometry " + id);
        int x = 0, y = 0, w = 0, h = 0;
        std::sscanf(g.c_str() + g.find("Position: ") + 10, "%d,%d", &x, &y);
        std::sscanf(g.c_str() + g.find("Geometry: ") + 10, "%dx%d", &w, &h);
        return std::array<int, 4>{x, y, w, h};
    };
    auto boxOtherThanMain = [&] {
        const std::string ids = Output(env + "xdotool search --onlyvisible --name '^Nimbrel' 2>/dev/null");
        for (size_t at = 0; at < ids.size();) {
            const size_t end = ids.find('\n', at);
            const std::string id = ids.substr(at, end - at);
            if (!id.empty() && id != window) return id;
            at = end == std::string::npos ? ids.size() : end + 1;
        }
        return std::string();
    };
    for (const int item : {2, 7}) {  // "Update current data", "Preferences…"
        SCOPED_TRACE(item);
        ChooseFromMenu(item);
        std::string box;
        ASSERT_TRUE(WaitFor([&] { return !(box = boxOtherThanMain()).empty(); }, 8000));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto b = geometry(box), m = geometry(window);
        EXPECT_GE(b[0], 0);
        EXPECT_GE(b[1], 0);
        EXPECT_LE(b[0] + b[2], 1024);
        EXPECT_LE(b[1] + b[3], 768) << Output(env + "xdotool getwindowname " + box) << b[0] << "," << b[1] << " "
                                    << b[2] << "x" << b[3] << " main " << m[0] << "," << m[1] << " " << m[2] << "x"
                                    << m[3];
        const bool apart = b[0] + b[2] <= m[0] || m[0] + m[2] <= b[0] || b[1] + b[3] <= m[1] || m[1] + m[3] <= b[1];
        EXPECT_TRUE(apart) << "box " << b[0] << "," << b[1] << " " << b[2] << "x" << b[3] << " over the window " << m[0]
                           << "," << m[1] << " " << m[2] << "x" << m[3];
        EXPECT_NE(State(box).find("_NET_WM_STATE_ABOVE"), std::string::npos) << State(box);
        Output(env + "xdotool windowactivate --sync " + box + " key Escape");
        EXPECT_TRUE(WaitFor([&] { return boxOtherThanMain().empty(); }, 5000));
    }
    app->Signal(SIGTERM);
    EXPECT_EQ(app->Wait(10000), 0);
}

// Without a notification area the window manager's minimise leaves the
// window a task bar button to come back by, until it is restored.
TEST_F(WindowStates, WithoutATrayAMinimisedWindowKeepsAWayBack) {
    auto app = Start();
    ASSERT_TRUE(OnTopAndOutOfTheTaskBar("start"));
    const std::string window = MainWindow();
    Output(env + "xdotool windowminimize " + window);
    EXPECT_TRUE(WaitFor([&] { return State(window).find("_NET_WM_STATE_HIDDEN") != std::string::npos; }, 5000))
        << State(window);
    EXPECT_TRUE(WaitFor([&] { return State(window).find("_NET_WM_STATE_SKIP_TASKBAR") == std::string::npos; }, 5000))
        << "minimised without a task bar button: " << State(window);
    Knock();
    EXPECT_TRUE(OnTopAndOutOfTheTaskBar("restored"));
    app->Signal(SIGTERM);
    EXPECT_EQ(app->Wait(10000), 0);
}

}  // namespace
}  // namespace nimbrel
