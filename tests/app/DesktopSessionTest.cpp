// The desktops the program meets: which window system it picks, and the tray
// of today's desktops, a StatusNotifierItem on the session bus, tested with a
// private bus and a small watcher written here.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QObject>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "AppTestSupport.h"
#include "ChildProcess.h"
#include "QtSession.h"
#include "XvfbDisplay.h"
#include "app/PlatformChoice.h"
#include "app/frmMain.h"

namespace nimbrel {

// The desktop's side of the D-Bus tray: it takes the items' registrations
// and says that a host (a panel) shows them.
class TestTrayWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
public:
    QStringList Items() const { return items_; }
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        items_ << service;
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList items_;
};

namespace {

namespace fs = std::filesystem;
using apptest::Child;
using apptest::OnPath;
using apptest::ReadFile;
using apptest::WaitFor;

const std::string kNimbrel = std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel";

PlatformEnvironment Env(std::string qpa, std::string wayland, std::string x11, std::string argument = {}) {
    PlatformEnvironment env;
    env.qtQpaPlatform = std::move(qpa);
    env.waylandDisplay = std::move(wayland);
    env.display = std::move(x11);
    env.platformArgument = std::move(argument);
    return env;
}

TEST(PlatformChoice, X11WhereverItCanBeHadAndTheUsersChoiceAlwaysWins) {
    struct Case {
        const char *qpa, *wayland, *x11;
        const char* set;
        bool native;
    };
    const Case cases[] = {
        // Nothing chosen by the user.
        {"", "", "", "", false},                 // no display: told elsewhere
        {"", "", ":0", "xcb", false},            // plain X11
        {"", "wayland-0", ":0", "xcb", false},   // Wayland with Xwayland
        {"", "wayland-0", "", "wayland", true},  // Wayland alone
        // The user's QT_QPA_PLATFORM stands in every session.
        {"wayland", "wayland-0", ":0", "", true},
        {"wayland-egl", "wayland-0", "", "", true},
        {"wayland;xcb", "", ":0", "", true},
        {"xcb", "wayland-0", ":0", "", false},
        {"xcb", "", "", "", false},
        {"offscreen", "wayland-0", ":0", "", false},
        {"offscreen", "", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.qpa) + "|" + c.wayland + "|" + c.x11);
        const PlatformChoice choice = ChoosePlatform(Env(c.qpa, c.wayland, c.x11));
        EXPECT_EQ(choice.setPlatform, c.set);
        EXPECT_EQ(choice.nativeWayland, c.native);
    }
    // "-platform" on the command line wins over the environment.
    EXPECT_EQ(ChoosePlatform(Env("xcb", "wayland-0", ":0", "wayland")).setPlatform, "");
    EXPECT_TRUE(ChoosePlatform(Env("xcb", "wayland-0", ":0", "wayland")).nativeWayland);
    EXPECT_FALSE(ChoosePlatform(Env("", "wayland-0", "", "offscreen")).nativeWayland);
}

TEST(PlatformChoice, ReadsThePlatformOptionInBothForms) {
    EXPECT_EQ(ReadPlatformEnvironment({"nimbrel", "-platform", "offscreen"}).platformArgument, "offscreen");
    EXPECT_EQ(ReadPlatformEnvironment({"nimbrel", "-platform=wayland"}).platformArgument, "wayland");
    EXPECT_EQ(ReadPlatformEnvironment({"nimbrel", "--folder", "x"}).platformArgument, "");
}

// Ends the program with SIGTERM while this process goes on answering the
// bus: the program's tray still talks to the watcher here as it goes.
int EndWhileAnswering(Child& app) {
    app.Signal(SIGTERM);
    int status = -1;
    testing::PumpUntil([&] { return (status = app.Wait(20)) != -1; }, 10000);
    return status;
}

// A private session bus for one test: started with dbus-daemon, ended with
// the test.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (!out) return;
        char line[512];
        if (std::fgets(line, sizeof line, out)) address_ = line;
        if (std::fgets(line, sizeof line, out)) pid_ = std::atoi(line);
        ::pclose(out);
        while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) address_.pop_back();
    }
    ~PrivateSessionBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("nimbrel-test-bus"));
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    bool Started() const { return pid_ > 0 && !address_.empty(); }
    const std::string& Address() const { return address_; }
    QDBusConnection Connection() const {
        return QDBusConnection::connectToBus(QString::fromStdString(address_), QStringLiteral("nimbrel-test-bus"));
    }

