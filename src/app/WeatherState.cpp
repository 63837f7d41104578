#include "app/WeatherState.h"

#include "app/Preferences.h"
#include "base/modMisc.h"

namespace nimbrel {

WeatherState::WeatherState(QObject* parent) : QObject(parent) {
    // The saving thread only asks for the outcome to be taken here, on this
    // object's thread. A save whose outcome another save has taken leaves
    // nothing, and one that has not ended yet (a later save, begun before
    // this call came) is not waited for here: its own call will come.
    store_.OnBackgroundSaveDone = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!store_.BackgroundSaveEnded() || !store_.FinishBackgroundSave()) return;
                const bool ok = store_.LastSaveSucceeded();
                emit saved(ok);
                emit savedInBackground(ok);
            },
            Qt::QueuedConnection);
    };
}

WeatherState::~WeatherState() {
    // The thread must not post to this object while it goes.
    store_.FinishBackgroundSave();
}

void WeatherState::ReadDays() {
    days_ = {};
    hours_.clear();
    if (store_.ForecastText.empty()) return;
    for (int16_t k = 1; k <= 3; ++k) days_[size_t(k - 1)] = ReadForecastDay(GetField(store_.ForecastText, "\r\n", k));
    // Read back from the store, where the fetch has just put them: the
    // values shown are always the ones a restart would show.
    LoadForecastExtras(store_, days_, hours_);
}

void WeatherState::Loaded() {
    unit_ = StoredUnit(store_);
    windUnit_ = StoredWindUnit(store_);
    nowExtras_ = {};
    if (!store_.LastReading.empty()) LoadObservationExtras(store_, nowExtras_);
    ReadDays();
    emit readingChanged(false);
    emit forecastChanged();
}

void WeatherState::Take(const FeedReading& reading) {
    if (!reading.accepted) return;
    StoreFeedReading(reading, store_);
    if (reading.kind == FeedKind::Forecast) {
        ReadDays();
        emit forecastChanged();
    } else {
        last_ = reading.observation;
        nowExtras_ = {};
        LoadObservationExtras(store_, nowExtras_);
        emit readingChanged(true);
    }
}

void WeatherState::SetUnit(TempUnit unit) {
    if (unit == unit_) return;
    unit_ = unit;
    emit unitChanged();
}

void WeatherState::SetWindUnit(WindUnit unit) {
    if (unit == windUnit_) return;
    windUnit_ = unit;
    emit unitChanged();
}

void WeatherState::SetPlace(std::string title) {
    if (title == place_) return;
    place_ = std::move(title);
    emit placeChanged();
}

std::string WeatherState::ForecastLineOf(int index) const {
    if (store_.ForecastText.empty() || index < 0 || index > 2) return {};
    return GetField(store_.ForecastText, "\r\n", int16_t(index + 1));
}

void WeatherState::ForgetPlaceWeather() {
    store_.LastReading.clear();
    store_.CurrentSummary.clear();
    store_.CurrentTemp = 0;
    store_.LastUpdate.clear();
    store_.HumidityCaption.clear();
    store_.ForecastText.clear();
    last_ = {};
    nowExtras_ = {};
    ReadDays();
    emit readingChanged(false);
    emit forecastChanged();
}

bool WeatherState::Save() {
    store_.SaveSettings();
    const bool ok = store_.LastSaveSucceeded();
    emit saved(ok);
    return ok;
}

void WeatherState::SaveInBackground() {
    store_.SaveSettingsInBackground();
    if (store_.SavePending()) return;
    const bool ok = store_.LastSaveSucceeded();
    emit saved(ok);
    emit savedInBackground(ok);
}

}  // namespace nimbrel
