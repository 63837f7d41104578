// Saves where the usual way (a new file renamed over the old) is impossible:
// the file is still written where it can be, and a save that fails says why
// and leaves the file and the history in memory as they were.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include "ReadOnlyFolder.h"
#include "StoreTestSupport.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Entries;
using nimbrel::testing::Readings;
using nimbrel::testing::StoreFolder;
namespace fs = std::filesystem;

namespace {}  // namespace

TEST(SaveFailure, ASymbolicLinkStaysALinkAndTheLinkedFileIsSaved) {
    StoreFolder dir;
    fs::create_directory(dir.path / "data");
    const std::string real = (dir.path / "data" / "mine.txt").string();
    fs::create_symlink("data/mine.txt", dir.Settings());
    SettingsStore s = dir.Store();
    s.LoadSettings();
    Readings(s, 0, 5);
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    Readings(s, 5, 5);
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    EXPECT_TRUE(fs::is_symlink(dir.Settings()));
    SettingsStore again = dir.Store();
    again.LoadSettings();
    EXPECT_EQ(Entries(again.TempHistory), 10);
    EXPECT_EQ(Bytes(real), Bytes(dir.Settings()));
}

TEST(SaveFailure, AWritableFileInAReadOnlyFolderIsRewrittenInPlace) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Readings(s, 0, 30);
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded());
    const auto mode = fs::status(dir.Settings()).permissions();
    {
        nimbrel::testing::ReadOnlyFolder ro(dir.path.string());
        if (!ro.Effective()) GTEST_SKIP() << "cannot make a folder read-only here";
        // Shorter and longer texts: the file is cut to the new length.
        s.TempHistory = s.HumidHistory = s.TimeHistory = "";
        Readings(s, 100, 3);
        s.SaveSettings();
        ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
        // Rewritten in place, the file ends with a check of itself in the
        // program's own section.
        EXPECT_NE(Bytes(dir.Settings()).find("</weather>\r\n<nimbrel>\r\n<check>"), std::string::npos);
        EXPECT_EQ(Bytes(dir.Settings()).substr(Bytes(dir.Settings()).size() - 12), "</nimbrel>\r\n");
        SettingsStore shorter = dir.Store();
        shorter.LoadSettings();
        EXPECT_EQ(shorter.TempHistory, s.TempHistory);
        Readings(s, 200, 40);
        s.SaveSettings();
        ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 1);
    }
    SettingsStore again = dir.Store();
    again.LoadSettings();
    EXPECT_EQ(again.TempHistory, s.TempHistory);
    EXPECT_EQ(fs::status(dir.Settings()).permissions(), mode);
}

TEST(SaveFailure, AReadOnlyFileOrARemovedFolderFailsWithItsReason) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Readings(s, 0, 10);
    s.SaveSettings();
    const std::string before = Bytes(dir.Settings());
    Readings(s, 10, 10);
    const std::string history = s.TempHistory.str();
    {
        fs::permissions(dir.Settings(), fs::perms::owner_read);
        nimbrel::testing::ReadOnlyFolder ro(dir.path.string());
        if (ro.Effective()) {
            s.SaveSettings();
            EXPECT_FALSE(s.LastSaveSucceeded());
            EXPECT_EQ(s.LastSaveError(), "Permission denied");
            EXPECT_EQ(Bytes(dir.Settings()), before);
            EXPECT_EQ(s.TempHistory, history);
        }
    }
    fs::remove_all(dir.path);
    s.SaveSettings();
    EXPECT_FALSE(s.LastSaveSucceeded());
    EXPECT_EQ(s.LastSaveError(), "No such file or directory");
    EXPECT_EQ(s.TempHistory, history);
    // The folder is back: the next save succeeds.
    fs::create_directory(dir.path);
    s.SaveSettings();
    EXPECT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    EXPECT_EQ(s.LastSaveError(), "");
}

TEST(SaveFailure, AFullDiskFailsBeforeTheOldTextIsTouched) {
    StoreFolder dir;
    const fs::path mnt = dir.path / "small";
    fs::create_directory(mnt);
    if (::geteuid() != 0 || ::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "a small tmpfs can be mounted only as root";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{mnt.string()};

    SettingsStore s;
    s.SetFolder(mnt.string());
    Readings(s, 0, 200);
    s.SaveSettings();
    ASSERT_TRUE(s.LastSaveSucceeded()) << s.LastSaveError();
    const std::string before = Bytes(s.SettingsPath);
    // Readings of about 300 KB no longer fit.
    for (int i = 0; i < 12000; ++i) {
        s.TempHistory.append(1, ',').append(std::to_string(i % 90 - 40));
        s.HumidHistory.append(",5").append(1, static_cast<char>('0' + i % 10));
        s.TimeHistory.append(",01/01/2026 10:00:00");
    }
    const std::string history = s.TempHistory.str();
    s.SaveSettings();
    EXPECT_FALSE(s.LastSaveSucceeded());
    EXPECT_EQ(s.LastSaveError(), "No space left on device");
    EXPECT_EQ(Bytes(s.SettingsPath), before);
    EXPECT_EQ(s.TempHistory, history);
    EXPECT_EQ(std::distance(fs::directory_iterator(mnt), {}), 1);  // no temporary file left

    // The same in place, in a folder that cannot take a new file.
    {
        nimbrel::testing::ReadOnlyFolder ro(mnt.string());
        if (!ro.Effective()) GTEST_SKIP() << "cannot make a folder read-only here";
        s.SaveSettings();
        EXPECT_FALSE(s.LastSaveSucceeded());
        EXPECT_EQ(s.LastSaveError(), "No space left on device");
        EXPECT_EQ(Bytes(s.SettingsPath), before);
    }
}
