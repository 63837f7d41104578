#include "app/frmMain.h"

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>

#include "app/AboutBox.h"
#include "app/AccessibleText.h"
#include "app/AppIcon.h"
#include "app/PlaceChoice.h"
#include "app/PlainText.h"
#include "app/Process.h"
#include "app/WaylandWindow.h"
#include "app/WeatherExtrasText.h"
#include "app/WindowMemory.h"
#include "base/Clock.h"
#include "base/Translate.h"
#include "base/modMisc.h"
#include "controls/ControlWidget.h"
#include "feeds/ForecastFeed.h"
#include "feeds/OpenMeteo.h"
#include "graph/GraphCapture.h"
#include "graph/frmGraph.h"
#include "platform/qt/DialogPlace.h"
#include "platform/qt/PopupMenu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

namespace {

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

constexpr const char* kSunUnknown =
    QT_TRANSLATE_NOOP("nimbrel::frmMain", "The sun times are not known yet: they come with the first forecast.");

}  // namespace

frmMain::frmMain(Config config, QWidget* parent)
    : QWidget(parent), config_(std::move(config)), state_(new WeatherState(this)), store_(state_->Store()) {
    cycle_ = new FetchCycle(config_.fetch, this);
    tray_ = new TrayIcon(*state_, this);
    // The program's boxes open beside this window.
    SetDialogAnchor(this);
    BuildWindow();
    BuildMenu();
    connect(state_, &WeatherState::readingChanged, this, &frmMain::ShowReading);
    connect(state_, &WeatherState::forecastChanged, this, &frmMain::ShowForecast);
    connect(state_, &WeatherState::unitChanged, this, &frmMain::ShowInUnit);
    connect(state_, &WeatherState::savedInBackground, this, &frmMain::OnSaved);
    connect(cycle_, &FetchCycle::sunTimer, this, &frmMain::OnSunTick);
    connect(cycle_, &FetchCycle::weatherTimer, this, &frmMain::OnWeatherTick);
    connect(cycle_, &FetchCycle::forecastTimer, this, &frmMain::OnForecastTick);
    connect(cycle_, &FetchCycle::fetched, this, &frmMain::OnFetched);
    connect(tray_, &TrayIcon::clicked, this, &frmMain::OnTrayActivated);
}

frmMain::~frmMain() {
    if (graph_) graph_->Unload();
    graph_.reset();
    if (tray_->Shown()) RemoveTrayIcon();
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
    auto* l = new QLabel(tr(caption), this);
    // The labels show texts from the feeds: never read as HTML.
    l->setTextFormat(Qt::PlainText);
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
    // The keyboard reaches the window and, with Tab, its tiles and dial; the
    // place's name in the tool tip shows while another window has focus.
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_AlwaysShowToolTips);

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
                               kHumidTitlePlace.height, kLabelBlue, "Arial", 8.25, false, QT_TR_NOOP("Humidity:"));
    lblHumid_ = MakeLabel("lblHumid", kHumidPlace.left, kHumidPlace.top, kHumidPlace.width, kHumidPlace.height,
                          kLabelBlue, "Arial", 9.75, true, "%");
    lblHumid_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblLastTime_ = MakeLabel("lblLastTime", kLastTimePlace.left, kLastTimePlace.top, kLastTimePlace.width,
                             kLastTimePlace.height, Qt::white, "Arial", 6.75, true, "");
    lblLastTime_->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lastTimePixels_ = lblLastTime_->font().pixelSize();

    // Tab goes along the forecast, then to "Now" and the dial, as they are read.
    setTabOrder(tileWidgets_[0], tileWidgets_[1]);
    setTabOrder(tileWidgets_[1], tileWidgets_[2]);
    setTabOrder(tileWidgets_[2], todayWidget_);
    setTabOrder(todayWidget_, sunWidget_);
    // "Now" opens the menu as a click does, but beside the tile rather than
    // at a mouse pointer that may be anywhere.
    todayWidget_->onActivate = [this] {
        ShowKeyboardMenu();
        return true;
    };
    sunWidget_->onActivate = [this] {
        if (sunKnown_) return false;
        ShowMessage(kSunUnknown, controls::SunTransit::kSummaryTitle, MsgIcon::Information);
        return true;
    };
    // What a screen reader says before anything is known.
    todayWidget_->SetAccessibleText(NowTexts(store_, state_->Unit()).name, {});
    for (ControlWidget* w : tileWidgets_) w->SetAccessibleText(TileTexts({}, state_->Unit()).name, {});
    DescribeSun();
    lblSunrise_->setAccessibleName(SunriseName({}));
    lblSunset_->setAccessibleName(SunsetName({}));
    lblHumid_->setAccessibleName(HumidityName({}));
    lblLastTime_->setAccessibleName(LastUpdateName({}));
}

