// The main window's start-up and unloading, and its answers to the fetch
// cycle: the ticks, what each fetch did, the status in the tool tips.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "app/CommandLine.h"
#include "app/PlaceChoice.h"
#include "app/PlainText.h"
#include "app/Preferences.h"
#include "app/Process.h"
#include "app/SaveOutcome.h"
#include "app/SystemJournal.h"
#include "app/TrayIconPicture.h"
#include "app/WindowHints.h"
#include "app/WindowMemory.h"
#include "app/frmMain.h"
#include "base/Clock.h"
#include "base/Defaults.h"
#include "graph/frmGraph.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

namespace {

// The feed server named at the start wins over the stored one.
std::string ServerInForce(const frmMain::Config& config, const SettingsStore& store) {
    return config.feedNamed ? config.feedBaseUrl : StoredFeedServer(store, config.feedBaseUrl);
}

}  // namespace

void frmMain::Load() {
    if (loaded_) return;
    loaded_ = true;
    // The sun timer runs from the moment the window exists.
    cycle_->StartSunTimer();

    FinishLayout();

    // Without a settings file: every five minutes, for location 1769.
    store_.SetFolder(config_.folder);
    store_.UpdateMinutes = kDefaultUpdateMinutes;
    store_.LocationId = kDefaultLocationId;
    BuildFeedUrls();
    // The file may name another location and holds the last reading.
    store_.OnRebuildFeedUrls = [this](SettingsStore&) { BuildFeedUrls(); };
    // What a file held goes on the screen: the reading and the forecast.
    store_.OnShowLoaded = [this](SettingsStore&) { state_->Loaded(); };
    std::error_code noFile;
    const bool firstStart = !std::filesystem::exists(store_.SettingsPath, noFile);
    store_.LoadSettings();
    TidyStoredPlace(store_);
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
    // A folder that no save can reach is told now, not at the first save a
    // quarter of an hour on, or at the end when the readings are lost.
    if (const std::string problem = store_.FolderProblem(); !problem.empty()) ShowNotice(problem);
    ShowForecastAge();
    ShowStatus();
    // Until the first reading the last line says what the window waits for.
    noReading_ = !cycle_->HasSource() && store_.LocationId.empty() ? NoReading::NoPlace : NoReading::Waiting;
    ShowLastUpdate();
    // The chart of the last seven days, in the graph window (hidden).
    const DateTime now = Now();
    DrawWeatherGraph(true, true, now - 7, now, true);
    cycle_->StartFetchTimers();
    // Reading and thinning a long history left megabytes of copies behind.
    ReleaseFreedMemory();
    if (ContainsTray(config_.commandLine)) ToggleTray();
    // Started from the desktop menu after installing: ask for a place once,
    // after the window is up, without waiting for the answer.
    if (firstStart && config_.mayAskForPlace && !config_.place) QTimer::singleShot(0, this, &frmMain::SetLocation);
}

void frmMain::ChooseSource() {
    const bool placeGiven = config_.place.has_value();
    cycle_->SetSource(SourceFor(store_, config_.feedNamed, placeGiven));
    state_->SetPlace(TitleFor(store_, config_.feedNamed, placeGiven));
    setWindowTitle(QString::fromStdString(state_->Place()));
    RefreshTray();
}

void frmMain::BuildFeedUrls() {
    cycle_->SetFeedUrls(nimbrel::BuildFeedUrls(ServerInForce(config_, store_), store_.LocationId));
}

