#include "app/frmMain.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/AppIcon.h"
#include "app/CommandLine.h"
#include "app/PlaceChoice.h"
#include "app/PreferencesDialog.h"
#include "app/Process.h"
#include "app/TrayIconPicture.h"
#include "app/WindowHints.h"
#include "app/WindowMemory.h"
#include "base/Clock.h"
#include "base/Temperature.h"
#include "base/modMisc.h"
#include "controls/ControlWidget.h"
#include "feeds/ForecastFeed.h"
#include "feeds/OpenMeteo.h"
#include "graph/GraphCapture.h"
#include "graph/frmGraph.h"
#include "platform/qt/PopupMenu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

namespace {

std::atomic<int> g_runningFetches{0};
// Orders a fetch thread's posting of its result before the window reads it.
std::mutex g_handOver;

constexpr int kTwips = ControlWidget::kTwipsPerPixel;

int Px(int twips) {
    return (twips + kTwips / 2) / kTwips;
}

// Layout of the window, in twips.
struct Box {
    int left, top, width, height;
};
constexpr Box kTilePlaces[3] = {{187, 0, 720, 540}, {907, 0, 720, 540}, {1627, 0, 720, 540}};
constexpr Box kTodayPlace{0, 600, 720, 540};
constexpr Box kSunPlace{840, 600, 935, 315};
constexpr Box kSunrisePlace{840, 915, 465, 255};
constexpr Box kSunsetPlace{1320, 915, 465, 255};
constexpr Box kHumidTitlePlace{1800, 600, 735, 255};
constexpr Box kHumidPlace{1920, 840, 495, 255};
constexpr Box kLastTimePlace{0, 1200, 2535, 255};

const QColor kLabelBlue(192, 192, 255);
// The "Last update" line once the reading is old.
const QColor kStaleGrey(128, 128, 128);
// Forecast tiles of a forecast older than a day.
constexpr double kStaleOpacity = 0.4;

constexpr const char* kSendToTray = "Send to system tray";
constexpr const char* kRestore = "Restore";
constexpr const char* kSunUnknown = "The sun times are not known yet: they come with the first forecast.";
constexpr const char* kNoTrayMessage =
    "This desktop has no notification area, so Nimbrel has been minimised instead of being sent to the "
    "system tray. Bring it back from the window list or the task bar.";

double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// "45 min ago", "2 h ago", "3 days ago".
std::string AgeText(double minutes) {
    if (minutes < 90) return std::to_string(int(minutes)) + " min ago";
    if (minutes < 48 * 60) return std::to_string(int(minutes / 60)) + " h ago";
    return std::to_string(int(minutes / 1440)) + " days ago";
}

// "127.0.0.1:8077" of "http://127.0.0.1:8077/weather/...".
std::string HostOf(const std::string& url) {
    std::string rest = url;
    if (size_t scheme = rest.find("://"); scheme != std::string::npos) rest = rest.substr(scheme + 3);
    return rest.substr(0, rest.find('/'));
}

std::string FailureText(const std::string& url, const HttpResult& result) {
    if (result.ok) return "the server's answer could not be read";
    if (result.status != 0) return "server answered " + std::to_string(result.status);
    if (result.error.find("imed out") != std::string::npos || result.error.find("imeout") != std::string::npos)
        return "no answer from " + HostOf(url) + " in time";
    return "could not connect to " + HostOf(url);
}

// Why settings.txt could not be written, in the words a user acts on: what
// stands on the disk now, else the system's own reason for the failed write.
std::string SaveFailureReason(const SettingsStore& store) {
    const std::string& path = store.SettingsPath;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    const fs::path folder = file.parent_path();
    if (!fs::is_directory(folder, ec)) return "its folder is gone";
    if (fs::exists(file, ec) && ::access(path.c_str(), W_OK) != 0) return "the file is read-only";
    struct statvfs fsInfo {};
    if (::statvfs(folder.c_str(), &fsInfo) == 0 && fsInfo.f_bavail == 0) return "No space left on device";
    if (::access(folder.c_str(), W_OK) != 0) return "its folder is read-only";
    const std::string why = store.LastSaveError();
    return why.empty() ? "the file could not be written" : why;
}

// The feed server named at the start wins over the stored one.
std::string ServerInForce(const frmMain::Config& config, const SettingsStore& store) {
    return config.feedNamed ? config.feedBaseUrl : StoredFeedServer(store, config.feedBaseUrl);
}

}  // namespace

