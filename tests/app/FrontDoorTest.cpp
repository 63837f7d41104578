// A second start knocks at the running program's door: delivered to the
// program that listens for that folder, and to no other.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
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

// Callers that are not a second start: one that says nothing and stays, one
// that sends a stream without a line end, one that closes at once. None is
// taken for a knock, none keeps a real knock out, and the socket is the
// user's alone.
TEST(FrontDoor, CallersThatDoNotKnockAreNotTakenForAKnock) {
    apptest::EnsureApp();
    apptest::TempFolder a;
    int knocks = 0;
    FrontDoor door(a.Str(), [&] { ++knocks; });
    ASSERT_TRUE(door.Listening());
    const std::string path = (std::filesystem::temp_directory_path() / FrontDoorName(a.Str())).string();
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);

    auto dial = [&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        return fd;
    };
    const int silent = dial();
    const int flood = dial();
    const std::string noLineEnd(4096, 'x');
    ::send(flood, noLineEnd.data(), noLineEnd.size(), MSG_NOSIGNAL);
    ::close(dial());
    apptest::PumpUntil([] { return false; }, 200);
    EXPECT_EQ(knocks, 0);

    std::atomic<int> delivered{-1};
    std::thread knock([&] { delivered = KnockAtFrontDoor(a.Str()) ? 1 : 0; });
    EXPECT_TRUE(apptest::PumpUntil([&] { return knocks == 1 && delivered >= 0; }, 5000));
    knock.join();
    EXPECT_EQ(delivered.load(), 1);
    ::close(silent);
    ::close(flood);
    apptest::PumpUntil([] { return false; }, 100);
    EXPECT_EQ(knocks, 1);
}

}  // namespace
