// The About box and what the program tells about itself. On Qt's offscreen
// platform: the box's texts, its links (caught by URL handlers of the test,
// so no browser ever starts), the menus that reach it and the credits in the
// place dialogs. With the real programs: every --help names the licence, and
// under Xvfb the main window's class matches its desktop entry and the box
// opens from the pop-up menu (its picture is kept for a person to look at).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTextDocument>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "AppTestSupport.h"
#include "XvfbDisplay.h"
#include "app/AboutBox.h"
#include "app/Autostart.h"
#include "app/PlaceDialog.h"
#include "app/PreferencesDialog.h"
#include "app/frmMain.h"
#include "base/ProgramInfo.h"
#include "graph/frmGraph.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using namespace apptest;

// Every address the desktop is asked to open, in order. It stands in for the
// browser: QDesktopServices hands a scheme with a handler to the handler.
class LinkCatcher : public QObject {
    Q_OBJECT
public:
    LinkCatcher() {
        for (const char* scheme : kSchemes) QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~LinkCatcher() override {
        for (const char* scheme : kSchemes) QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
    std::vector<std::string> opened;

private:
    static constexpr const char* kSchemes[] = {"https", "http", "ftp", "javascript", "mailto"};
};

QLabel& Label(QWidget& box, const char* name) {
    auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
    if (!label) throw std::runtime_error(std::string("no label ") + name);
    return *label;
}

// What a reader sees of a label: rich text as it is rendered.
std::string Shown(const QLabel& label) {
    if (label.textFormat() == Qt::PlainText) return label.text().toStdString();
    QTextDocument doc;
    doc.setHtml(label.text());
    return doc.toPlainText().toStdString();
}

void Key(QWidget& w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    QApplication::sendEvent(&w, &release);
}

void Click(QWidget& w, QPoint at) {
    const QPointF local(at), global(w.mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
    QApplication::sendEvent(&w, &release);
}

// The links of a label in the order Tab reaches them, each activated with
// Enter as a keyboard user does.
void ActivateEachLinkByKeyboard(QLabel& label, int links) {
    label.setFocus();
    for (int i = 0; i < links; ++i) {
        Key(label, Qt::Key_Tab);
        Key(label, Qt::Key_Return);
    }
}

AboutBox* OpenBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<AboutBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

void CloseBoxes() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<AboutBox*>(w)) box->close();
    PumpFor(10);
}

const char* const kVersion = NIMBREL_VERSION;

TEST(AboutBox, SaysNameVersionWhatItIsLicenceBothCreditsAndTheFolder) {
    EnsureApp();
    AboutBox box("/home/ana/.local/share/nimbrel");
    EXPECT_EQ(box.windowTitle(), "About Nimbrel");
    EXPECT_EQ(Shown(Label(box, "lblName")), std::string("Nimbrel ") + kVersion);
    EXPECT_NE(Shown(Label(box, "lblWhat")).find("weather display"), std::string::npos);

    const std::string licence = Shown(Label(box, "lblLicence"));
    EXPECT_NE(licence.find("Nimbrel is free software under the MIT licence."), std::string::npos) << licence;
    EXPECT_NE(licence.find("Copyright 2026 Nimbrel developers"), std::string::npos) << licence;

    // Each credit in the very words its source asks for, its site and its
    // licence shown as the addresses a click opens.
    const std::string weather = Shown(Label(box, "lblWeatherDataCredit"));
    EXPECT_EQ(weather.rfind("Weather data by Open-Meteo.com\n", 0), 0u) << weather;
    EXPECT_NE(weather.find("https://open-meteo.com/"), std::string::npos) << weather;
    EXPECT_NE(weather.find("CC BY 4.0"), std::string::npos) << weather;
    const std::string places = Shown(Label(box, "lblPlaceDataCredit"));
    EXPECT_EQ(places.rfind("Location data based on GeoNames\n", 0), 0u) << places;
    EXPECT_NE(places.find("https://www.geonames.org/"), std::string::npos) << places;

    EXPECT_EQ(Shown(Label(box, "lblFolder")), "/home/ana/.local/share/nimbrel");
    auto* buttons = box.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_NE(buttons->button(QDialogButtonBox::Close), nullptr);
}

TEST(AboutBox, AFolderIsPlainTextAndAVeryLongOneIsShortenedWithTheWholePathInItsTip) {
    EnsureApp();
    {
        AboutBox box("/tmp/<b>bold</b> & <a href=\"x\">link</a>");
        QLabel& folder = Label(box, "lblFolder");
        EXPECT_EQ(folder.textFormat(), Qt::PlainText);
        EXPECT_EQ(Shown(folder), "/tmp/<b>bold</b> & <a href=\"x\">link</a>");
    }
    const std::string deep = "/srv/" + std::string(40, 'd') + "/" + std::string(300, 'x') + "/nimbrel";
    AboutBox box(deep);
    box.show();
    PumpFor(20);
    const std::string shown = Shown(Label(box, "lblFolder"));
    EXPECT_LT(shown.size(), deep.size());
    EXPECT_EQ(shown.rfind("/srv/", 0), 0u) << shown;
    EXPECT_NE(shown.find("/nimbrel"), std::string::npos) << shown;
    // The box stays a box, not a banner across every screen.
    EXPECT_LT(box.width(), 700);
    QTextDocument tip;
    tip.setHtml(Label(box, "lblFolder").toolTip());
    EXPECT_EQ(tip.toPlainText().toStdString(), deep);
}

TEST(AboutBox, LinksOpenInTheBrowserOnlyWhenActivatedAndOnlyWebAddresses) {
    EnsureApp();
    LinkCatcher browser;
    AboutBox box("/tmp/nimbrel");
    box.show();
    PumpFor(50);
    // Shown, pointed at, hovered: nothing opens by itself.
    QLabel& weather = Label(box, "lblWeatherDataCredit");
    QMouseEvent move(QEvent::MouseMove, QPointF(5, weather.height() - 5), weather.mapToGlobal(QPointF(5, 5)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&weather, &move);
    PumpFor(50);
    EXPECT_TRUE(browser.opened.empty());

    // A click on the first link of the second line: the source's site.
    Click(weather, QPoint(6, weather.height() - weather.fontMetrics().height() / 2 - 1));
    PumpFor(20);
    ASSERT_EQ(browser.opened, (std::vector<std::string>{kOpenMeteoHomeUrl}));

    // Every other link, from the keyboard.
    browser.opened.clear();
    ActivateEachLinkByKeyboard(Label(box, "lblLicence"), 1);
    ActivateEachLinkByKeyboard(weather, 2);
    ActivateEachLinkByKeyboard(Label(box, "lblPlaceDataCredit"), 2);
    PumpFor(20);
    EXPECT_EQ(browser.opened, (std::vector<std::string>{kLicenceUrl, kOpenMeteoHomeUrl, kDataLicenceUrl, kGeoNamesUrl,
                                                        kDataLicenceUrl}));

    // A link to anything but a web page is never handed on: no program, no
    // local file, no script runs from a label.
    browser.opened.clear();
    for (const char* url : {"javascript:alert(1)", "ftp://example.invalid/x", "mailto:a@example.invalid",
                            "file:///etc/passwd", "not a url at all"})
        EXPECT_FALSE(OpenLinkInBrowser(QUrl(QString::fromLatin1(url)))) << url;
    EXPECT_TRUE(browser.opened.empty());
    EXPECT_TRUE(OpenLinkInBrowser(QUrl(QStringLiteral("HTTPS://www.geonames.org/"))));
    EXPECT_EQ(browser.opened.size(), 1u);
}

TEST(AboutBox, OneBoxForTheWholeProgramBroughtBackWhenOpenedAgain) {
    EnsureApp();
    CloseBoxes();
    QWidget owner;
    AboutBox* first = AboutBox::Open(&owner, "/tmp/one");
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(AboutBox::Open(&owner, "/tmp/one"), first);
    first->close();
    PumpFor(20);
    EXPECT_EQ(OpenBox(), nullptr);
    AboutBox* second = AboutBox::Open(&owner, "/tmp/one");
    EXPECT_TRUE(second->isVisible());
    second->close();
    PumpFor(20);
}

TEST(PlaceDataCredit, ThePlaceDialogAndThePreferencesNameGeoNamesWithItsLinks) {
    EnsureApp();
    LinkCatcher browser;
    PlaceDialog places;
    PreferencesDialog preferences(PreferenceValues{}, [](const PreferenceValues&) { return std::string(); });
    for (QWidget* dialog : {static_cast<QWidget*>(&places), static_cast<QWidget*>(&preferences)}) {
        dialog->show();
        PumpFor(20);
        QLabel& credit = Label(*dialog, "lblPlaceDataCredit");
        EXPECT_EQ(Shown(credit).rfind("Location data based on GeoNames\n", 0), 0u) << Shown(credit);
        EXPECT_TRUE(credit.isVisible());
        ActivateEachLinkByKeyboard(credit, 1);
        dialog->close();
    }
    PumpFor(20);
    EXPECT_EQ(browser.opened, (std::vector<std::string>{kGeoNamesUrl, kGeoNamesUrl}));
}

// The program's windows reach the box: the pop-up menu (which is also the
// tray icon's menu) just before "Exit Nimbrel", and the graph window's Help.
class AboutFromTheWindows : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        CloseBoxes();
        frmMain::Config c;
        c.folder = folder.Str();
        c.feedBaseUrl = server.BaseUrl();
        form = std::make_unique<frmMain>(c);
        form->Load();
        form->ShowFirst();
    }
    void TearDown() override {
        CloseBoxes();
        form.reset();
        PumpFor(10);
    }
    QMenu& Menu() { return *form->findChild<QMenu*>(QStringLiteral("mnSysTray")); }

