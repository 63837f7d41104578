// Answers nested far deeper than any real one, from a fake of the services on
// loopback: refused with a reason by the conversion, the place search, and
// every use in nimbrel-feed, which keeps serving afterwards.
#include <gtest/gtest.h>
#include <signal.h>

#include <regex>

#include "DeepJson.h"
#include "FakeOpenMeteo.h"
#include "ToolProcess.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/JsonDepth.h"
#include "feeds/OpenMeteo.h"
#include "feeds/PlaceSearch.h"

namespace nimbrel {
namespace {

using test::DeepArray;
using test::DeepForecastJson;
using test::FakeOpenMeteo;
using test::ToolProcess;

const std::string kFeed = NIMBREL_FEED_EXE;

TEST(JsonNesting, CountsBracketsOutsideStringsOnly) {
    EXPECT_EQ(JsonNesting(""), 0);
    EXPECT_EQ(JsonNesting(R"({"a":[1,{"b":[]}]})"), 4);
    EXPECT_EQ(JsonNesting(R"({"a":"[[[[{{{{"})"), 1);
    // An escaped quote does not end the string; an escaped backslash does not
    // escape the quote after it.
    EXPECT_EQ(JsonNesting(R"({"a":"\"[[[[","b":"\\","c":[[]]})"), 3);
    // Closing brackets with nothing open do not hide a later run.
    EXPECT_EQ(JsonNesting("]]]]]" + DeepArray(70), 64), 65);
    EXPECT_EQ(JsonNesting(DeepArray(150000)), kMaxJsonDepth + 1);
}

TEST(DeepAnswer, IsRefusedBeforeAnythingIsCopied) {
    for (bool inDaily : {false, true}) {
        SCOPED_TRACE(inDaily);
        const std::string json = DeepForecastJson(inDaily);
        EXPECT_GT(json.size(), 300000u);
        const OpenMeteoDocuments docs = ConvertOpenMeteo(json);
        EXPECT_FALSE(docs.ok);
        EXPECT_EQ(docs.error, "the answer nests deeper than 64 levels");
        EXPECT_TRUE(docs.observation.empty() && docs.forecast.empty());
    }
    // The limit leaves room: a value 60 levels deep in a part the
    // conversion does not read is taken.
    std::string json = test::BerlinForecastJson();
    json.insert(1, "\"extra\":" + DeepArray(60) + ",");
    EXPECT_TRUE(ConvertOpenMeteo(json).ok) << ConvertOpenMeteo(json).error;

    const PlaceSearch deep =
        ParsePlaceSearch(R"({"results":[{"name":"X","latitude":1,"longitude":2,"admin1":)" + DeepArray(150000) + "}]}");
    EXPECT_FALSE(deep.ok);
    EXPECT_EQ(deep.error, "the place search's answer nests deeper than 64 levels");
    EXPECT_TRUE(ParsePlaceSearch(test::BerlinSearchJson()).ok);
}

struct ServicesAt {
    explicit ServicesAt(const FakeOpenMeteo& fake)
        : env{"NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl(), "NIMBREL_GEOCODING_URL=" + fake.BaseUrl()} {}
    std::vector<std::string> env;
};

TEST(DeepAnswer, NimbrelFeedCheckAndPlacesRefuseItWithAMessage) {
    FakeOpenMeteo fake;
    ServicesAt at(fake);
    test::ScratchFolder tmp;
    for (bool inDaily : {false, true}) {
        SCOPED_TRACE(inDaily);
        fake.SetForecast({200, DeepForecastJson(inDaily)});
        ToolProcess check({kFeed, "check", "--source", "open-meteo", "--place", "52.52,13.41"}, at.env, tmp.Path());
        EXPECT_EQ(check.Wait(), 1) << check.Err();
        EXPECT_NE(check.Out().find("accepted: no (the weather service's answer was refused: the answer nests deeper "
                                   "than 64 levels)"),
                  std::string::npos)
            << check.Out();
    }
    fake.SetSearch("Deep", {200, R"({"results":)" + DeepArray(150000) + "}"});
    ToolProcess places({kFeed, "places", "Deep"}, at.env, tmp.Path());
    EXPECT_EQ(places.Wait(), 1);
    EXPECT_EQ(places.Out(), "");
    EXPECT_EQ(places.Err(), "nimbrel-feed: the place search's answer nests deeper than 64 levels\n");
}

TEST(DeepAnswer, TheSharedServerRefusesItAndGoesOnServing) {
    FakeOpenMeteo fake;
    ServicesAt at(fake);
    test::ScratchFolder tmp;
    fake.SetForecast({200, DeepForecastJson(false)});
    ToolProcess server({kFeed, "--port", "0", "--source", "open-meteo"}, at.env, tmp.Path());
    std::smatch m;
    std::string out;
    for (int i = 0; i < 500 && !std::regex_search(out = server.Out(), m, std::regex("listening on (\\S+)\n")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(m.size(), 2u) << out << server.Err();
    const FeedUrls urls = BuildFeedUrls(m[1].str(), "52.52,13.41");
    const HttpResult refused = Fetch(urls.ObservationUrl);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.status, 502);
    // The daily position, for another place, on the same server.
    fake.SetForecast({200, DeepForecastJson(true)});
    EXPECT_EQ(Fetch(BuildFeedUrls(m[1].str(), "48.85,2.35").ForecastUrl).status, 502);
    fake.SetForecast({200, test::BerlinForecastJson()});
    const HttpResult good = Fetch(urls.ObservationUrl);
    EXPECT_TRUE(good.ok) << good.error;
    EXPECT_NE(good.body.find("Light Rain"), std::string::npos);
    server.Signal(SIGTERM);
    EXPECT_EQ(server.Wait(), 0) << server.Err();
}

}  // namespace
}  // namespace nimbrel