void frmMain::ShowFirst() {
    if (blnIconShown() || unloaded_) return;
    PlaceCentred();
    SetTaskbarEntry(*this, false);
    AvoidUtilityTypeUnderWeston(*this);
    show();
    KeepAbove(*this);
    raise();
    TakeFocus();
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

void frmMain::RememberPlaces() {
    const bool neverMoved = !centredPlace_.empty() && store_.Extra(kMainWindowKey).empty() &&
                            FormatWindowPosition(x(), y()) == centredPlace_;
    if (placed_ && !neverMoved) RememberWindowPlace(*this, store_, kMainWindowKey, false);
    RememberGraphPlace();
}

void frmMain::RememberGraphPlace() {
    // A window that was let go left its place in the store when it went.
    if (graph_ && !graphFirstPlace_.empty() &&
        (!store_.Extra(kGraphWindowKey).empty() ||
         FormatWindowRect(WindowRect{graph_->x(), graph_->y(), graph_->width(), graph_->height()}) != graphFirstPlace_))
        RememberWindowPlace(*graph_, store_, kGraphWindowKey, true);
}

// --- unloading ----------------------------------------------------------------------

bool frmMain::QueryUnload(UnloadReason reason) {
    if (reason == UnloadReason::CloseButton) {
        // The close button sends the window to the tray (or back).
        ToggleTray();
        return true;
    }
    RememberPlaces();
    bool saved = state_->Save();
    // "Exit Nimbrel" comes from someone at the window: the readings kept in
    // memory are not thrown away without asking. The session's end and a
    // signal cannot wait on an answer.
    while (!saved && reason == UnloadReason::Code && AskToSaveAgain()) saved = state_->Save();
    if (!saved) {
        // Said where the user who ended the program can still read it (the
        // terminal, the system journal), and in the exit status.
        ReportExitSaveFailure(store_.SettingsPath, SaveFailureReason(store_));
        exitStatus_ = 1;
    }
    if (blnIconShown()) RemoveTrayIcon();
    if (graph_) graph_->Unload();
    return false;
}

bool frmMain::AskToSaveAgain() {
    QuestionRequest question;
    question.text =
        tr("%1 could not save its history to %2: %3. The readings since the last save will be lost if it ends now.")
            .arg(QString::fromUtf8(kAppTitle), QString::fromStdString(store_.SettingsPath),
                 QString::fromStdString(SaveFailureReason(store_)))
            .toStdString();
    question.firstButton = tr("Try again").toStdString();
    question.secondButton = tr("End and lose the unsaved readings").toStdString();
    question.icon = MsgIcon::Warning;
    return AskQuestion(question);
}

void frmMain::Unload(UnloadReason reason) {
    if (unloaded_ || unloading_) return;
    unloading_ = true;
    if (QueryUnload(reason)) {
        unloading_ = false;
        return;
    }
    unloaded_ = true;
    cycle_->Stop();
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

// --- the cycle's ticks and fetches -------------------------------------------------------

void frmMain::OnSunTick() {
    sun_.DrawSunPosition();
    DescribeSun();
    // A save that failed is tried again every minute.
    if (cycle_->SunTick() || saveFailing_) Save();
    ShowLastUpdate();
    ShowForecastAge();
}

void frmMain::OnResumed() {
    if (unloaded_) return;
    cycle_->Resumed();
}

void frmMain::OnWeatherTick() {
    cycle_->WeatherTick(store_.UpdateMinutes);
}

void frmMain::OnForecastTick() {
    cycle_->ForecastTick();
}

void frmMain::OnFetched(const FetchOutcome& outcome) {
    if (unloaded_) return;
    state_->Take(outcome.reading);
    const bool forecast = outcome.kind == FeedKind::Forecast;
    (forecast ? forecastStatus_ : observationStatus_) =
        (forecast ? tr("Forecast %1: %2") : tr("Observation %1: %2"))
            .arg(QString::fromStdString(FormatTimeHM(Now())), QString::fromStdString(outcome.what))
            .toStdString();
    ShowStatus();
    if (!forecast && !outcome.ok && store_.LastUpdate.empty() && noReading_ != NoReading::NoPlace) {
        noReading_ = NoReading::Unreachable;
        ShowLastUpdate();
    }
    // A menu command is answered; the timers stay quiet, the tool tip and
    // the dimmed line say enough.
    if (!outcome.ok && outcome.byUser) {
        notice_.ShowFetchFailure(
            (forecast ? tr("%1 could not update the forecast: %2.") : tr("%1 could not update the current data: %2."))
                .arg(QString::fromUtf8(kAppTitle), QString::fromStdString(outcome.what))
                .toStdString());
    } else if (outcome.ok) {
        // The server is back: the notice of its outage is no longer true.
        notice_.FetchWorked();
    }
}

std::string frmMain::StatusLines() const {
    std::string lines;
    for (const std::string* line : {&observationStatus_, &forecastStatus_})
        if (!line->empty()) lines += "\n" + *line;
    return lines;
}

std::string frmMain::StatusTip() const {
    // The place leads: the title bar is too narrow to show its name.
    const std::string& place = state_->Place();
    return (place.empty() ? std::string(kAppTitle) : place) + StatusLines();
}

// The tray's tip leads with the last reading, then says how the fetches went.

// The tray's tip leads with the last reading, then says how the fetches went.
std::string frmMain::TrayTip() const {
    const std::string& place = state_->Place();
    std::string tip =
        TrayTipFor(store_, place.empty() ? std::string(kAppTitle) : place, state_->Unit(), cycle_->HasSource());
    const QString extras = store_.LastReading.empty() ? QString() : NowExtras();
    if (!extras.isEmpty()) {
        tip += '\n';
        tip += extras.toStdString();
    }
    return tip + StatusLines();
}

void frmMain::ShowStatus() {
    setToolTip(PlainToolTip(StatusTip()));
    RefreshTray();
}

}  // namespace nimbrel