bool AnyFetchRunning() {
    return g_runningFetches.load() > 0;
}

frmMain::frmMain(Config config, QWidget* parent) : QWidget(parent), config_(std::move(config)) {
    if (!config_.fetch) config_.fetch = [](const std::string& url) { return Fetch(url); };
    BuildWindow();
    BuildMenu();
}

frmMain::~frmMain() {
    alive_.reset();
    delete notice_.data();
    if (graph_) graph_->Unload();
    graph_.reset();
    if (blnIconShown() && NotifyRecord().hWnd == this) RemoveTrayIcon();
    // The hosting widgets are children, deleted by QWidget only after the
    // controls they show (members of this object) are gone; they go first.
    for (ControlWidget*& w : tileWidgets_) {
        delete w;
        w = nullptr;
    }
    delete todayWidget_;
    todayWidget_ = nullptr;
    delete sunWidget_;
    sunWidget_ = nullptr;
}

QLabel* frmMain::MakeLabel(const char* name, int left, int top, int width, int height, QColor colour, const char* face,
                           double points, bool bold, const char* caption) {
    auto* l = new QLabel(QString::fromUtf8(caption), this);
    l->setObjectName(QString::fromUtf8(name));
    l->setGeometry(Px(left), Px(top), Px(width), Px(height));
    QFont f(QString::fromUtf8(face));
    // Point sizes at the 15 twips per pixel the layout is drawn for
    // (20 twips to the point), so the text fits its label on every screen.
    f.setPixelSize(int(std::lround(points * 20.0 / kTwips)));
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Window, Qt::black);
    l->setPalette(p);
    l->setAutoFillBackground(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Clicks go through to the window, which opens its pop-up menu.
    l->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    return l;
}

void frmMain::BuildWindow() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromUtf8(kAppTitle));
    // A fixed-size tool window: narrow title bar, no minimise or maximise
    // box, no task bar button, above all other windows.
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                   Qt::CustomizeWindowHint);
    setWindowIcon(AppIcon());
    setAttribute(Qt::WA_QuitOnClose, false);

    for (int i = 0; i < 3; ++i) {
        auto* w = new ControlWidget(tiles_[size_t(i)], this);
        w->setObjectName(QStringLiteral("MiniFC%1").arg(i));
        const Box& p = kTilePlaces[i];
        w->Move(p.left, p.top, p.width, p.height);
        tileWidgets_[size_t(i)] = w;
        tiles_[size_t(i)].Click.Connect([this, i] { ShowTileMessage(i); });
    }
    todayWidget_ = new ControlWidget(today_, this);
    todayWidget_->setObjectName(QStringLiteral("MFC_Today"));
    todayWidget_->Move(kTodayPlace.left, kTodayPlace.top, kTodayPlace.width, kTodayPlace.height);
    today_.Click.Connect([this] { ShowTrayMenu(); });

    sunWidget_ = new ControlWidget(sun_, this);
    sunWidget_->setObjectName(QStringLiteral("SunTransit1"));
    // Its summary would count to an invented sunrise until a forecast came.
    sunWidget_->installEventFilter(this);

    lblSunrise_ = MakeLabel("lblSunrise", kSunrisePlace.left, kSunrisePlace.top, kSunrisePlace.width,
                            kSunrisePlace.height, Qt::white, "Arial Narrow", 8.25, false, "??:??");
    lblSunset_ = MakeLabel("lblSunset", kSunsetPlace.left, kSunsetPlace.top, kSunsetPlace.width, kSunsetPlace.height,
                           Qt::white, "Arial Narrow", 8.25, false, "??:??");
    lblSunrise_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblSunset_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblHumidTitle_ = MakeLabel("lblHumidTitle", kHumidTitlePlace.left, kHumidTitlePlace.top, kHumidTitlePlace.width,
                               kHumidTitlePlace.height, kLabelBlue, "Arial", 8.25, false, "Humidity:");
    lblHumid_ = MakeLabel("lblHumid", kHumidPlace.left, kHumidPlace.top, kHumidPlace.width, kHumidPlace.height,
                          kLabelBlue, "Arial", 9.75, true, "%");
    lblHumid_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblLastTime_ = MakeLabel("lblLastTime", kLastTimePlace.left, kLastTimePlace.top, kLastTimePlace.width,
                             kLastTimePlace.height, Qt::white, "Arial", 6.75, true, "");
    lblLastTime_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lastTimePixels_ = lblLastTime_->font().pixelSize();

    auto timer = [this](const char* name, void (frmMain::*tick)()) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromUtf8(name));
        t->setInterval(kTimerInterval);
        connect(t, &QTimer::timeout, this, tick);
        return t;
    };
    tmrSun_ = timer("tmrSun", &frmMain::OnSunTick);
    tmrWeather_ = timer("tmrWeather", &frmMain::OnWeatherTick);
    tmrForecast_ = timer("tmrForecast", &frmMain::OnForecastTick);
}

