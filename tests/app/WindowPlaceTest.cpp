#include <gtest/gtest.h>

#include "app/WindowPlace.h"

namespace nimbrel {
namespace {

const WindowRect kLaptop{0, 0, 1366, 740};       // available area, panel taken off
const WindowRect kMonitor{1366, 0, 1920, 1050};  // to its right

TEST(WindowPlace, AWindowOnTheScreensStaysWhereItWasLeft) {
    const WindowRect w{100, 200, 171, 98};
    EXPECT_EQ(PlaceOnScreens(w, {kLaptop, kMonitor}, false), w);
    // Across the edge between two screens that touch.
    const WindowRect across{1300, 100, 171, 98};
    EXPECT_EQ(PlaceOnScreens(across, {kLaptop, kMonitor}, false), across);
    // No screens known: nothing to hold it to.
    EXPECT_EQ(PlaceOnScreens(w, {}, false), w);
}

TEST(WindowPlace, AWindowOnAScreenThatIsGoneComesBackOntoTheNearestOne) {
    // Left on the monitor, which has been unplugged.
    const WindowRect w{2500, 600, 171, 98};
    EXPECT_EQ(PlaceOnScreens(w, {kLaptop}, false), (WindowRect{1366 - 171, 600, 171, 98}));
    // Far off every screen (a damaged or ancient position).
    EXPECT_EQ(PlaceOnScreens({-900000, -900000, 171, 98}, {kLaptop, kMonitor}, false), (WindowRect{0, 0, 171, 98}));
    EXPECT_EQ(PlaceOnScreens({900000, 900000, 171, 98}, {kLaptop, kMonitor}, false),
              (WindowRect{1366 + 1920 - 171, 1050 - 98, 171, 98}));
    // Half off the bottom of its screen: pulled up, not moved elsewhere.
    EXPECT_EQ(PlaceOnScreens({1500, 1000, 171, 98}, {kLaptop, kMonitor}, false),
              (WindowRect{1500, 1050 - 98, 171, 98}));
}

TEST(WindowPlace, OnASmallerScreenAResizableWindowShrinksAndAFixedOneKeepsItsTitleBarOn) {
    const WindowRect graph{1400, 50, 1800, 1000};
    EXPECT_EQ(PlaceOnScreens(graph, {kLaptop}, true), (WindowRect{0, 0, 1366, 740}));
    EXPECT_EQ(PlaceOnScreens(graph, {kLaptop}, false), (WindowRect{0, 0, 1800, 1000}));
    // A screen of no size is not a screen.
    EXPECT_EQ(PlaceOnScreens({5000, 5000, 100, 100}, {WindowRect{0, 0, 0, 0}, kLaptop}, false),
              (WindowRect{1266, 640, 100, 100}));
}

TEST(WindowPlace, StoredTextsRoundTripAndDamagedOnesGiveNothing) {
    EXPECT_EQ(FormatWindowPosition(-20, 35), "-20,35");
    EXPECT_EQ(ParseWindowPosition("-20,35"), (WindowRect{-20, 35, 0, 0}));
    const WindowRect r{10, 20, 640, 480};
    EXPECT_EQ(ParseWindowRect(FormatWindowRect(r)), r);
    EXPECT_EQ(ParseWindowRect(" 10, 20 ,640,480"), r);
    for (const char* bad : {"", "10", "10,", "a,b", "10,20,30", "10,20,0,480", "10,20,640,-1", "1,2,3,4,5",
                            "99999999999,1", "1.5,2", "10,20x"}) {
        EXPECT_FALSE(ParseWindowRect(bad).has_value()) << bad;
        if (std::string(bad) != "10,20,30" && std::string(bad) != "1,2,3,4,5") {
            EXPECT_FALSE(ParseWindowPosition(bad).has_value()) << bad;
        }
    }
}

}  // namespace
}  // namespace nimbrel
