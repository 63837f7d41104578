#pragma once
// When the main window fetches and saves, and the order its fetches run in.
// The window's three one-minute timers tick in; out come "fetch this
// document" and "save now". Only one fetch runs at a time: one asked for
// while another runs waits for it, so documents are handled in the order
// they were asked for. No toolkit here: the window starts each fetch it is
// handed and reports it handled.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "base/DateTime.h"
#include "feeds/FeedRetrieval.h"

namespace nimbrel {

struct FetchRequest {
    FeedKind kind = FeedKind::Observation;
    std::string url;
    bool byUser = false;  // a menu command, which tells the user when it fails
};

class Schedule {
public:
    // The forecast every 30 ticks, settings.txt every 15.
    static constexpr int kForecastTicks = 30;
    static constexpr int kSaveTicks = 15;

    // The sun timer's tick: true when settings.txt is due to be saved.
    bool SunTick();
    // The observation timer's tick: true every updateMinutes-th tick (every
    // tick for 0 or 1).
    bool WeatherTick(int updateMinutes);
    // The forecast timer's tick: true every 30th tick, sooner after a
    // failed forecast (see ForecastResult).
    bool ForecastTick();

    // How a forecast fetch ended, at the wall-clock time now. A failure
    // brings the next try forward: 5 ticks after the first, then 10, 20 and
    // the regular 30, so a short outage costs minutes, not half an hour; a
    // good forecast restores the regular 30.
    void ForecastResult(bool ok, DateTime now);
    // Ticks from one forecast try to the next.
    int ForecastInterval() const { return forecastInterval_; }
    // True when no good forecast has come for more than the given minutes
    // (or none has come since the start).
    bool ForecastOlderThan(DateTime now, double minutes) const;

    // The wall clock and a monotonic clock (seconds), read at each sun
    // tick: true when the wall clock moved more than two minutes further
    // than the monotonic one since the last tick. The monotonic clock stops
    // while the machine sleeps, so this is how a resume shows where no
    // session bus announces it; a clock set by hand looks the same, and a
    // fetch more than needed does no harm.
    bool ClockJumped(DateTime wall, double monotonicSeconds);

    // Asks for a fetch: returns it when it is to start now, nothing when it
    // waits for the running one or the schedule has stopped.
    std::optional<FetchRequest> Ask(FetchRequest request);
    // The running fetch has been handled: returns the next one to start.
    std::optional<FetchRequest> Done();
    // Drops the waiting fetches and refuses new ones (the window unloads).
    void Stop();

    bool Running() const { return running_; }
    size_t Waiting() const { return queue_.size(); }
    // Documents handled so far, accepted or not.
    int Handled() const { return handled_; }

private:
    std::optional<FetchRequest> StartNext();

    int sunTicks_ = 0;
    int weatherTicks_ = 0;
    int forecastTicks_ = 0;
    int forecastInterval_ = kForecastTicks;
    int forecastFailures_ = 0;
    bool forecastEver_ = false;
    DateTime forecastAt_ = 0;
    bool clockRead_ = false;
    DateTime lastWall_ = 0;
    double lastMonotonic_ = 0;
    std::deque<FetchRequest> queue_;
    bool running_ = false;
    bool stopped_ = false;
    int handled_ = 0;
};

}  // namespace nimbrel