void frmMain::BuildMenu() {
    mnSysTray_ = new QMenu(QStringLiteral("System Tray"), this);
    mnSysTray_->setObjectName(QStringLiteral("mnSysTray"));
    auto add = [this](const char* name, const char* caption, void (frmMain::*slot)()) {
        QAction* a = mnSysTray_->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        // The command runs after the menu has closed, as a menu command does.
        if (slot) connect(a, &QAction::triggered, this, [this, slot] { QTimer::singleShot(0, this, slot); });
        return a;
    };
    // "Cancel" only closes the menu.
    add("mnCancel", "Cancel", nullptr);
    add("mnUpdateCurrent", "Update current data", &frmMain::UpdateCurrent);
    add("mnUpdateForecast", "Update forecast", &frmMain::UpdateForecast);
    mnSysTray_->addSeparator();
    mnRestore_ = add("mnRestore", kSendToTray, &frmMain::ToggleTray);
    add("mnShowGraph", "Show graph window", &frmMain::ShowGraphWindow);
    add("mnSetLocation", "Set location\xE2\x80\xA6", &frmMain::SetLocation);
    add("mnPreferences", "Preferences\xE2\x80\xA6", &frmMain::ShowPreferences);
    mnSysTray_->addSeparator();
    add("mnExit", "Exit Nimbrel", &frmMain::Exit);
}

QIcon frmMain::TrayIconPicture() const {
    // The temperature once a reading exists, the program's picture before.
    return TrayIconFor(store_);
}

// --- start-up -----------------------------------------------------------------

void frmMain::Load() {
    if (loaded_) return;
    loaded_ = true;
    // The sun timer runs from the moment the window exists.
    tmrSun_->start();

    // The client area ends at the last-update label, on black.
    setFixedSize(lblLastTime_->geometry().right() + 1, lblLastTime_->geometry().bottom() + 1);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    sunWidget_->Move(kSunPlace.left, kSunPlace.top, kSunPlace.width, kSunPlace.height);
    sun_.SetBackColour(0);
    // The humidity value is drawn over the window's background.
    lblHumid_->setAutoFillBackground(false);

    // Without a settings file: every five minutes, for location 1769.
    store_.SetFolder(config_.folder);
    store_.UpdateMinutes = 5;
    store_.LocationId = "1769";
    BuildFeedUrls();
    // The file may name another location and holds the last reading.
    store_.OnRebuildFeedUrls = [this](SettingsStore&) { BuildFeedUrls(); };
    store_.OnShowLoaded = [this](SettingsStore&) { ShowLoaded(); };
    std::error_code noFile;
    const bool firstStart = !std::filesystem::exists(store_.SettingsPath, noFile);
    store_.LoadSettings();
    if (config_.place) {
        StorePlace(store_, *config_.place);
        store_.SaveSettings();
    }
    ChooseSource();
    // A damaged file is copied aside and replaced by what could be read at
    // once, so the user hears of it now and not at the first regular save.
    if (store_.LoadedDamaged())
        Save();
    else
        ShowStoreNotice();
    ShowForecast(store_.ForecastText, *this);
    ShowForecastAge();
    ShowStatus();
    schedule_.ClockJumped(Now(), MonotonicSeconds());
    // The chart of the last seven days, in the graph window (hidden).
    const DateTime now = Now();
    DrawWeatherGraph(true, true, now - 7, now, true);
    tmrWeather_->start();
    tmrForecast_->start();
    // Reading and thinning a long history left megabytes of copies behind.
    ReleaseFreedMemory();
    if (ContainsTray(config_.commandLine)) ToggleTray();
    // Started from the desktop menu after installing: ask for a place once,
    // after the window is up, without waiting for the answer.
    if (firstStart && config_.mayAskForPlace && !config_.place) QTimer::singleShot(0, this, &frmMain::SetLocation);
}

