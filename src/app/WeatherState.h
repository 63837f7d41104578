#pragma once
// The weather the windows show, in one place: the settings store (the last
// reading, the stored forecast, the history), the forecast days read from it,
// the last observation fetched, the unit temperatures are shown in and the
// place's title. The fetches hand
// their readings here; the main window's view, its tiles, the tray and the
// graph window listen to the signals and draw from what this object holds.
// Nothing is drawn here and nothing is converted: the store stays in degrees
// Celsius, and each view writes a temperature in Unit() when it draws it.
#include <QObject>
#include <string>

#include "base/Defaults.h"
#include "base/Temperature.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/ForecastFeed.h"
#include "feeds/ObservationFeed.h"
#include "feeds/WeatherExtras.h"
#include "store/SettingsStore.h"

namespace nimbrel {

class WeatherState : public QObject {
    Q_OBJECT
public:
    explicit WeatherState(QObject* parent = nullptr);
    // Waits for a save still being finished.
    ~WeatherState() override;

    SettingsStore& Store() { return store_; }
    const SettingsStore& Store() const { return store_; }

    // When LoadSettings has read a file: takes the stored unit and forecast,
    // and tells the listeners of the stored reading and the forecast.
    void Loaded();

    // A fetch's reading: an accepted one is kept in the store (the last
    // reading and the history, or the three forecast lines) and told.
    void Take(const FeedReading& reading);

    // The last observation a fetch brought in this run (empty before the
    // first; the one loaded at start-up lives in the store's texts).
    const Observation& LastObservation() const { return last_; }

    // The place the weather is for, as the window's title names it.
    const std::string& Place() const { return place_; }
    void SetPlace(std::string title);

    TempUnit Unit() const { return unit_; }
    // A new unit (the preferences); told only when it differs.
    void SetUnit(TempUnit unit);

    WindUnit Wind() const { return windUnit_; }
    // A new wind unit; told as unitChanged, once, when it differs.
    void SetWindUnit(WindUnit unit);

    // The extra values of the last reading (feels-like, wind), as kept in
    // the store: those of the file at start-up, then each fetch's; empty
    // where the source had none.
    const Observation& NowExtras() const { return nowExtras_; }
    // The hourly forecast as kept, all of it; HoursToShow picks what is
    // still to come.
    const HourlyForecast& Hours() const { return hours_; }

    // The three days of the stored forecast (empty days before the first),
    // with their chance of rain and strongest wind where the source had them.
    const ForecastDays& Days() const { return days_; }
    bool HasForecast() const { return !store_.ForecastText.empty(); }
    // What the stored reading and forecast put on the screen, in the unit.
    ReadingScreen Reading() const { return ReadingScreenFor(store_); }
    ForecastScreen Forecast() const { return ForecastScreenFor(store_.ForecastText, unit_); }
    // The stored line of forecast tile index (0 to 2); empty before the first forecast.
    std::string ForecastLineOf(int index) const;

    // Another place was chosen: the last reading and the forecast were the
    // old place's, and are dropped until the new place's first ones come.
    // The history stays: it is the user's record, whatever the place.
    void ForgetPlaceWeather();

    // Writes settings.txt and tells the outcome; true when it reached the
    // disk. Waits for a save still being finished first.
    bool Save();
    // The regular save: writes the new file here, and leaves the flushes to
    // the disk, which can hold a thread for milliseconds, to a thread of
    // their own; the outcome is told (saved) on this object's thread when
    // they are done, or at once when there was nothing to leave to them.
    void SaveInBackground();

signals:
    // The reading changed: fresh for a new one from a fetch, not for the one
    // loaded at start-up (the chart is then drawn with the window).
    void readingChanged(bool fresh);
    void forecastChanged();
    void unitChanged();
    void placeChanged();
    // After each save: whether settings.txt was written.
    void saved(bool ok);
    // After each SaveInBackground, once its outcome is known: whether
    // settings.txt was written.
    void savedInBackground(bool ok);

private:
    void ReadDays();

    SettingsStore store_;
    ForecastDays days_{};
    HourlyForecast hours_;
    Observation nowExtras_;
    TempUnit unit_ = kDefaultUnit;
    WindUnit windUnit_ = kDefaultWindUnit;
    Observation last_;
    std::string place_ = "Nimbrel";
};

}  // namespace nimbrel
