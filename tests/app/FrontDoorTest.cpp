// A second start knocks at the running program's door: delivered to the
// program that listens for that folder, and to no other.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "AppTestSupport.h"
#include "app/FrontDoor.h"

using namespace nimbrel;

namespace {

TEST(FrontDoor, AKnockReachesTheProgramOfThatFolderOnly) {
    apptest::EnsureApp();
    apptest::TempFolder a, b;
    EXPECT_EQ(FrontDoorName(a.Str()), FrontDoorName((a.Path() / ".." / a.Path().filename()).string()));
    EXPECT_NE(FrontDoorName(a.Str()), FrontDoorName(b.Str()));

    int knocks = 0;
    FrontDoor door(a.Str(), [&] { ++knocks; });
    ASSERT_TRUE(door.Listening());
    // The knocking side blocks, as a second start does; the door answers from
    // this thread's event loop.
    std::atomic<int> delivered{-1};
    std::thread knock([&] { delivered = KnockAtFrontDoor(a.Str()) ? 1 : 0; });
    EXPECT_TRUE(apptest::PumpUntil([&] { return knocks == 1 && delivered >= 0; }, 5000));
    knock.join();
    EXPECT_EQ(delivered.load(), 1);

    // Nobody listens for the other folder.
    EXPECT_FALSE(KnockAtFrontDoor(b.Str()));
    EXPECT_EQ(knocks, 1);
}

TEST(FrontDoor, ASocketFileLeftByAKilledProgramDoesNotKeepTheDoorShut) {
    apptest::EnsureApp();
    apptest::TempFolder a;
    // A killed program leaves its socket file; the next holder of the
    // folder's lock listens all the same.
    const std::string leftover = (std::filesystem::temp_directory_path() / FrontDoorName(a.Str())).string();
    { std::ofstream(leftover) << "stale"; }
    FrontDoor door(a.Str(), [] {});
    EXPECT_TRUE(door.Listening());
}

}  // namespace
