// Place names from a hostile search answer or settings.txt: bounded where they
// enter, and printed by the tools with their control characters escaped.
#include <gtest/gtest.h>

#include "FakeOpenMeteo.h"
#include "ToolProcess.h"
#include "feeds/OutsideText.h"
#include "feeds/PlaceSearch.h"

namespace nimbrel {
namespace {

using test::FakeOpenMeteo;
using test::ToolProcess;

const std::string kFeed = NIMBREL_FEED_EXE;

// A search answer with one place of the given name (JSON-escaped here).
std::string SearchAnswer(const std::string& jsonName, const std::string& jsonCountry = "\"Nowhere\"") {
    return R"({"results":[{"name":)" + jsonName + R"(,"latitude":1.5,"longitude":2.25,"country":)" + jsonCountry +
           R"(,"timezone":"Etc/UTC"}]})";
}

TEST(OutsideText, CutsOnACharacterBoundaryAndEscapesControls) {
    EXPECT_EQ(CutUtf8("abc", 5), "abc");
    EXPECT_EQ(CutUtf8("abcdef", 3), "abc");
    // "é" is two bytes, "€" three, "𝄞" four: never half of one.
    EXPECT_EQ(CutUtf8("a\xC3\xA9", 2), "a");
    EXPECT_EQ(CutUtf8("ab\xE2\x82\xAC", 4), "ab");
    EXPECT_EQ(CutUtf8("\xF0\x9D\x84\x9E!", 3), "");
    EXPECT_EQ(CutUtf8("\xF0\x9D\x84\x9E!", 4), "\xF0\x9D\x84\x9E");

    EXPECT_EQ(EscapeControls("Berlin, Land Berlin"), "Berlin, Land Berlin");
    EXPECT_EQ(EscapeControls(std::string("a\x1b[2Jb\x07\r\n\t\0c\x7f", 13)), "a\\x1B[2Jb\\x07\\r\\n\\t\\x00c\\x7F");
    EXPECT_EQ(EscapeControls("back\\slash"), "back\\\\slash");
    // C1 controls (the 8-bit CSI) in UTF-8; other characters stay as they are.
    EXPECT_EQ(EscapeControls("x\xC2\x9B"
                             "1mZ\xC3\xBCrich"),
              "x\\u009B1mZ\xC3\xBCrich");
}

TEST(PlaceNames, AreBoundedWhereTheyEnter) {
    // 7 MB in one name, and a name of many two-byte characters.
    const PlaceSearch huge = ParsePlaceSearch(SearchAnswer("\"" + std::string(7 * 1024 * 1024, 'N') + "\""));
    ASSERT_TRUE(huge.ok);
    ASSERT_EQ(huge.places.size(), 1u);
    EXPECT_EQ(huge.places[0].name, std::string(kMaxPlaceNameBytes, 'N'));
    EXPECT_LE(huge.places[0].DisplayName().size(), kMaxPlaceNameBytes);

    std::string umlauts;
    for (int i = 0; i < 1000; ++i) umlauts += "\xC3\xBC";
    const PlaceSearch wide = ParsePlaceSearch(SearchAnswer("\"" + umlauts + "\"", "\"" + umlauts + "\""));
    ASSERT_EQ(wide.places.size(), 1u);
    EXPECT_EQ(wide.places[0].name, umlauts.substr(0, kMaxPlaceNameBytes));
    EXPECT_EQ(wide.places[0].country, umlauts.substr(0, kMaxPlaceNameBytes));

    // A name stored whole in settings.txt by an older program, or edited in.
    SettingsStore store;
    Place p;
    p.latitude = 1.5;
    p.longitude = 2.25;
    StorePlace(store, p);
    store.SetExtra("place", std::string(7 * 1024 * 1024, 'S'));
    Place stored;
    ASSERT_TRUE(StoredPlace(store, stored));
    EXPECT_EQ(stored.DisplayName(), std::string(kMaxPlaceNameBytes, 'S'));
}

TEST(PlaceNames, NimbrelFeedPlacesPrintsOnePlaceALineEscaped) {
    FakeOpenMeteo fake;
    test::ScratchFolder tmp;
    const std::vector<std::string> env = {"NIMBREL_GEOCODING_URL=" + fake.BaseUrl()};
    fake.SetSearch("Evil", {200, SearchAnswer(R"("<b>Bold</b>\u001b]0;pwned\u0007\r\nX\tY\u0000Z")",
                                              R"("<img src=\"file:///dev/zero\">")")});
    ToolProcess places({kFeed, "places", "Evil"}, env, tmp.Path());
    EXPECT_EQ(places.Wait(), 0) << places.Err();
    EXPECT_EQ(places.Out(),
              "<b>Bold</b>\\x1B]0;pwned\\x07\\r\\nX\\tY\\x00Z, <img src=\"file:///dev/zero\">\t1.5\t2.25\tEtc/UTC\n");

    fake.SetSearch("Huge", {200, SearchAnswer("\"" + std::string(7 * 1024 * 1024, 'H') + "\"")});
    ToolProcess huge({kFeed, "places", "Huge"}, env, tmp.Path());
    EXPECT_EQ(huge.Wait(), 0) << huge.Err();
    EXPECT_EQ(huge.Out(), std::string(kMaxPlaceNameBytes, 'H') + "\t1.5\t2.25\tEtc/UTC\n");
}

}  // namespace
}  // namespace nimbrel
