// A save interrupted at any moment, or one that cannot write, never costs the
// file that was there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "ReadOnlyFolder.h"
#include "StoreTestSupport.h"
#include "base/modMisc.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Entries;
using nimbrel::testing::StoreFolder;

namespace {

// A store whose history has `readings` entries and whose location names the
// generation, so a loaded file tells which save it came from.
void Fill(SettingsStore& s, int readings, int generation) {
    s.TempHistory.clear();
    s.HumidHistory.clear();
    s.TimeHistory.clear();
    for (int i = 0; i < readings; ++i) {
        const std::string sep = i ? "," : "";
        s.TempHistory += sep + std::to_string(i % 40);
        s.HumidHistory += sep + std::to_string(50 + i % 7);
        s.TimeHistory += sep + "07/12/2026 10:00:00";
    }
    s.LocationId = std::to_string(generation);
    s.LastReading = "Sunny," + std::to_string(generation % 40) + ",50,07/12/2026 10:00:00";
}

}  // namespace

TEST(SaveSafety, AProcessKilledWhileSavingLeavesAWholeFile) {
    StoreFolder dir;
    constexpr int kReadings = 20000;
    {
        SettingsStore first = dir.Store();
        Fill(first, kReadings, 0);
        first.SaveSettings();
        ASSERT_TRUE(first.LastSaveSucceeded());
    }
    std::mt19937 rng(7);
    int generationsSeen = 0;
    for (int round = 0; round < 30; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Three histories built once, so that the loop does nothing but
            // save; a byte down the pipe after each save that finished. Every
            // other save flushes in the background (its thread sends the
            // byte) while the next one is already being written.
            ::close(ready[0]);
            SettingsStore variants[3];
            for (int v = 0; v < 3; ++v) Fill(variants[v], kReadings - v, 0);
            SettingsStore s = dir.Store();
            s.OnBackgroundSaveDone = [&] {
                const char done = 1;
                if (::write(ready[1], &done, 1) != 1) ::_exit(0);
            };
            for (int g = 1;; ++g) {
                const SettingsStore& v = variants[g % 3];
                s.TempHistory = v.TempHistory;
                s.HumidHistory = v.HumidHistory;
                s.TimeHistory = v.TimeHistory;
                s.LocationId = std::to_string(g);
                s.LastReading = "Sunny," + std::to_string(g % 40) + ",50,07/12/2026 10:00:00";
                if (g % 2) {
                    s.SaveSettingsInBackground();
                    continue;
                }
                s.SaveSettings();
                const char done = 1;
                if (::write(ready[1], &done, 1) != 1) ::_exit(0);
            }
        }
        ::close(ready[1]);
        // Let one to three saves finish, then strike at a random moment of
        // the ones that follow.
        const int saves = 1 + static_cast<int>(rng() % 3);
        char byte;
        for (int k = 0; k < saves; ++k) ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ready[0]);

        SettingsStore loaded = dir.Store();
        loaded.LoadSettings();
        const std::string bytes = Bytes(dir.Settings());
        ASSERT_GE(bytes.size(), 12u);
        ASSERT_EQ(bytes.substr(bytes.size() - 12), "</weather>\r\n") << "round " << round;
        const int g = std::stoi(loaded.LocationId);
        generationsSeen += g > 0;
        const int n = Entries(loaded.TimeHistory);
        ASSERT_EQ(n, g == 0 ? kReadings : kReadings - (g % 3));
        ASSERT_EQ(Entries(loaded.TempHistory), n);
        ASSERT_EQ(Entries(loaded.HumidHistory), n);
        ASSERT_EQ(loaded.LastReading, "Sunny," + std::to_string(g % 40) + ",50,07/12/2026 10:00:00");
    }
    EXPECT_EQ(generationsSeen, 30);
    // What the killed saves left half-written is gone after a start-up;
    // only the settings file itself remains.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(SaveSafety, StartUpRemovesWhatAKilledSaveLeftBehind) {
    StoreFolder dir;
    nimbrel::testing::Put((dir.path / ".settings.txt.a1B2c3").string(), "<weather><loc>half");
    nimbrel::testing::Put((dir.path / ".settings.txt.mine").string(), "not ours to remove");
    SettingsStore s = dir.Store();
    s.LoadSettings();
    EXPECT_FALSE(std::filesystem::exists(dir.path / ".settings.txt.a1B2c3"));
    EXPECT_TRUE(std::filesystem::exists(dir.path / ".settings.txt.mine"));
}

TEST(SaveSafety, ASaveThatCannotWriteKeepsTheOldFileAndTriesAgain) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Fill(s, 10, 1);
    s.SaveSettings();
    const std::string before = Bytes(dir.Settings());
    Fill(s, 20, 2);
    {
        // A read-only file in a read-only folder: nothing can be written.
        std::filesystem::permissions(dir.Settings(), std::filesystem::perms::owner_read);
        nimbrel::testing::ReadOnlyFolder ro(dir.path.string());
        if (!ro.Effective()) GTEST_SKIP() << "cannot make a folder read-only here";
        s.SaveSettings();
        EXPECT_FALSE(s.LastSaveSucceeded());
        EXPECT_EQ(s.LastSaveError(), "Permission denied");
        EXPECT_EQ(Bytes(dir.Settings()), before);
        EXPECT_EQ(Entries(s.TimeHistory), 20);
    }
    std::filesystem::permissions(dir.Settings(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    s.SaveSettings();
    EXPECT_TRUE(s.LastSaveSucceeded());
    SettingsStore again = dir.Store();
    again.LoadSettings();
    EXPECT_EQ(again.LocationId, "2");
}
