#include "app/Schedule.h"

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
    if (++forecastTicks_ < kForecastTicks) return false;
    forecastTicks_ = 0;
    return true;
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