    TempFolder folder;
    FeedServer server;
    MessageRecorder messages;
    ScopedTray tray;
    std::unique_ptr<frmMain> form;
};

TEST_F(AboutFromTheWindows, ThePopUpAndTrayMenuOpenItJustBeforeExit) {
    const QList<QAction*> items = Menu().actions();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items[items.size() - 3]->objectName(), "mnAbout");
    EXPECT_EQ(items[items.size() - 3]->text().remove(QLatin1Char('&')).toStdString(), "About Nimbrel\xE2\x80\xA6");
    EXPECT_TRUE(items[items.size() - 2]->isSeparator());
    EXPECT_EQ(items.back()->text().remove(QLatin1Char('&')), "Exit Nimbrel");

    // The tray icon's context click opens this same menu.
    form->SendToTray();
    tray.tray().Deliver(TrayClick::Context);
    ASSERT_TRUE(PumpUntil([&] { return Menu().isVisible(); }));
    items[items.size() - 3]->trigger();
    Menu().hide();
    ASSERT_TRUE(PumpUntil([] { return OpenBox() != nullptr; }));
    EXPECT_EQ(Shown(Label(*OpenBox(), "lblFolder")), folder.Str());
    // Asked again while open: still the one box.
    form->ShowAbout();
    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) boxes += qobject_cast<AboutBox*>(w) && w->isVisible();
    EXPECT_EQ(boxes, 1);
}

