#include <gtest/gtest.h>

#include <vector>

#include "app/Schedule.h"
#include "base/Clock.h"

namespace nimbrel {
namespace {

FetchRequest Obs(const std::string& url = "obs") {
    return {FeedKind::Observation, url};
}
FetchRequest Forecast(const std::string& url = "5day") {
    return {FeedKind::Forecast, url};
}

// How many of n ticks said "now".
template <typename Tick>
int Count(int n, Tick tick) {
    int yes = 0;
    for (int i = 0; i < n; ++i) yes += tick() ? 1 : 0;
    return yes;
}

TEST(Schedule, TicksCountToTheirIntervals) {
    Schedule s;
    EXPECT_EQ(Count(14, [&] { return s.SunTick(); }), 0);
    EXPECT_TRUE(s.SunTick());
    EXPECT_EQ(Count(30, [&] { return s.SunTick(); }), 2);

    EXPECT_EQ(Count(29, [&] { return s.ForecastTick(); }), 0);
    EXPECT_TRUE(s.ForecastTick());
    EXPECT_FALSE(s.ForecastTick());

    EXPECT_EQ(Count(4, [&] { return s.WeatherTick(5); }), 0);
    EXPECT_TRUE(s.WeatherTick(5));
    EXPECT_EQ(Count(20, [&] { return s.WeatherTick(10); }), 2);
}

TEST(Schedule, MinutesOfOneZeroOrLessFetchOnEveryTick) {
    for (int minutes : {1, 0, -5}) {
        Schedule s;
        EXPECT_EQ(Count(3, [&] { return s.WeatherTick(minutes); }), 3) << minutes;
    }
}

TEST(Schedule, AShorterIntervalTakesEffectAtTheNextTick) {
    Schedule s;
    EXPECT_EQ(Count(7, [&] { return s.WeatherTick(10); }), 0);
    // Settings read with a smaller interval: the counter is already past it.
    EXPECT_TRUE(s.WeatherTick(5));
}

TEST(Schedule, OneFetchRunsTheOthersWaitInTheOrderAsked) {
    Schedule s;
    auto first = s.Ask(Obs("a"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->url, "a");
    EXPECT_TRUE(s.Running());
    EXPECT_FALSE(s.Ask(Obs("b")));
    EXPECT_FALSE(s.Ask(Forecast("c")));
    EXPECT_EQ(s.Waiting(), 2u);

    auto next = s.Done();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->url, "b");
    next = s.Done();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->kind, FeedKind::Forecast);
    EXPECT_FALSE(s.Done());
    EXPECT_FALSE(s.Running());
    EXPECT_EQ(s.Handled(), 3);

    // Idle again: the next ask starts at once.
    EXPECT_TRUE(s.Ask(Obs()));
}

TEST(Schedule, StoppedDropsTheWaitingAndRefusesNewOnes) {
    Schedule s;
    ASSERT_TRUE(s.Ask(Obs()));
    s.Ask(Forecast());
    s.Stop();
    EXPECT_EQ(s.Waiting(), 0u);
    EXPECT_FALSE(s.Ask(Obs()));
    // The running one still ends, and nothing follows it.
    EXPECT_FALSE(s.Done());
    EXPECT_EQ(s.Handled(), 1);
}

// Ticks until the forecast timer says "now".
int TicksToForecast(Schedule& s) {
    for (int i = 1; i <= 100; ++i)
        if (s.ForecastTick()) return i;
    return -1;
}

TEST(Schedule, FailedForecastsAreTriedAgainAfterFiveTenTwentyThenThirtyTicks) {
    ScopedClock clock(DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0));
    Schedule s;
    EXPECT_EQ(TicksToForecast(s), 30);
    std::vector<int> gaps;
    for (int i = 0; i < 5; ++i) {
        s.ForecastResult(false, Now());
        gaps.push_back(TicksToForecast(s));
    }
    EXPECT_EQ(gaps, (std::vector<int>{5, 10, 20, 30, 30}));
    // A good one resets the back-off; the next outage starts again at 5.
    s.ForecastResult(true, Now());
    EXPECT_EQ(s.ForecastInterval(), 30);
    EXPECT_EQ(TicksToForecast(s), 30);
    s.ForecastResult(false, Now());
    EXPECT_EQ(TicksToForecast(s), 5);
}

TEST(Schedule, ForecastAgeCountsFromTheLastGoodOne) {
    ScopedClock clock(DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0));
    Schedule s;
    EXPECT_TRUE(s.ForecastOlderThan(Now(), 30));  // none yet
    s.ForecastResult(true, Now());
    clock.Advance(29.0 / 1440);
    EXPECT_FALSE(s.ForecastOlderThan(Now(), 30));
    s.ForecastResult(false, Now());  // a failure does not make it newer
    clock.Advance(2.0 / 1440);
    EXPECT_TRUE(s.ForecastOlderThan(Now(), 30));
}

TEST(Schedule, AWallClockJumpAgainstTheMonotonicClockIsAResume) {
    ScopedClock clock(DateSerial(2026, 12, 5) + TimeSerial(14, 0, 0));
    Schedule s;
    double monotonic = 1000;
    EXPECT_FALSE(s.ClockJumped(Now(), monotonic));  // the first reading only sets the base
    // Ordinary minutes, a late timer, drift under two minutes: no resume.
    for (double minutes : {1.0, 1.0, 3.0}) {
        clock.Advance(minutes / 1440);
        monotonic += minutes * 60;
        EXPECT_FALSE(s.ClockJumped(Now(), monotonic));
    }
    clock.Advance(2.9 / 1440);
    monotonic += 60;
    EXPECT_FALSE(s.ClockJumped(Now(), monotonic));  // 1.9 minutes ahead
    // A night asleep: the monotonic clock stood still.
    clock.Advance(8.0 / 24);
    monotonic += 60;
    EXPECT_TRUE(s.ClockJumped(Now(), monotonic));
    clock.Advance(1.0 / 1440);
    monotonic += 60;
    EXPECT_FALSE(s.ClockJumped(Now(), monotonic));
    // The clock set back by an hour counts too.
    clock.Advance(-1.0 / 24);
    monotonic += 60;
    EXPECT_TRUE(s.ClockJumped(Now(), monotonic));
}

}  // namespace
}  // namespace nimbrel