private:
    std::string address_;
    pid_t pid_ = -1;
};

// The icon's pictures as the item sends them: width, height and the ARGB
// bytes of each size.
QByteArray IconPixmapBytes(const QDBusConnection& bus, const QString& service) {
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("IconPixmap");
    QDBusMessage reply = bus.call(get, QDBus::BlockWithGui, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        std::fprintf(stderr, "IconPixmap: %s\n", qPrintable(reply.errorMessage()));
        return {};
    }
    const QDBusArgument arg = reply.arguments().front().value<QDBusVariant>().variant().value<QDBusArgument>();
    QByteArray all;
    arg.beginArray();
    while (!arg.atEnd()) {
        int width = 0, height = 0;
        QByteArray bytes;
        arg.beginStructure();
        arg >> width >> height >> bytes;
        arg.endStructure();
        all += QByteArray::number(width) + "x" + QByteArray::number(height) + ":" + bytes;
    }
    arg.endArray();
    return all;
}

QString ToolTipTitle(const QDBusConnection& bus, const QString& service) {
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("ToolTip");
    QDBusMessage reply = bus.call(get, QDBus::BlockWithGui, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    const QDBusArgument arg = reply.arguments().front().value<QDBusVariant>().variant().value<QDBusArgument>();
    QString icon, title, text;
    arg.beginStructure();
    arg >> icon;
    arg.beginArray();
    while (!arg.atEnd()) {
        int w = 0, h = 0;
        QByteArray b;
        arg.beginStructure();
        arg >> w >> h >> b;
        arg.endStructure();
    }
    arg.endArray();
    arg >> title >> text;
    arg.endStructure();
    return title + "\n" + text;
}

TEST(DbusTray, TheIconRegistersShowsTheTemperatureAndActivateRestoresTheWindow) {
    if (!OnPath("dbus-daemon") || !OnPath("Xvfb") || !OnPath("xdotool"))
        GTEST_SKIP() << "needs dbus-daemon, Xvfb and xdotool";
    testing::EnsureApp();
    apptest::TempFolder tmp;
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.Started());
    QDBusConnection connection = bus.Connection();
    ASSERT_TRUE(connection.isConnected()) << connection.lastError().message().toStdString();
    TestTrayWatcher watcher;
    ASSERT_TRUE(connection.registerObject(
        QStringLiteral("/StatusNotifierWatcher"), &watcher,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));

    nimbrel::testing::XvfbDisplay xvfb(800, 600);
    ASSERT_TRUE(xvfb.Started());
    // The answers wait a little, so the icon is on the bus before the first
    // reading changes it.
    apptest::FeedServer server;
    server.SetDelayMs(1500);

    // Started in the tray, with no notification area on the X display: only
    // the bus offers one.
    Child app({kNimbrel, "--folder", (tmp.Path() / "data").string(), "--feed", server.BaseUrl(), "--fetch-now", "tray"},
              {"DISPLAY=" + xvfb.Display(), "DBUS_SESSION_BUS_ADDRESS=" + bus.Address(), "QT_QPA_PLATFORM",
               "WAYLAND_DISPLAY"},
              tmp.Path() / "app.txt");
    ASSERT_TRUE(testing::PumpUntil([&] { return !watcher.Items().isEmpty(); }, 15000))
        << ReadFile(tmp.Path() / "app.txt");
    const QString item = watcher.Items().front();
    // The item names itself by its connection's unique name (":1.N") or a
    // well-known "org.kde.StatusNotifierItem-PID-N": both are the protocol's.
    ASSERT_FALSE(item.isEmpty());

    // The program's own picture until a reading comes, then the temperature
    // in the picture and in the tip.
    const QByteArray before = IconPixmapBytes(connection, item);
    EXPECT_FALSE(before.isEmpty());
    EXPECT_TRUE(testing::PumpUntil(
        [&] {
            return IconPixmapBytes(connection, item) != before &&
                   ToolTipTitle(connection, item).contains(QString::fromUtf8("°C"));
        },
        15000))
        << ToolTipTitle(connection, item).toStdString() << "\n"
        << ReadFile(tmp.Path() / "app.txt");

    // The window is hidden in the tray; Activate (a click on the icon)
    // brings it back.
    const std::string env = "DISPLAY=" + xvfb.Display() + " ";
    const std::string pid = std::to_string(app.Pid());
    auto visible = [&] {
        return std::system((env + "xdotool search --onlyvisible --pid " + pid + " >/dev/null 2>&1").c_str()) == 0;
    };
    EXPECT_FALSE(visible());
    QDBusMessage activate =
        QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
    activate << 10 << 10;
    connection.call(activate, QDBus::NoBlock);
    EXPECT_TRUE(testing::PumpUntil(visible, 10000)) << ReadFile(tmp.Path() / "app.txt");
    EXPECT_EQ(EndWhileAnswering(app), 0) << ReadFile(tmp.Path() / "app.txt");
}

