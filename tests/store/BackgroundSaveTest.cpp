// The regular save leaves its flushes to a thread of its own: the caller
// does not wait on the disk, the old file stays whole until the new one is
// on it, a failure there is told and the next save writes everything again,
// and a save of either kind waits for the one still being finished.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "StoreTestSupport.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Entries;
using nimbrel::testing::Readings;
using nimbrel::testing::StoreFolder;
namespace fs = std::filesystem;

namespace {

int StoredEntries(const StoreFolder& dir) {
    SettingsStore again = dir.Store();
    again.LoadSettings();
    return Entries(again.TempHistory.view());
}

// Files in the folder besides settings.txt (a temporary file left behind).
int OtherFiles(const StoreFolder& dir) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir.path)) n += e.path().filename() != "settings.txt";
    return n;
}

// Holds the saving thread before its flushes until released, and notes
// which thread it was.
struct HeldFlush {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<std::thread::id> reached;
    std::future<std::thread::id> reachedOn = reached.get_future();
    std::promise<void> done;
    std::future<void> doneSeen = done.get_future();

    void Attach(SettingsStore& s) {
        s.OnBackgroundSaveStarting = [this] {
            reached.set_value(std::this_thread::get_id());
            released.wait();
        };
        s.OnBackgroundSaveDone = [this] { done.set_value(); };
    }
};

}  // namespace

TEST(BackgroundSave, TheFlushRunsOffTheCallerAndTheOldFileStaysWholeUntilItIsDone) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Readings(s, 0, 20);
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    const std::string before = Bytes(dir.Settings());

    Readings(s, 20, 10);
    HeldFlush held;
    held.Attach(s);
    s.SaveSettingsInBackground();
    // The call has returned while the flush is still held.
    ASSERT_TRUE(s.SavePending());
    ASSERT_EQ(held.reachedOn.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_NE(held.reachedOn.get(), std::this_thread::get_id());
    EXPECT_EQ(Bytes(dir.Settings()), before);
    EXPECT_FALSE(s.BackgroundSaveEnded());
    // A reading that comes while the file is flushed belongs to the next save.
    Readings(s, 30, 1);

    held.release.set_value();
    ASSERT_EQ(held.doneSeen.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(s.BackgroundSaveEnded());
    EXPECT_TRUE(s.FinishBackgroundSave());
    EXPECT_FALSE(s.SavePending());
    EXPECT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    EXPECT_EQ(StoredEntries(dir), 30);
    EXPECT_EQ(OtherFiles(dir), 0);

    s.OnBackgroundSaveStarting = nullptr;
    s.OnBackgroundSaveDone = nullptr;
    s.SaveSettingsInBackground();
    s.FinishBackgroundSave();
    EXPECT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    EXPECT_EQ(StoredEntries(dir), 31);
}

TEST(BackgroundSave, AFailedFlushIsToldAndTheNextSaveWritesTheReadingsAgain) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Readings(s, 0, 5);
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();

    // While the new file waits for its flush, a folder takes the file's
    // name: the rename over it fails, as a real one can.
    Readings(s, 5, 5);
    std::atomic<bool> done = false;
    s.OnBackgroundSaveStarting = [&] {
        fs::remove(dir.Settings());
        fs::create_directories(fs::path(dir.Settings()) / "in the way");
    };
    s.OnBackgroundSaveDone = [&] { done = true; };
    s.SaveSettingsInBackground();
    s.FinishBackgroundSave();
    EXPECT_TRUE(done);
    EXPECT_FALSE(s.LastSaveSucceeded());
    EXPECT_FALSE(s.LastSaveError().empty());
    // The new file is not left behind beside the folder.
    EXPECT_EQ(OtherFiles(dir), 0);

    s.OnBackgroundSaveStarting = nullptr;
    fs::remove_all(dir.Settings());
    // Nothing changed since the failed save, and still it is written.
    s.SaveSettingsInBackground();
    s.FinishBackgroundSave();
    EXPECT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    EXPECT_EQ(StoredEntries(dir), 10);
}

TEST(BackgroundSave, ASaveWaitsForTheOneStillBeingFinished) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Readings(s, 0, 5);
    HeldFlush held;
    held.Attach(s);
    s.SaveSettingsInBackground();
    ASSERT_TRUE(s.SavePending());
    s.OnBackgroundSaveStarting = nullptr;
    Readings(s, 5, 3);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        held.release.set_value();
    });
    // The end of the program: the save returns with both on the disk.
    s.SaveSettings();
    releaser.join();
    EXPECT_FALSE(s.SavePending());
    EXPECT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    EXPECT_EQ(StoredEntries(dir), 8);
    // Its outcome was taken by the save that waited for it.
    EXPECT_FALSE(s.FinishBackgroundSave());
}
