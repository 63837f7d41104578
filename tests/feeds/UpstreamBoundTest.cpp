// nimbrel-feed --source open-meteo as the shared server of a home: places on
// the service's grid share one upstream request, and the places it asks
// upstream for in an hour are bounded, with a clear 429 past the bound.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>

#include "FakeOpenMeteo.h"
#include "ToolProcess.h"
#include "feeds/FeedRetrieval.h"

namespace nimbrel {
namespace {

using test::FakeOpenMeteo;
using test::ToolProcess;

const std::string kFeed = NIMBREL_FEED_EXE;

std::string BaseOf(const ToolProcess& server) {
    std::smatch m;
    std::string out;
    for (int i = 0; i < 500; ++i) {
        out = server.Out();
        if (std::regex_search(out, m, std::regex("listening on (\\S+)\n"))) return m[1].str();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "no listening line: " << out << server.Err();
    return {};
}

TEST(SharedServer, RoundsToTheGridAndBoundsThePlacesAnHour) {
    FakeOpenMeteo fake;
    test::ScratchFolder tmp;
    ToolProcess server({kFeed, "--port", "0", "--source", "open-meteo"}, {"NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl()},
                       tmp.Path());
    const std::string base = BaseOf(server);
    ASSERT_FALSE(base.empty());

    // Three desktops a few metres apart: one place on the grid, one request,
    // asked for with two decimals.
    for (const char* id : {"52.5200,13.4100", "52.5213,13.4149", "52.51501,13.40501"})
        EXPECT_TRUE(Fetch(BuildFeedUrls(base, id).ObservationUrl).ok) << id;
    EXPECT_EQ(fake.ForecastRequests(), 1);
    EXPECT_EQ(fake.LastQuery().find("latitude")->second, "52.52");
    EXPECT_EQ(fake.LastQuery().find("longitude")->second, "13.41");

    // Up to the default bound of 60 places an hour, each place is asked for
    // once; the next distinct place is refused with 429 and says why.
    for (int i = 1; i < 60; ++i) ASSERT_TRUE(Fetch(BuildFeedUrls(base, "10," + std::to_string(i)).ForecastUrl).ok) << i;
    EXPECT_EQ(fake.ForecastRequests(), 60);
    httplib::Client client(base);
    const auto refused = client.Get("/weather/feeds/rss/obs/id/11,90.xml");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    EXPECT_NE(refused->body.find("at most 60 places an hour"), std::string::npos) << refused->body;
    EXPECT_FALSE(refused->get_header_value("Retry-After").empty());
    EXPECT_EQ(fake.ForecastRequests(), 60);
    // Places already asked for this hour are still served.
    EXPECT_TRUE(Fetch(BuildFeedUrls(base, "52.52,13.41").ForecastUrl).ok);
    EXPECT_TRUE(Fetch(BuildFeedUrls(base, "10,3").ObservationUrl).ok);
    EXPECT_EQ(fake.ForecastRequests(), 60);

    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0);
}

TEST(SharedServer, TheBoundIsAnOption) {
    FakeOpenMeteo fake;
    test::ScratchFolder tmp;
    ToolProcess server({kFeed, "--port", "0", "--source", "open-meteo", "--places-per-hour", "2"},
                       {"NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl()}, tmp.Path());
    const std::string base = BaseOf(server);
    EXPECT_TRUE(Fetch(BuildFeedUrls(base, "1,1").ObservationUrl).ok);
    EXPECT_TRUE(Fetch(BuildFeedUrls(base, "2,2").ObservationUrl).ok);
    EXPECT_EQ(Fetch(BuildFeedUrls(base, "3,3").ObservationUrl).status, 429);
    ToolProcess bad({kFeed, "--places-per-hour", "0"}, {}, tmp.Path());
    EXPECT_EQ(bad.Wait(), 2);
}

}  // namespace
}  // namespace nimbrel