TEST_F(AboutFromTheWindows, TheGraphWindowsHelpMenuOpensIt) {
    form->ShowGraphWindow();
    frmGraph* graph = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* g = dynamic_cast<frmGraph*>(w)) graph = g;
    ASSERT_NE(graph, nullptr);
    const QList<QAction*> bar = graph->menuBar()->actions();
    ASSERT_FALSE(bar.isEmpty());
    EXPECT_EQ(bar.back()->text().remove(QLatin1Char('&')), "Help");
    ASSERT_NE(bar.back()->menu(), nullptr);
    QAction* about = graph->MenuItem("mnAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(bar.back()->menu()->actions(), QList<QAction*>{about});
    EXPECT_EQ(about->text().remove(QLatin1Char('&')).toStdString(), "About Nimbrel\xE2\x80\xA6");
    about->trigger();
    ASSERT_TRUE(PumpUntil([] { return OpenBox() != nullptr; }));
}

// XDG_CONFIG_HOME set for the life of the object.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const std::string& value) {
        if (const char* old = getenv("XDG_CONFIG_HOME")) old_ = old, had_ = true;
        setenv("XDG_CONFIG_HOME", value.c_str(), 1);
    }
    ~ScopedConfigHome() {
        if (had_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

private:
    std::string old_;
    bool had_ = false;
};

TEST(LogInEntry, BearsTheDesktopIdAndReplacesAnEntryOfTheOldName) {
    TempFolder config;
    ScopedConfigHome home(config.Str());
    const fs::path entry = config.Path() / "autostart" / "org.nimbrel.Nimbrel.desktop";
    const fs::path old = config.Path() / "autostart" / "nimbrel.desktop";
    EXPECT_EQ(AutostartEntryPath(), entry.string());
    EXPECT_EQ(OldAutostartEntryPath(), old.string());

    // An entry an earlier version wrote: the setting reads as on.
    fs::create_directories(old.parent_path());
    WriteFile(old, AutostartEntryText("nimbrel"));
    EXPECT_TRUE(AutostartEnabled());
    std::string why;
    ASSERT_TRUE(SetAutostart(true, "/usr/bin/nimbrel", &why)) << why;
    EXPECT_TRUE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(old)) << "two log-in entries would start the program twice";
    EXPECT_NE(ReadFile(entry).find("\nExec=/usr/bin/nimbrel tray --fetch-now\n"), std::string::npos);

    // Switched off, neither name is left, a dangling link of the old name
    // included.
    fs::create_symlink(config.Path() / "gone.desktop", old);
    EXPECT_TRUE(AutostartEnabled());
    ASSERT_TRUE(SetAutostart(false, "/usr/bin/nimbrel", &why)) << why;
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(old)));
    EXPECT_FALSE(AutostartEnabled());
    // Off with nothing there is no failure.
    EXPECT_TRUE(SetAutostart(false, "/usr/bin/nimbrel", &why)) << why;
}