void frmMain::ChooseSource() {
    const bool placeGiven = config_.place.has_value();
    source_ = SourceFor(store_, config_.feedNamed, placeGiven);
    title_ = TitleFor(store_, config_.feedNamed, placeGiven);
    setWindowTitle(QString::fromStdString(title_));
    RefreshTray();
}

void frmMain::SetLocation() {
    if (unloaded_) return;
    PlaceDialog* dialog = PlaceDialog::OpenOnce(this, placeDialog_);
    if (!dialog) return;
    const bool placeKnown = source_ != nullptr;
    dialog->onChosen = [this](const Place& place) { UsePlace(place); };
    dialog->onCancelled = [this, placeKnown] {
        if (!placeKnown && store_.LastUpdate.empty()) lblLastTime_->setText(QString::fromUtf8(kChoosePlaceHint));
    };
    dialog->show();
}

void frmMain::UsePlace(const Place& place) {
    StorePlace(store_, place);
    store_.SaveSettings();
    // The place chosen here wins over a feed server named at start.
    config_.place = place;
    ChooseSource();
    UpdateCurrent();
    UpdateForecast();
}

void frmMain::ShowTileMessage(int index) {
    const std::string& tip = tileTips_[size_t(index)];
    if (tip.empty()) return;
    // The message is read from the stored line, in degrees Celsius, and only
    // its text is put in the shown unit.
    MessageRequest m = ForecastTileMessage(tip);
    m.text = ShownTemperatureText(m.text);
    // The service's data comes under a licence that asks for its name.
    if (source_) m.text += std::string("\r\n\r\n") + kOpenMeteoAttribution;
    ShowMessage(m.text, m.caption, m.icon);
}

void frmMain::ShowLoaded() {
    SetShownUnit(StoredUnit(store_));
    today_.UpdateForecast("Now", store_.CurrentSummary, store_.CurrentTemp);
    lblHumid_->setText(QString::fromStdString(store_.HumidityCaption));
    lastUpdateCaption_ = "Last update: " + store_.LastUpdate;
    ShowLastUpdate();
    RefreshTray();
}

void frmMain::ShowLastUpdate() {
    std::string text = lastUpdateCaption_;
    bool old = false;
    if (!text.empty() && !store_.LastUpdate.empty()) {
        try {
            const double minutes = (Now() - ParseDateTime(store_.LastUpdate, false)) * 1440.0;
            const int interval = std::max<int>(1, store_.UpdateMinutes);
            if (minutes > 2.0 * interval) {
                old = true;
                // To the minute, so that the line with its age fits the
                // window: "Last update: 08/12/2026 04:17 (2 h ago)".
                if (text.size() > 3 && text[text.size() - 3] == ':') text.resize(text.size() - 3);
                text += " (" + AgeText(minutes) + ")";
            }
        } catch (const std::exception&) {
            // A time that does not read is shown as it stands, without an age.
        }
    }
    lblLastTime_->setText(QString::fromStdString(text));
    // A longer line ("3 days ago") is drawn a little smaller rather than cut.
    QFont f = lblLastTime_->font();
    f.setPixelSize(lastTimePixels_);
    while (f.pixelSize() > 7 && QFontMetrics(f).horizontalAdvance(lblLastTime_->text()) > lblLastTime_->width())
        f.setPixelSize(f.pixelSize() - 1);
    lblLastTime_->setFont(f);
    QPalette p = lblLastTime_->palette();
    p.setColor(QPalette::WindowText, old ? kStaleGrey : QColor(Qt::white));
    lblLastTime_->setPalette(p);
}

void frmMain::ShowForecastAge() {
    bool stale = false;
    if (store_.ForecastText.size() >= 10) {
        try {
            stale = Today() - ParseDateTime(store_.ForecastText.substr(0, 10), true) >= 1;
        } catch (const std::exception&) {
            // No date, no forecast to dim.
        }
    }
    for (ControlWidget* w : tileWidgets_) {
        if (stale == (w->graphicsEffect() != nullptr)) continue;
        if (stale) {
            auto* dim = new QGraphicsOpacityEffect(w);
            dim->setOpacity(kStaleOpacity);
            w->setGraphicsEffect(dim);
        } else {
            w->setGraphicsEffect(nullptr);
        }
    }
}

void frmMain::PlaceCentred() {
    if (placed_) return;
    placed_ = true;
    if (RestoreWindowPlace(*this, store_, kMainWindowKey, false)) return;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    centredPlace_ = FormatWindowPosition(x(), y());
}