void frmMain::FinishLayout() {
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
    FitWaylandTitle(*this);
}

void frmMain::BuildMenu() {
    mnSysTray_ = new QMenu(tr("System Tray"), this);
    mnSysTray_->setObjectName(QStringLiteral("mnSysTray"));
    auto add = [this](const char* name, const char* caption, void (frmMain::*slot)()) {
        QAction* a = mnSysTray_->addAction(tr(caption));
        a->setObjectName(QString::fromUtf8(name));
        // The command runs after the menu has closed, as a menu command does.
        if (slot) connect(a, &QAction::triggered, this, [this, slot] { QTimer::singleShot(0, this, slot); });
        return a;
    };
    // Each item has its key (the & before it), which is no part of its text.
    // "Cancel" only closes the menu.
    add("mnCancel", QT_TR_NOOP("&Cancel"), nullptr);
    QAction* update = add("mnUpdateCurrent", QT_TR_NOOP("&Update current data"), &frmMain::UpdateCurrent);
    add("mnUpdateForecast", QT_TR_NOOP("Update &forecast"), &frmMain::UpdateForecast);
    mnSysTray_->addSeparator();
    mnRestore_ = add("mnRestore", kSendToTray, &frmMain::ToggleTray);
    add("mnShowGraph", QT_TR_NOOP("Show &graph window"), &frmMain::ShowGraphWindow);
    add("mnSetLocation", QT_TR_NOOP("Set &location\xE2\x80\xA6"), &frmMain::SetLocation);
    add("mnPreferences", QT_TR_NOOP("&Preferences\xE2\x80\xA6"), &frmMain::ShowPreferences);
    add("mnAbout", QT_TR_NOOP("&About Nimbrel\xE2\x80\xA6"), &frmMain::ShowAbout);
    mnSysTray_->addSeparator();
    add("mnExit", QT_TR_NOOP("E&xit Nimbrel"), &frmMain::Exit);
    // F5 updates the current data while the window has the keyboard, as
    // browsers and file managers refresh.
    update->setShortcut(QKeySequence(Qt::Key_F5));
    update->setShortcutContext(Qt::WindowShortcut);
    addAction(update);
}

// --- what the window shows ---------------------------------------------------------

void frmMain::ShowReading(bool fresh) {
    const ReadingScreen r = state_->Reading();
    // A reading without a humidity shows it missing, never a bare "%".
    lblHumid_->setText(!store_.LastReading.empty() && r.humidityCaption == "%"
                           ? QStringLiteral("\u2013")
                           : QString::fromStdString(r.humidityCaption));
    today_.SetUnit(state_->Unit());
    // No reading (a new place before its first one) is an empty tile, not
    // a made-up 0°.
    if (store_.LastReading.empty())
        today_.Clear();
    else
        today_.UpdateForecast(Translated("ObservationFeed", r.caption.c_str()), r.summary,
                              r.temperatureKnown ? std::optional<int16_t>(r.temperature) : std::nullopt);
    lblHumid_->setAccessibleName(HumidityName(r.humidityCaption));
    lastUpdateCaption_ = r.lastUpdateCaption;
    ShowNowExtras();
    ShowLastUpdate();
    // A new reading is a new point on the chart.
    if (fresh) RedrawGraph();
    RefreshTray();
}