// The display Xwayland listens on, as weston's log names it once it is up
// ("listening on display :N"); empty when it did not come within the time.
std::string XwaylandDisplayFromLog(const fs::path& log) {
    std::string display;
    WaitFor(
        [&] {
            const std::string text = ReadFile(log);
            const auto at = text.find("listening on display ");
            if (at == std::string::npos) return false;
            display = text.substr(at + 21, text.find_first_of(" \r\n", at + 21) - at - 21);
            return true;
        },
        10000);
    return display;
}

// A Wayland compositor of its own for one test: weston with its headless
// back end, in a private runtime folder.
// With xwayland, Xwayland is offered as well (started by weston at the first
// X client), as on a GNOME or Plasma session.
class HeadlessWeston {
public:
    explicit HeadlessWeston(const fs::path& folder, bool xwayland = false) : runtime_(folder / "runtime") {
        fs::create_directories(runtime_);
        fs::permissions(runtime_, fs::perms::owner_all);
        std::vector<std::string> args{"/usr/bin/weston", "--backend=headless-backend.so", "--socket=nimbrel-test",
                                      "--idle-time=0"};
        if (xwayland) args.push_back("--xwayland");
        const fs::path log = folder / "weston.txt";
        weston_ = std::make_unique<Child>(
            args, std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime_.string(), "WAYLAND_DISPLAY", "DISPLAY"}, log);
        started_ = WaitFor([&] { return fs::exists(runtime_ / "nimbrel-test"); }, 10000);
        if (started_ && xwayland) {
            display_ = XwaylandDisplayFromLog(log);
            started_ = !display_.empty();
        }
    }
    bool Started() const { return started_; }
    // Xwayland's display (":N"), empty without it.
    const std::string& Display() const { return display_; }
    std::vector<std::string> ClientEnvironment() const {
        return {"XDG_RUNTIME_DIR=" + runtime_.string(), "WAYLAND_DISPLAY=nimbrel-test", "XDG_SESSION_TYPE=wayland",
                display_.empty() ? "DISPLAY" : "DISPLAY=" + display_, "QT_QPA_PLATFORM"};
    }

private:
    fs::path runtime_;
    std::string display_;
    std::unique_ptr<Child> weston_;
    bool started_ = false;
};

