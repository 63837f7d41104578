#include "app/Schedule.h"

#include <algorithm>
#include <cmath>

namespace nimbrel {

bool Schedule::SunTick() {
    if (++sunTicks_ < kSaveTicks) return false;
    sunTicks_ = 0;
    return true;
}

bool Schedule::WeatherTick(int updateMinutes) {
    if (++weatherTicks_ < updateMinutes) return false;
    weatherTicks_ = 0;
    return true;
}

bool Schedule::ForecastTick() {
    if (++forecastTicks_ < forecastInterval_) return false;
    forecastTicks_ = 0;
    return true;
}

void Schedule::ForecastResult(bool ok, DateTime now) {
    if (ok) {
        forecastFailures_ = 0;
        forecastInterval_ = kForecastTicks;
        forecastEver_ = true;
        forecastAt_ = now;
        return;
    }
    static constexpr int kRetries[] = {5, 10, 20, kForecastTicks};
    forecastInterval_ = kRetries[std::min(forecastFailures_, 3)];
    ++forecastFailures_;
    // Counted from this failure, whatever asked for the fetch.
    forecastTicks_ = 0;
}

bool Schedule::ForecastOlderThan(DateTime now, double minutes) const {
    return !forecastEver_ || (now - forecastAt_) * 1440.0 > minutes;
}

bool Schedule::ClockJumped(DateTime wall, double monotonicSeconds) {
    const bool first = !clockRead_;
    const double wallMoved = (wall - lastWall_) * 86400.0;
    const double monotonicMoved = monotonicSeconds - lastMonotonic_;
    clockRead_ = true;
    lastWall_ = wall;
    lastMonotonic_ = monotonicSeconds;
    return !first && std::fabs(wallMoved - monotonicMoved) > 120.0;
}

std::optional<FetchRequest> Schedule::Ask(FetchRequest request) {
    if (stopped_) return std::nullopt;
    queue_.push_back(std::move(request));
    if (running_) return std::nullopt;
    return StartNext();
}

std::optional<FetchRequest> Schedule::Done() {
    running_ = false;
    ++handled_;
    return StartNext();
}

void Schedule::Stop() {
    stopped_ = true;
    queue_.clear();
}

std::optional<FetchRequest> Schedule::StartNext() {
    if (queue_.empty() || stopped_) return std::nullopt;
    FetchRequest next = std::move(queue_.front());
    queue_.pop_front();
    running_ = true;
    return next;
}

}  // namespace nimbrel