void frmMain::ShowFirst() {
    if (blnIconShown() || unloaded_) return;
    PlaceCentred();
    SetTaskbarEntry(*this, false);
    show();
    raise();
    activateWindow();
}

void frmMain::BuildFeedUrls() {
    urls_ = nimbrel::BuildFeedUrls(ServerInForce(config_, store_), store_.LocationId);
}

// --- timers ---------------------------------------------------------------------

void frmMain::OnSunTick() {
    sun_.DrawSunPosition();
    if (schedule_.ClockJumped(Now(), MonotonicSeconds())) OnResumed();
    // A save that failed is tried again every minute.
    if (schedule_.SunTick() || saveFailing_) Save();
    ShowLastUpdate();
    ShowForecastAge();
}

void frmMain::Save() {
    RememberPlaces();
    // The save writes the lists straight from memory and keeps no copy of
    // them, so there is nothing to hand back to the system afterwards.
    store_.SaveSettings();
    // What the store has to tell about the file (a damaged file kept aside,
    // a settings path that is no file), once.
    ShowStoreNotice();
    if (store_.LastSaveSucceeded()) {
        saveFailing_ = false;
        return;
    }
    if (saveFailing_) return;
    saveFailing_ = true;
    ShowNotice(std::string(kAppTitle) + " cannot save its history to " + store_.SettingsPath + ": " +
               SaveFailureReason(store_) + ". It keeps it in memory and tries again every minute.");
}

void frmMain::OnResumed() {
    if (unloaded_) return;
    Ask(FeedKind::Observation, urls_.ObservationUrl);
    if (schedule_.ForecastOlderThan(Now(), 30)) Ask(FeedKind::Forecast, urls_.ForecastUrl);
}

void frmMain::OnWeatherTick() {
    if (schedule_.WeatherTick(store_.UpdateMinutes)) Ask(FeedKind::Observation, urls_.ObservationUrl);
}

void frmMain::OnForecastTick() {
    if (schedule_.ForecastTick()) Ask(FeedKind::Forecast, urls_.ForecastUrl);
}

// --- menu commands ----------------------------------------------------------------

void frmMain::FetchBoth() {
    Ask(FeedKind::Observation, urls_.ObservationUrl);
    Ask(FeedKind::Forecast, urls_.ForecastUrl);
}

void frmMain::UpdateCurrent() {
    Ask(FeedKind::Observation, urls_.ObservationUrl, true);
}

void frmMain::UpdateForecast() {
    Ask(FeedKind::Forecast, urls_.ForecastUrl, true);
}

void frmMain::Exit() {
    if (graph_) graph_->Unload();
    Unload(UnloadReason::Code);
}

void frmMain::ToggleTray() {
    if (blnIconShown())
        RestoreFromTray();
    else
        SendToTray();
}