// Natively on Wayland (no Xwayland): the window and its menu come up, and
// the program says what the compositor does not allow. What the program asks
// of the compositor is read from Wayland's own protocol log.
TEST(NativeWayland, TheWindowAndItsMenuComeUpAndTheLimitsAreTold) {
    if (!OnPath("weston") || !OnPath("dbus-daemon")) GTEST_SKIP() << "needs weston and dbus-daemon";
    testing::EnsureApp();
    apptest::TempFolder tmp;
    HeadlessWeston weston(tmp.Path());
    ASSERT_TRUE(weston.Started()) << ReadFile(tmp.Path() / "weston.txt");
    // The menu is opened the way a panel does it: through the icon's
    // ContextMenu on the session bus.
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.Started());
    QDBusConnection connection = bus.Connection();
    TestTrayWatcher watcher;
    ASSERT_TRUE(connection.registerObject(
        QStringLiteral("/StatusNotifierWatcher"), &watcher,
        QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    apptest::FeedServer server;

    std::vector<std::string> env = weston.ClientEnvironment();
    // The Wayland client library and Qt's Wayland plugin (unloaded at exit,
    // so the leak check cannot even name it) keep a few hundred bytes of
    // their own; the leak check of the sanitizer build is for our code.
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    env.push_back("WAYLAND_DEBUG=client");
    env.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus.Address());
    const fs::path out = tmp.Path() / "app.txt";
    Child app({kNimbrel, "--folder", (tmp.Path() / "data").string(), "--feed", server.BaseUrl(), "tray"}, env, out);
    ASSERT_TRUE(testing::PumpUntil([&] { return !watcher.Items().isEmpty(); }, 15000)) << ReadFile(out).substr(0, 4000);
    EXPECT_NE(ReadFile(out).find("does not let it stay above other windows"), std::string::npos);
    // The menu: with the window in the tray it has no window to hang from,
    // and comes as a surface of its own wherever the compositor puts it.
    auto newSurfaceAfter = [&](size_t from, const char* title) {
        const std::string log = ReadFile(out);
        if (log.size() <= from) return false;
        const std::string added = log.substr(from);
        const bool role =
            added.find("get_popup") != std::string::npos || added.find("get_toplevel") != std::string::npos;
        return role && added.find(".attach(wl_buffer") != std::string::npos &&
               (!title || added.find(title) != std::string::npos);
    };
    const QString item = watcher.Items().front();
    size_t logged = ReadFile(out).size();
    QDBusMessage menu =
        QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("ContextMenu"));
    menu << 10 << 10;
    connection.call(menu, QDBus::NoBlock);
    EXPECT_TRUE(testing::PumpUntil([&] { return newSurfaceAfter(logged, nullptr); }, 10000)) << ReadFile(out);

    // A click on the icon brings the window itself.
    logged = ReadFile(out).size();
    QDBusMessage activate =
        QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                       QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
    activate << 10 << 10;
    connection.call(activate, QDBus::NoBlock);
    EXPECT_TRUE(testing::PumpUntil([&] { return newSurfaceAfter(logged, "set_title(\"Nimbrel\")"); }, 10000))
        << ReadFile(out);
    EXPECT_EQ(EndWhileAnswering(app), 0) << ReadFile(tmp.Path() / "app.txt");
    // Told once in a notice as well (the file remembers it), and no place
    // kept that the program did not choose.
    const std::string saved = ReadFile(tmp.Path() / "data" / "settings.txt");
    EXPECT_NE(saved.find("<told-wayland>1</told-wayland>"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("<window>"), std::string::npos) << saved;
}

// weston with its X11 back end in a window on an Xvfb screen larger than
// it. What xdotool does on the X server reaches the program as a Wayland
// seat's real pointer and keys, so a menu comes up as a pop-up with a grab,
// and a picture of the X screen is what weston shows. The desktop is one
// plain colour without a panel: the program's surfaces are what is not it.
class WestonInXvfb {
public:
    static constexpr QRgb kDesktop = 0xff204060;

