#include <gtest/gtest.h>

#include "app/Schedule.h"

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

}  // namespace
}  // namespace nimbrel