void frmMain::BringToFront() {
    if (unloaded_) return;
    if (blnIconShown()) RestoreFromTray();
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmMain::SendToTray() {
    mnRestore_->setText(QString::fromUtf8(kRestore));
    AddTrayIcon(*this, TrayTip());
    ShowStatus();
    if (CurrentTrayHost().Available()) {
        hide();
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    // Without a notification area a hidden window could not be found again:
    // minimise it with a task bar entry instead, and say so once.
    static bool told = false;
    if (!told) {
        told = true;
        ShowMessage(kNoTrayMessage, kAppTitle, MsgIcon::Information);
    }
    minimisedForTray_ = true;
    setWindowFlag(Qt::Tool, false);
    PlaceCentred();
    SetTaskbarEntry(*this, true);
    showMinimized();
    // Said again to the window manager, which may not have seen the window
    // go before the hint was written.
    SetTaskbarEntry(*this, true);
}

void frmMain::RestoreFromTray() {
    mnRestore_->setText(QString::fromUtf8(kSendToTray));
    if (minimisedForTray_) {
        minimisedForTray_ = false;
        setWindowFlag(Qt::Tool, true);
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    PlaceCentred();
    ClearMinimisedHints(*this);
    SetTaskbarEntry(*this, false);
    showNormal();
    SetTaskbarEntry(*this, false);
    RemoveTrayIcon();
    raise();
    activateWindow();
}

void frmMain::ShowTrayMenu() {
    ShowPopupMenu(*mnSysTray_, nullptr);
}

void frmMain::ShowGraphWindow() {
    if (blnGraphShow_) return;
    blnGraphShow_ = true;
    frmGraph& g = EnsureGraph();
    if (graphFirstPlace_.empty()) {
        graphFirstPlace_ = FormatWindowRect(WindowRect{g.x(), g.y(), g.width(), g.height()});
        RestoreWindowPlace(g, store_, kGraphWindowKey, true);
    }
    g.show();
    g.raise();
    g.activateWindow();
}

void frmMain::OnTrayActivated(TrayClick click) {
    if (!blnIconShown()) return;
    switch (click) {
        case TrayClick::Click:
        case TrayClick::DoubleClick:
            RestoreFromTray();
            break;
        case TrayClick::Context:
            // The tray's menu has "Restore" as its default (bold) item.
            ShowPopupMenu(*mnSysTray_, mnRestore_);
            break;
        case TrayClick::Middle:
            break;
    }
}

// --- unloading ----------------------------------------------------------------------

bool frmMain::QueryUnload(UnloadReason reason) {
    if (reason == UnloadReason::CloseButton) {
        // The close button sends the window to the tray (or back).
        ToggleTray();
        return true;
    }
    RememberPlaces();
    store_.SaveSettings();
    if (!store_.LastSaveSucceeded()) {
        // Said where the user who ended the program can still read it, and
        // in the exit status.
        std::cerr << "nimbrel: cannot save the history to " << store_.SettingsPath << ": " << SaveFailureReason(store_)
                  << "\n";
        exitStatus_ = 1;
    }
    if (blnIconShown()) RemoveTrayIcon();
    if (graph_) graph_->Unload();
    return false;
}

void frmMain::Unload(UnloadReason reason) {
    if (unloaded_ || unloading_) return;
    unloading_ = true;
    if (QueryUnload(reason)) {
        unloading_ = false;
        return;
    }
    unloaded_ = true;
    tmrSun_->stop();
    tmrWeather_->stop();
    tmrForecast_->stop();
    schedule_.Stop();
    hide();
    Ended();
}

void frmMain::Ended() {
    if (config_.onEnded)
        config_.onEnded();
    else
        QCoreApplication::exit(exitStatus_);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (unloading_ || unloaded_) {
        event->accept();
        return;
    }
    event->ignore();
    QueryUnload(UnloadReason::CloseButton);
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Brought back from the task bar while it stood in for the tray.
    if (event->type() == QEvent::WindowStateChange && minimisedForTray_ && !isMinimized() && isVisible() &&
        blnIconShown())
        QTimer::singleShot(0, this, [this] {
            if (minimisedForTray_ && blnIconShown() && !isMinimized()) RestoreFromTray();
        });
}

// --- mouse and paint ------------------------------------------------------------------

void frmMain::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) pressed_ = true;
    event->accept();
}

void frmMain::mouseReleaseEvent(QMouseEvent* event) {
    // A click on the background or on a label (labels pass their clicks on).
    if (!pressed_) return;
    pressed_ = false;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    if (!rect().contains(event->position().toPoint())) return;
    event->accept();
    ShowTrayMenu();
}

// --- what the parsers show ------------------------------------------------------------

void frmMain::UpdateTodayTile(const std::string& caption, const std::string& description, int temperature) {
    today_.UpdateForecast(caption, description, int16_t(temperature));
}

void frmMain::SetHumidityCaption(const std::string& caption) {
    lblHumid_->setText(QString::fromStdString(caption));
}

void frmMain::SetLastUpdateCaption(const std::string& caption) {
    lastUpdateCaption_ = caption;
    ShowLastUpdate();
}

void frmMain::RedrawGraph() {
    // A window not made yet draws the history as it is when it is made, to
    // the time of this redraw, as the window would have done itself.
    if (graph_)
        graph_->DrawGraphWithCurrentSettings();
    else if (pendingChart_)
        pendingChart_->redrawnAt = Now();
}

void frmMain::UpdateForecastTile(int index, const std::string& caption, const std::string& description,
                                 int temperature) {
    if (index < 0 || index > 2) return;
    tiles_[size_t(index)].UpdateForecast(caption, description, int16_t(temperature));
}

void frmMain::SetForecastToolTip(int index, const std::string& text) {
    if (index < 0 || index > 2) return;
    tileTips_[size_t(index)] = text;
    tileWidgets_[size_t(index)]->setToolTip(QString::fromStdString(ShownTemperatureText(text)));
}

void frmMain::SetSunriseCaption(const std::string& caption) {
    lblSunrise_->setText(QString::fromStdString(caption));
}

void frmMain::SetSunsetCaption(const std::string& caption) {
    lblSunset_->setText(QString::fromStdString(caption));
}

void frmMain::SetSunUp(DateTime time) {
    sunKnown_ = true;
    sun_.SetSunUp(time);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched != sunWidget_ || sunKnown_) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) return true;
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
            ShowMessage(kSunUnknown, controls::SunTransit::kSummaryTitle, MsgIcon::Information);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::SetSunDown(DateTime time) {
    sun_.SetSunDown(time);
}