    // With xwayland, Xwayland is offered as well, as on a GNOME or Plasma
    // session, and the program is left to choose.
    WestonInXvfb(const fs::path& folder, int width, int height, bool xwayland = false)
        : xvfb_(width + 200, height + 200), width_(width), height_(height), folder_(folder) {
        if (!xvfb_.Started()) return;
        const fs::path runtime = folder / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        const fs::path ini = folder / "weston.ini";
        std::ofstream(ini) << "[core]\nidle-time=0\n[shell]\nbackground-image=\nbackground-color=0xff204060\n"
                              "panel-position=none\nlocking=false\n";
        std::vector<std::string> args{"/usr/bin/weston",
                                      "--backend=x11-backend.so",
                                      "--use-pixman",
                                      "--socket=nimbrel-test",
                                      "--config=" + ini.string(),
                                      "--width=" + std::to_string(width),
                                      "--height=" + std::to_string(height)};
        if (xwayland) args.push_back("--xwayland");
        const fs::path log = folder / "weston.txt";
        weston_ = std::make_unique<Child>(args,
                                          std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime.string(),
                                                                   "DISPLAY=" + xvfb_.Display(), "WAYLAND_DISPLAY"},
                                          log);
        started_ = WaitFor([&] { return fs::exists(runtime / "nimbrel-test"); }, 10000) &&
                   WaitFor([&] { return Shot().pixel(width / 2, height / 2) == kDesktop; }, 10000);
        if (started_ && xwayland) {
            xwayland_ = XwaylandDisplayFromLog(log);
            started_ = !xwayland_.empty();
        }
        env_ = {"XDG_RUNTIME_DIR=" + runtime.string(), "WAYLAND_DISPLAY=nimbrel-test", "XDG_SESSION_TYPE=wayland",
                "DBUS_SESSION_BUS_ADDRESS"};
        if (xwayland) {
            env_.push_back("DISPLAY=" + xwayland_);
            env_.push_back("QT_QPA_PLATFORM");
        } else {
            env_.push_back("DISPLAY");
            env_.push_back("QT_QPA_PLATFORM=wayland");
        }
    }
    bool Started() const { return started_; }
    bool Running() const { return weston_ && weston_->Wait(50) == -1; }
    std::vector<std::string> ClientEnvironment() const { return env_; }
    int Height() const { return height_; }
    // Xwayland's display (":N"), empty without it.
    const std::string& XwaylandDisplay() const { return xwayland_; }

    void Xdotool(const std::string& args) const {
        std::system(("DISPLAY=" + xvfb_.Display() + " xdotool " + args + " >/dev/null 2>&1").c_str());
    }
    // weston's X11 back end moves its pointer by the X pointer's steps, and
    // puts it where the X pointer is only when that comes in from outside.
    void PointAt(QPoint p) const {
        Xdotool("mousemove " + std::to_string(width_ + 100) + " " + std::to_string(height_ + 100) +
                " sleep 0.2 mousemove " + std::to_string(p.x()) + " " + std::to_string(p.y()) + " sleep 0.2");
    }
    // Presses at from, moves there in steps, lets go at to.
    void Drag(QPoint from, QPoint to) const {
        PointAt(from);
        std::string steps = "mousedown 1 sleep 0.2";
        for (int i = 1; i <= 4; ++i) {
            const QPoint at = from + (to - from) * i / 4;
            steps += " mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " sleep 0.1";
        }
        Xdotool(steps + " sleep 0.2 mouseup 1 sleep 0.4");
    }
    // The pointer to the output's top right corner, where its picture is
    // out of the way.
    void ParkPointer() const { PointAt({width_ - 1, 0}); }

    // weston's output, as a person sees it.
    QImage Shot() const {
        const fs::path file = folder_ / "shot.png";
        fs::remove(file);
        std::system(("DISPLAY=" + xvfb_.Display() + " import -window root " + file.string() + " 2>/dev/null").c_str());
        QImage image(QString::fromStdString(file.string()));
        if (image.isNull()) return {};
        return image.copy(0, 0, width_, height_).convertToFormat(QImage::Format_RGB32);
    }

private:
    nimbrel::testing::XvfbDisplay xvfb_;
    int width_, height_;
    fs::path folder_;
    std::string xwayland_;
    std::vector<std::string> env_;
    std::unique_ptr<Child> weston_;
    bool started_ = false;
};

// The rectangle of the rows and columns in which at least `least` pixels
// pass `differs` (the pointer's picture, smaller, is left out).
QRect Extent(const QImage& shot, int least, const std::function<bool(int, int)>& differs) {
    std::vector<int> rows(size_t(shot.height())), cols(size_t(shot.width()));
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (differs(x, y)) ++rows[size_t(y)], ++cols[size_t(x)];
    QRect r;
    for (int y = 0; y < shot.height(); ++y)
        if (rows[size_t(y)] >= least) r |= QRect(0, y, 1, 1);
    QRect c;
    for (int x = 0; x < shot.width(); ++x)
        if (cols[size_t(x)] >= least) c |= QRect(x, 0, 1, 1);
    return r.isNull() || c.isNull() ? QRect() : QRect(QPoint(c.left(), r.top()), QPoint(c.right(), r.bottom()));
}

QRect WindowOnDesktop(const QImage& shot) {
    return Extent(shot, 30, [&](int x, int y) { return shot.pixel(x, y) != WestonInXvfb::kDesktop; });
}

// The runs of columns with dark ink in a band of the picture, apart where
// five columns in a row have none: in a title bar (light grey, its ink
// darker, greyed while the window is inactive) the icon, the title and
// the buttons.
std::vector<std::pair<int, int>> InkRuns(const QImage& shot, const QRect& band) {
    std::vector<std::pair<int, int>> runs;
    int gap = 99;
    for (int x = band.left(); x <= band.right(); ++x) {
        bool ink = false;
        for (int y = band.top(); y <= band.bottom() && !ink; ++y) ink = qGray(shot.pixel(x, y)) < 215;
        if (!ink) {
            ++gap;
            continue;
        }
        if (gap >= 5 || runs.empty())
            runs.emplace_back(x, x);
        else
            runs.back().second = x;
        gap = 0;
    }
    return runs;
}

