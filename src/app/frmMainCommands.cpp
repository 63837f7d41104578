// The main window's menu commands, its preferences and the choice of place.
#include <QCoreApplication>
#include <QLabel>
#include <cmath>

#include "app/AboutBox.h"
#include "app/PlaceChoice.h"
#include "app/Preferences.h"
#include "app/PreferencesDialog.h"
#include "app/frmMain.h"
#include "graph/frmGraph.h"
#include "platform/qt/DialogPlace.h"
#include "platform/ui/QtMessageBox.h"

namespace nimbrel {

namespace {

// The feed server named at the start wins over the stored one.
std::string ServerInForce(const frmMain::Config& config, const SettingsStore& store) {
    return config.feedNamed ? config.feedBaseUrl : StoredFeedServer(store, config.feedBaseUrl);
}

}  // namespace

void frmMain::FetchBoth() {
    cycle_->Ask(FeedKind::Observation);
    cycle_->Ask(FeedKind::Forecast);
}

void frmMain::UpdateCurrent() {
    cycle_->Ask(FeedKind::Observation, true);
}

void frmMain::UpdateForecast() {
    cycle_->Ask(FeedKind::Forecast, true);
}

void frmMain::Exit() {
    if (graph_) graph_->Unload();
    Unload(UnloadReason::Code);
}

void frmMain::SetLocation() {
    if (unloaded_) return;
    PlaceDialog* dialog = PlaceDialog::OpenOnce(this, placeDialog_);
    if (!dialog) return;
    const bool placeKnown = cycle_->HasSource();
    dialog->onChosen = [this](const Place& place) { UsePlace(place); };
    dialog->onCancelled = [this, placeKnown] {
        if (!placeKnown && store_.LastUpdate.empty()) {
            noReading_ = NoReading::NoPlace;
            ShowLastUpdate();
        }
    };
    PlaceNear(*dialog, this);
    dialog->show();
}

void frmMain::UsePlace(const Place& place) {
    // The same place chosen again keeps what the window shows.
    Place before;
    const bool another =
        !cycle_->HasSource() || !StoredPlace(store_, before) || std::abs(before.latitude - place.latitude) > 1e-4 ||
        std::abs(before.longitude - place.longitude) > 1e-4 || before.DisplayName() != place.DisplayName();
    StorePlace(store_, place);
    store_.SaveSettings();
    if (noReading_ == NoReading::NoPlace) noReading_ = NoReading::Waiting;
    // The place chosen here wins over a feed server named at start.
    config_.place = place;
    ChooseSource();
    if (another) ForgetPlaceWeather();
    UpdateCurrent();
    UpdateForecast();
}

void frmMain::ForgetPlaceWeather() {
    // The old place's status lines would be read as the new place's.
    observationStatus_.clear();
    forecastStatus_.clear();
    if (noReading_ != NoReading::NoPlace) noReading_ = NoReading::Waiting;
    state_->ForgetPlaceWeather();
    ShowStatus();
}

void frmMain::ShowAbout() {
    AboutBox::Open(this, config_.folder);
}

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
    if (!preferences_->isVisible()) PlaceNear(*preferences_, this);
    preferences_->show();
    preferences_->raise();
    preferences_->activateWindow();
}

std::string frmMain::SavePreferences(const PreferenceValues& values) {
    const PreferenceValues before = CurrentPreferences(store_, ServerInForce(config_, store_));
    PreferenceChanges changes;
    // The entry starts the program as it runs now: the same folder, and the
    // feed server when one was named on the command line.
    std::vector<std::string> command = {QCoreApplication::applicationFilePath().toStdString(), "--folder",
                                        config_.folder};
    if (config_.feedNamed) command.insert(command.end(), {"--feed", config_.feedBaseUrl});
    if (std::string why = nimbrel::SavePreferences(store_, before, values, command, &changes); !why.empty()) return why;
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
    if (changes.unit) {
        state_->SetWindUnit(StoredWindUnit(store_));
        state_->SetUnit(StoredUnit(store_));
    }
    if (changes.place || changes.chosenPlace) {
        ForgetPlaceWeather();
        UpdateCurrent();
        UpdateForecast();
    }
    return {};
}

}  // namespace nimbrel