// --- the chart ----------------------------------------------------------------------------

frmGraph& frmMain::EnsureGraph() {
    if (!graph_) {
        graph_ = std::make_unique<frmGraph>(*this);
        graph_->setWindowIcon(windowIcon());
        // "Capture" saves into the program's folder.
        capture_ = AttachCapture(*graph_, config_.folder, kAppTitle);
        if (pendingChart_) {
            const ChartRequest r = *pendingChart_;
            pendingChart_.reset();
            graph_->RestoreFrame(r.datStart, r.redrawnAt);
            chart_.DrawWeatherGraph(store_, *graph_, r.blnTemperature, r.blnBothGraphs, r.datStart,
                                    r.redrawnAt != 0 ? r.redrawnAt : r.datEnd, r.blnAutoTime);
        }
    }
    return *graph_;
}

void frmMain::DrawWeatherGraph(bool blnTemperature, bool blnBothGraphs, DateTime datStart, DateTime datEnd,
                               bool blnAutoTime) {
    if (!graph_) {
        pendingChart_ = ChartRequest{blnTemperature, blnBothGraphs, datStart, datEnd, blnAutoTime};
        return;
    }
    chart_.DrawWeatherGraph(store_, *graph_, blnTemperature, blnBothGraphs, datStart, datEnd, blnAutoTime);
}

// --- fetching -------------------------------------------------------------------------------

void frmMain::Ask(FeedKind kind, const std::string& url, bool byUser) {
    if (unloaded_) return;
    if (auto start = schedule_.Ask(FetchRequest{kind, url, byUser})) StartFetch(*start);
}

void frmMain::StartFetch(const FetchRequest& request) {
    ++g_runningFetches;
    std::weak_ptr<int> alive = alive_;
    Fetcher fetch = config_.fetch;
    std::shared_ptr<WeatherSource> source = source_;
    frmMain* self = this;
    std::thread([self, alive, fetch, source, request] {
        HttpResult result;
        try {
            result = source ? source->FetchDocument(request.kind) : fetch(request.url);
        } catch (const std::exception& e) {
            result.ok = false;
            result.error = e.what();
        }
        // Back on the window's thread; qApp outlives every window.
        if (QCoreApplication* app = QCoreApplication::instance()) {
            // The result travels inside the queued call. Qt's queue orders
            // the two threads with locks of its own, which a thread checker
            // cannot see into; the hand-over lock makes that order one it can
            // see: the call is built and posted under it, and taken under it
            // before its captures are read.
            std::lock_guard<std::mutex> posting(g_handOver);
            QMetaObject::invokeMethod(
                app,
                [self, alive, request, result] {
                    { std::lock_guard<std::mutex> taken(g_handOver); }
                    --g_runningFetches;
                    if (alive.lock()) self->FetchDone(request, result);
                },
                Qt::QueuedConnection);
        } else {
            --g_runningFetches;
        }
    }).detach();
}

void frmMain::FetchDone(const FetchRequest& request, const HttpResult& result) {
    if (!unloaded_) {
        const bool ok = HandleFeedResult(request.kind, result, store_, *this);
        const bool forecast = request.kind == FeedKind::Forecast;
        if (forecast) {
            schedule_.ForecastResult(ok, Now());
            if (ok) ShowForecastAge();
        }
        const std::string what = ok ? "received" : FailureText(request.url, result);
        (forecast ? forecastStatus_ : observationStatus_) =
            std::string(forecast ? "Forecast " : "Observation ") + FormatTimeHM(Now()) + ": " + what;
        ShowStatus();
        // A menu command is answered; the timers stay quiet, the tool tip and
        // the dimmed line say enough.
        if (!ok && request.byUser) {
            ShowNotice(std::string(kAppTitle) + " could not update " +
                       (forecast ? "the forecast" : "the current data") + ": " + what + ".");
            noticeOfFetch_ = true;
        } else if (ok && noticeOfFetch_ && notice_) {
            // The server is back: the notice of its outage is no longer true.
            notice_->close();
            noticeOfFetch_ = false;
        }
    }
    if (auto next = schedule_.Done()) StartFetch(*next);
}