// The last size a pop-up asked of the compositor, from Wayland's protocol log.
QSize LastPopupSize(const std::string& log) {
    const auto positioner = log.rfind("create_positioner");
    if (positioner == std::string::npos) return {};
    const auto size = log.find(".set_size(", positioner);
    if (size == std::string::npos) return {};
    int w = 0, h = 0;
    if (std::sscanf(log.c_str() + size, ".set_size(%d, %d)", &w, &h) != 2) return {};
    return {w, h};
}

// Natively on Wayland, as a person sees it on weston, which draws no title
// bars and leaves menus where a program puts them: the whole title shows,
// and the menu opened by a click on a window at the bottom edge of the
// screen is all on the screen.
TEST(NativeWayland, TheWholeTitleShowsAndTheMenuStaysOnTheScreenAtTheBottomEdge) {
    if (!OnPath("weston")) GTEST_SKIP() << "needs weston";
    ASSERT_TRUE(OnPath("Xvfb") && OnPath("xdotool") && OnPath("import")) << "needs Xvfb, xdotool and ImageMagick";
    testing::EnsureApp();
    apptest::TempFolder tmp;
    WestonInXvfb weston(tmp.Path(), 640, 480);
    ASSERT_TRUE(weston.Started()) << ReadFile(tmp.Path() / "weston.txt");
    apptest::FeedServer server;
    std::vector<std::string> env = weston.ClientEnvironment();
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    env.push_back("WAYLAND_DEBUG=client");
    const fs::path out = tmp.Path() / "app.txt";
    Child app({kNimbrel, "--folder", (tmp.Path() / "data").string(), "--feed", server.BaseUrl()}, env, out);
    // The window and, over it, the notice of what the compositor does not
    // allow, which the Escape key closes.
    auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    ASSERT_TRUE(WaitFor(
        [&] { return count(ReadFile(out), "xdg_toplevel@") >= 2 && count(ReadFile(out), ".attach(") >= 2; }, 20000))
        << ReadFile(out).substr(0, 4000);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    weston.ParkPointer();
    weston.Xdotool("key Escape");
    QRect window;
    ASSERT_TRUE(WaitFor(
        [&] {
            window = WindowOnDesktop(weston.Shot());
            return window.isValid() && window.width() < 300;
        },
        10000))
        << "window at " << window.x() << "," << window.y() << " " << window.width() << "x" << window.height();

    {
        SCOPED_TRACE("the title");
        const QImage shot = weston.Shot();
        // Qt's own title bar: above the first black row of the window.
        int contentTop = window.top();
        while (contentTop < window.bottom() && shot.pixel(window.center().x(), contentTop) != qRgb(0, 0, 0))
            ++contentTop;
        ASSERT_GT(contentTop - window.top(), 15);
        const auto runs = InkRuns(
            shot, QRect(window.left() + 2, window.top() + 3, window.width() - 4, contentTop - window.top() - 6));
        const int middle = window.center().x();
        const auto title = std::find_if(runs.begin(), runs.end(),
                                        [&](const auto& r) { return r.first <= middle && middle <= r.second; });
        ASSERT_NE(title, runs.end()) << runs.size() << " runs of ink";
        // The title is centred: a cut one is not.
        EXPECT_LE(std::abs((title->first + title->second) - 2 * middle), 6)
            << "title ink " << title->first << "-" << title->second << " in a window " << window.left() << "-"
            << window.right();
        // And as wide as the whole word, written in the same font.
        QFont font = QGuiApplication::font();
        font.setPixelSize(14);
        const int whole = QFontMetrics(font).tightBoundingRect(QStringLiteral("Nimbrel")).width();
        EXPECT_NEAR(title->second - title->first + 1, whole, 3);
        // Room is left before the buttons.
        ASSERT_NE(title + 1, runs.end());
        EXPECT_GE((title + 1)->first - title->second, 6);
    }

    {
        SCOPED_TRACE("the menu at the bottom edge");
        // The window taken by its title bar to the bottom edge.
        const QPoint grip(window.left() + 40, window.top() + 12);
        weston.Drag(grip, grip + QPoint(0, weston.Height() - 2 - window.bottom()));
        weston.ParkPointer();
        window = WindowOnDesktop(weston.Shot());
        ASSERT_GE(window.bottom(), weston.Height() - 8) << window.bottom();
        // A right click low on the window, then the menu key, which opens
        // the menu beside the middle of the window.
        weston.PointAt({window.center().x(), window.bottom() - 10});
        for (const char* how : {"click 3", "key Menu"}) {
            SCOPED_TRACE(how);
            const QImage before = weston.Shot();
            const size_t logged = ReadFile(out).size();
            weston.Xdotool(how);
            ASSERT_TRUE(WaitFor(
                [&] {
                    const std::string added = ReadFile(out).substr(logged);
                    return added.find("get_popup") != std::string::npos && added.find(".attach(") != std::string::npos;
                },
                10000))
                << ReadFile(out).substr(logged);
            const QSize menu = LastPopupSize(ReadFile(out));
            ASSERT_TRUE(menu.isValid());
            // All of the menu that made it onto the screen.
            QRect shown;
            WaitFor(
                [&] {
                    const QImage after = weston.Shot();
                    shown = Extent(after, std::min(menu.width(), menu.height()) / 2,
                                   [&](int x, int y) { return after.pixel(x, y) != before.pixel(x, y); });
                    return shown.height() >= menu.height() - 2;
                },
                5000);
            EXPECT_GE(shown.height(), menu.height() - 2)
                << "menu " << menu.width() << "x" << menu.height() << ", shown " << shown.x() << "," << shown.y() << " "
                << shown.width() << "x" << shown.height();
            EXPECT_GE(shown.width(), menu.width() - 2);
            weston.Xdotool("key Escape");
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    }
    EXPECT_EQ(EndWhileAnswering(app), 0) << ReadFile(out).substr(0, 2000);
}

// A Wayland session with Xwayland: the program takes X11, where it can stay
// on top and keep out of the task bar, unless the user asked otherwise.
TEST(Xwayland, TheProgramRunsOnX11WhereXwaylandIsThere) {
    if (!OnPath("weston") || !OnPath("Xwayland") || !OnPath("xdotool"))
        GTEST_SKIP() << "needs weston, Xwayland and xdotool";
    apptest::TempFolder tmp;
    HeadlessWeston weston(tmp.Path(), true);
    ASSERT_TRUE(weston.Started()) << ReadFile(tmp.Path() / "weston.txt");
    apptest::FeedServer server;
    std::vector<std::string> env = weston.ClientEnvironment();
    env.push_back("WAYLAND_DEBUG=client");
    const fs::path out = tmp.Path() / "app.txt";
    Child app({kNimbrel, "--folder", (tmp.Path() / "data").string(), "--feed", server.BaseUrl()}, env, out);
    const std::string x = "DISPLAY=" + weston.Display() + " ";
    EXPECT_TRUE(WaitFor(
        [&] {
            return std::system((x + "xdotool search --onlyvisible --name '^Nimbrel$' >/dev/null 2>&1").c_str()) == 0;
        },
        20000))
        << ReadFile(out) << ReadFile(tmp.Path() / "weston.txt");
    // Nothing of it went to the compositor as a Wayland client.
    EXPECT_EQ(ReadFile(out).find("xdg_wm_base"), std::string::npos);
    EXPECT_EQ(ReadFile(out).find("does not let it stay above"), std::string::npos);
    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(10000), 0);
}