void frmMain::ShowForecast() {
    const ForecastScreen s = state_->Forecast();
    if (!s.shown) {
        ClearForecast();
        return;
    }
    for (size_t i = 0; i < tiles_.size(); ++i) {
        tiles_[i].SetUnit(state_->Unit());
        tiles_[i].UpdateForecast(
            s.tiles[i].caption, s.tiles[i].summary,
            s.tiles[i].temperatureKnown ? std::optional<int16_t>(s.tiles[i].temperature) : std::nullopt);
        // The stored line in the unit, then the day's sun times as the
        // labels under the dial give them, then the day's extra values.
        const std::string line = state_->ForecastLineOf(int(i));
        const QString extras = DayExtras(int(i));
        tileWidgets_[i]->setToolTip(PlainToolTip(WithExtrasLine(TileToolTip(line, state_->Unit()), extras)));
        const ControlTexts tile = TileTexts(line, state_->Unit());
        tileWidgets_[i]->SetAccessibleText(tile.name, WithExtrasLine(tile.description, extras));
    }
    // A day without a sun time shows it missing, as a missing temperature is.
    auto sunText = [](const std::string& caption) {
        return caption.empty() ? QStringLiteral("\u2013") : QString::fromStdString(caption);
    };
    lblSunrise_->setText(sunText(s.sun.riseCaption));
    lblSunset_->setText(sunText(s.sun.setCaption));
    lblSunrise_->setAccessibleName(SunriseName(s.sun.riseCaption));
    lblSunset_->setAccessibleName(SunsetName(s.sun.setCaption));
    // A time that cannot be read leaves the dial where it was rather than
    // turning it to midnight.
    if (s.sun.riseKnown) {
        sunKnown_ = true;
        sun_.SetSunUp(s.sun.sunUp);
    }
    if (s.sun.setKnown) sun_.SetSunDown(s.sun.sunDown);
    DescribeSun();
    ShowForecastAge();
    ShowChartForecast();
    // Today's chance of rain is part of the "Now" tile's line.
    if (!store_.LastReading.empty()) {
        ShowNowExtras();
        RefreshTray();
    }
}

void frmMain::ClearForecast() {
    for (size_t i = 0; i < tiles_.size(); ++i) {
        tiles_[i].Clear();
        tileWidgets_[i]->setToolTip({});
        tileWidgets_[i]->SetAccessibleText(TileTexts({}, state_->Unit()).name, {});
    }
    lblSunrise_->clear();
    lblSunset_->clear();
    lblSunrise_->setAccessibleName(SunriseName({}));
    lblSunset_->setAccessibleName(SunsetName({}));
    DescribeSun();
    ShowForecastAge();
    ShowChartForecast();
}

void frmMain::DescribeSun() {
    const ForecastScreen s = state_->Forecast();
    const ControlTexts t = SunDialTexts(s.sun, sunKnown_, Now(), sun_.Summary());
    sunWidget_->SetAccessibleText(t.name, t.description);
}

void frmMain::ShowInUnit() {
    // Everything shown is drawn again from what is stored, which is in
    // degrees Celsius whatever the unit; before the first reading the today
    // tile stays blank rather than showing a made-up 0 degrees.
    if (!store_.LastReading.empty()) ShowReading(false);
    ShowForecast();
    if (graph_ && !graphDropped_) graph_->DrawGraphWithCurrentSettings();
}

void frmMain::ShowTileMessage(int index) {
    if (state_->ForecastLineOf(index).empty()) return;
    ForecastMessage m = ForecastTileMessage(state_->Days()[size_t(index)], state_->Unit());
    if (const QString extras = DayExtras(index); !extras.isEmpty()) {
        m.text += "\r\n";
        m.text += extras.toStdString();
    }
    // The service's data comes under a licence that asks for its name.
    if (cycle_->HasSource()) m.text += std::string("\r\n\r\n") + Translated("Credits", kOpenMeteoAttribution);
    ShowMessage(m.text, m.caption, MsgIcon::Information);
}

// The "Now" tile's tip and its sentences for a screen reader: the weather
// now, then the extra values where the source has them.
void frmMain::ShowNowExtras() {
    const QString extras = NowExtras();
    todayWidget_->setToolTip(extras.isEmpty() ? QString() : PlainToolTip(extras));
    const ControlTexts now = NowTexts(store_, state_->Unit());
    todayWidget_->SetAccessibleText(now.name, WithExtrasLine(now.description, extras));
}

QString frmMain::NowExtras() const {
    // Today's chance of rain belongs with the weather now; a forecast of
    // another day does not.
    const ForecastDay& first = state_->Days()[0];
    const bool today = state_->HasForecast() && DatePart(first.date) == DatePart(Now());
    return NowExtrasLine(state_->NowExtras(), today ? first.rainChance : std::nullopt, state_->Unit(), state_->Wind());
}

QString frmMain::DayExtras(int index) const {
    if (index < 0 || index > 2 || !state_->HasForecast()) return {};
    return DayExtrasLine(state_->Days()[size_t(index)], state_->Wind());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched != sunWidget_ || sunKnown_) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) return true;
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton)
            ShowMessage(tr(kSunUnknown).toStdString(), Translated("SunTransit", controls::SunTransit::kSummaryTitle),
                        MsgIcon::Information);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace nimbrel