std::string frmMain::StatusLines() const {
    std::string lines;
    for (const std::string* line : {&observationStatus_, &forecastStatus_})
        if (!line->empty()) lines += "\n" + *line;
    return lines;
}

std::string frmMain::StatusTip() const {
    return kAppTitle + StatusLines();
}

// The tray's tip leads with the last reading, then says how the fetches went.
std::string frmMain::TrayTip() const {
    return TrayTipFor(store_, title_.empty() ? std::string(kAppTitle) : title_, source_ != nullptr) + StatusLines();
}

void frmMain::ShowStatus() {
    setToolTip(QString::fromStdString(StatusTip()));
    RefreshTray();
}

void frmMain::ShowStoreNotice() {
    if (const std::string notice = store_.TakeNotice(); !notice.empty()) ShowNotice(notice);
}

void frmMain::ShowNotice(const std::string& text) {
    if (!notice_) {
        notice_ = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kAppTitle), QString(), QMessageBox::Ok);
        notice_->setObjectName(QStringLiteral("notice"));
        notice_->setWindowModality(Qt::NonModal);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        notice_->setWindowIcon(windowIcon());
    }
    noticeOfFetch_ = false;
    notice_->setText(QString::fromStdString(text));
    notice_->show();
    notice_->raise();
}

// --- preferences, places and the tray ------------------------------------------------------

void frmMain::ShowPreferences() {
    if (unloaded_) return;
    if (!preferences_) {
        preferences_ = new PreferencesDialog(
            CurrentPreferences(store_, ServerInForce(config_, store_)),
            [this](const PreferenceValues& v) { return SavePreferences(v); }, this);
        preferences_->setAttribute(Qt::WA_DeleteOnClose);
        // A window of its own, not a child drawn inside the main window.
        preferences_->setWindowFlag(Qt::Dialog, true);
    }
    preferences_->show();
    preferences_->raise();
    preferences_->activateWindow();
}

std::string frmMain::SavePreferences(const PreferenceValues& values) {
    const PreferenceValues before = CurrentPreferences(store_, ServerInForce(config_, store_));
    PreferenceChanges changes;
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    if (std::string why = nimbrel::SavePreferences(store_, before, values, program, &changes); !why.empty()) return why;
    // A server typed here is the one from now on, even over one given at
    // the start.
    if (values.feedServer != before.feedServer) config_.feedBaseUrl = changes.feedServer;
    if (changes.place) BuildFeedUrls();
    // A place chosen here wins over a feed server named at start, as one
    // chosen through "Set location…" does.
    if (changes.chosenPlace) {
        config_.place = values.place;
        ChooseSource();
    }
    if (changes.unit) ShowInUnit();
    if (changes.place || changes.chosenPlace) {
        UpdateCurrent();
        UpdateForecast();
    }
    return {};
}

void frmMain::ShowInUnit() {
    // Everything shown is drawn again from what is stored, which is in
    // degrees Celsius whatever the unit; before the first reading the today
    // tile stays blank rather than showing a made-up 0 degrees.
    SetShownUnit(StoredUnit(store_));
    if (!store_.LastReading.empty()) ShowLoaded();
    ShowForecast(store_.ForecastText, *this);
    if (graph_) graph_->DrawGraphWithCurrentSettings();
}

void frmMain::RememberPlaces() {
    const bool neverMoved = !centredPlace_.empty() && store_.Extra(kMainWindowKey).empty() &&
                            FormatWindowPosition(x(), y()) == centredPlace_;
    if (placed_ && !neverMoved) RememberWindowPlace(*this, store_, kMainWindowKey, false);
    if (graph_ && !graphFirstPlace_.empty() &&
        (!store_.Extra(kGraphWindowKey).empty() ||
         FormatWindowRect(WindowRect{graph_->x(), graph_->y(), graph_->width(), graph_->height()}) != graphFirstPlace_))
        RememberWindowPlace(*graph_, store_, kGraphWindowKey, true);
}

void frmMain::RefreshTray() {
    if (blnIconShown() && NotifyRecord().hWnd == this) UpdateTrayIcon(TrayIconFor(store_), TrayTip());
}

}  // namespace nimbrel