// weston's own X11 window manager (weston 10) went down, and Xwayland and
// every X11 program with it, as soon as a notice or a dialog of the main
// window opened, and never gave the window the keyboard: the About box,
// opened from the keyboard, comes up and leaves it running.
TEST(Xwayland, UnderWestonTheKeyboardReachesTheWindowAndItsDialogsLeaveTheCompositorRunning) {
    if (!OnPath("weston") || !OnPath("Xwayland")) GTEST_SKIP() << "needs weston and Xwayland";
    ASSERT_TRUE(OnPath("Xvfb") && OnPath("xdotool") && OnPath("import")) << "needs Xvfb, xdotool and ImageMagick";
    apptest::TempFolder tmp;
    WestonInXvfb weston(tmp.Path(), 640, 480, true);
    ASSERT_TRUE(weston.Started()) << ReadFile(tmp.Path() / "weston.txt");
    apptest::FeedServer server;
    const fs::path out = tmp.Path() / "app.txt";
    Child app({kNimbrel, "--folder", (tmp.Path() / "data").string(), "--feed", server.BaseUrl()},
              weston.ClientEnvironment(), out);
    const std::string x = "DISPLAY=" + weston.XwaylandDisplay() + " ";
    auto shown = [&](const char* title) {
        return std::system((x + "xdotool search --onlyvisible --name '" + title + "' >/dev/null 2>&1").c_str()) == 0;
    };
    ASSERT_TRUE(WaitFor([&] { return shown("^Nimbrel$"); }, 20000)) << ReadFile(out);
    QRect window;
    ASSERT_TRUE(WaitFor(
        [&] {
            window = WindowOnDesktop(weston.Shot());
            return window.isValid();
        },
        10000));
    // A click on the title bar gives the window the keyboard (weston gives
    // none to a utility window); the menu key and "a" open the box.
    weston.PointAt({window.center().x(), window.top() + 12});
    weston.Xdotool("click 1 sleep 0.5 key Menu sleep 0.8 key a");
    EXPECT_TRUE(WaitFor([&] { return shown("^About Nimbrel$"); }, 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_TRUE(weston.Running()) << ReadFile(tmp.Path() / "weston.txt");
    app.Signal(SIGTERM);
    EXPECT_EQ(app.Wait(10000), 0) << ReadFile(out);
}

// An X11 window manager that does not minimise names no hidden state among
// the states it supports (weston's): without a tray, "Send to system tray"
// then claims no minimise that may not have happened. The list on the root
// window stands in for such a window manager.
TEST(NoTrayUnderX11, AWindowManagerThatDoesNotMinimiseIsNotSaidToHaveDoneSo) {
    if (!testing::StartQt(testing::QtPlatform::Xvfb) || QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs a process of its own on Xvfb, as ctest runs it";
    ASSERT_EQ(std::system("xprop -root -f _NET_SUPPORTED 32a -set _NET_SUPPORTED "
                          "_NET_WM_STATE,_NET_WM_STATE_FULLSCREEN,_NET_WM_STATE_MAXIMIZED_VERT"),
              0);
    apptest::TempFolder folder;
    apptest::FeedServer server;
    apptest::MessageRecorder messages;
    apptest::ScopedTray tray(false);
    frmMain::Config config;
    config.folder = folder.Str();
    config.feedBaseUrl = server.BaseUrl();
    frmMain form(config);
    form.Load();
    form.ShowFirst();
    form.SendToTray();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("cannot be sent to the system tray"), std::string::npos)
        << messages.messages[0].text;
    EXPECT_EQ(messages.messages[0].text.find("has been minimised"), std::string::npos);
    form.Unload(UnloadReason::Code);
}

// The X server dies under the running program (Xvfb killed; Xwayland going
// with a crashed compositor): the reading fetched since the last save is in
// settings.txt, and the program ends with its own status for it.
TEST(DisplayLoss, TheReadingsAreSavedWhenTheXServerGoesAway) {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "needs Xvfb";
    apptest::TempFolder tmp;
    const fs::path data = tmp.Path() / "data";
    nimbrel::testing::XvfbDisplay xvfb(800, 600);
    ASSERT_TRUE(xvfb.Started());
    apptest::FeedServer server;
    Child app({kNimbrel, "--folder", data.string(), "--feed", server.BaseUrl(), "--fetch-now"},
              {"DISPLAY=" + xvfb.Display(), "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"}, tmp.Path() / "app.txt");
    ASSERT_TRUE(WaitFor([&] { return server.ObservationRequests() >= 1 && server.ForecastRequests() >= 1; }, 15000))
        << ReadFile(tmp.Path() / "app.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_FALSE(fs::exists(data / "settings.txt"));  // nothing saved yet: the first save is a quarter-hour away
    xvfb.Kill();
    EXPECT_EQ(app.Wait(10000), 3) << ReadFile(tmp.Path() / "app.txt");
    const std::string saved = ReadFile(data / "settings.txt");
    EXPECT_NE(saved.find("<last reading>Sunny,12,66,"), std::string::npos) << saved;
    EXPECT_NE(ReadFile(tmp.Path() / "app.txt").find("connection to the display was lost"), std::string::npos);
}

}  // namespace
}  // namespace nimbrel

#include "DesktopSessionTest.moc"