// The id the desktop knows the program by is one name everywhere: the
// desktop entry's file, the metainfo's id and launchable, and the releases
// of the metainfo follow the version the build gives.
TEST(DesktopIdentity, TheEntryAndTheMetainfoBearTheIdAndTheVersion) {
    const fs::path desktop =
        fs::path(NIMBREL_SOURCE_DIR) / "share/applications" / (std::string(kDesktopId) + ".desktop");
    const std::string entry = ReadFile(desktop);
    ASSERT_FALSE(entry.empty()) << desktop;
    EXPECT_NE(entry.find("\nStartupWMClass=nimbrel\n"), std::string::npos);
    const std::string metainfo =
        ReadFile(fs::path(NIMBREL_BINARY_DIR) / "packaging" / (std::string(kDesktopId) + ".metainfo.xml"));
    ASSERT_FALSE(metainfo.empty());
    EXPECT_NE(metainfo.find(std::string("<id>") + kDesktopId + "</id>"), std::string::npos);
    EXPECT_NE(metainfo.find(std::string("<launchable type=\"desktop-id\">") + kDesktopId + ".desktop</launchable>"),
              std::string::npos);
    EXPECT_NE(metainfo.find(std::string("<release version=\"") + kVersion + "\""), std::string::npos);
    EXPECT_NE(metainfo.find("<project_license>MIT</project_license>"), std::string::npos);
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

TEST(Help, EveryProgramNamesTheLicenceAndPointsToTheReadme) {
    const std::string bin = NIMBREL_BINARY_DIR;
    for (const std::string& program :
         {bin + "/src/app/nimbrel", bin + "/tools/nimbrel-feed/nimbrel-feed",
          bin + "/tools/nimbrel-history/nimbrel-history", bin + "/tools/nimbrel-cjpeg/nimbrel-cjpeg"}) {
        ASSERT_TRUE(fs::exists(program)) << program;
        const std::string help = Shell("env -u DISPLAY -u WAYLAND_DISPLAY '" + program + "' --help 2>&1");
        EXPECT_NE(help.find("Nimbrel is free software under the MIT licence"), std::string::npos) << program << help;
        EXPECT_NE(help.find(std::string(kReadmePath) + " (once installed)"), std::string::npos) << program << help;
    }
}

bool OnPath(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

bool WaitFor(const std::function<bool()>& ready, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return ready();
}

fs::path ShotFolder() {
    const char* env = std::getenv("NIMBREL_SCREENSHOT_DIR");
    fs::path dir = env && *env ? fs::path(env) : fs::path(NIMBREL_BINARY_DIR) / "screenshots" / "app";
    fs::create_directories(dir);
    return dir;
}

// The real program on a real X server: the window's class is the one its
// desktop entry names (so a task bar groups it under the entry), and the
// pop-up menu's "About Nimbrel…" shows the box.
TEST(AboutBoxOnScreen, OpensFromThePopUpMenuOfTheRealProgramUnderXvfb) {
    for (const char* tool : {"Xvfb", "xdotool", "xprop", "import"}) ASSERT_TRUE(OnPath(tool)) << tool;
    TempFolder tmp;
    nimbrel::testing::XvfbDisplay xvfb(800, 600);
    ASSERT_TRUE(xvfb.Started());
    const std::string x = "DISPLAY=" + xvfb.Display() + " ";

    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(xvfb.Display()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    // A feed server that is not there: nothing is fetched before a tick.
    app.start(QString::fromStdString(std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel"),
              {QStringLiteral("--folder"), QString::fromStdString((tmp.Path() / "data").string()),
               QStringLiteral("--feed"), QStringLiteral("http://127.0.0.1:9")});
    ASSERT_TRUE(app.waitForStarted(5000));

    std::string main;
    ASSERT_TRUE(WaitFor(
        [&] {
            main = Shell(x + "xdotool search --onlyvisible --name '^Nimbrel$' 2>/dev/null");
            return !main.empty();
        },
        15000));
    main = main.substr(0, main.find('\n'));
    EXPECT_NE(Shell(x + "xprop -id " + main + " WM_CLASS").find("= \"nimbrel\", \"nimbrel\""), std::string::npos);

    // A click on the last-update line opens the menu; "About Nimbrel…" is
    // its eighth command.
    Shell(x + "xdotool mousemove --window " + main + " 84 88 click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    Shell(x + "xdotool key --delay 80 Down Down Down Down Down Down Down Down Return");
    std::string box;
    ASSERT_TRUE(WaitFor(
        [&] {
            box = Shell(x + "xdotool search --onlyvisible --name '^About Nimbrel$' 2>/dev/null");
            return !box.empty();
        },
        10000))
        << app.readAll().toStdString();
    box = box.substr(0, box.find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const fs::path shot = ShotFolder() / "about-box.png";
    Shell(x + "import -window " + box + " " + shot.string() + " 2>/dev/null");
    const QImage image(QString::fromStdString(shot.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 250);
    EXPECT_GT(image.height(), 200);
    // Text was drawn: many pixels darker than the dialog's background.
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int xx = 0; xx < image.width(); ++xx) dark += qGray(image.pixel(xx, y)) < 100;
    EXPECT_GT(dark, 500);

    app.terminate();
    EXPECT_TRUE(app.waitForFinished(5000));
    EXPECT_EQ(app.exitCode(), 0);
}

}  // namespace
}  // namespace nimbrel

#include "AboutBoxTest.moc"
