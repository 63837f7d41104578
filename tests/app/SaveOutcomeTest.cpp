// The reason a failed save gives the user comes from the store's own error.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "ReadOnlyFolder.h"
#include "app/SaveOutcome.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;

TEST(SaveFailureReason, TellsTheFolderOrTheFileTheStoreCouldNotWrite) {
    apptest::TempFolder folder;
    SettingsStore gone;
    gone.SetFolder((fs::path(folder.Str()) / "gone").string());
    gone.SaveSettings();
    ASSERT_FALSE(gone.LastSaveSucceeded());
    EXPECT_EQ(SaveFailureReason(gone), "its folder is gone");

    // A folder that takes no new file, without and then with the file.
    const fs::path locked = fs::path(folder.Str()) / "locked";
    fs::create_directories(locked);
    SettingsStore store;
    store.SetFolder(locked.string());
    {
        testing::ReadOnlyFolder readOnly(locked.string());
        ASSERT_TRUE(readOnly.Effective());
        store.SaveSettings();
        ASSERT_FALSE(store.LastSaveSucceeded());
        EXPECT_EQ(SaveFailureReason(store), "its folder is read-only");
    }
    std::ofstream(locked / "settings.txt") << "old";
    ::chmod((locked / "settings.txt").c_str(), 0444);
    {
        testing::ReadOnlyFolder readOnly(locked.string());
        ASSERT_TRUE(readOnly.Effective());
        store.SaveSettings();
        ASSERT_FALSE(store.LastSaveSucceeded());
        EXPECT_EQ(SaveFailureReason(store), "the file is read-only");
    }
    ::chmod((locked / "settings.txt").c_str(), 0644);

    // Any other reason is the store's, as it gave it.
    fs::create_directories(fs::path(folder.Str()) / "folder" / "settings.txt");
    SettingsStore folderNamed;
    folderNamed.SetFolder((fs::path(folder.Str()) / "folder").string());
    folderNamed.SaveSettings();
    ASSERT_FALSE(folderNamed.LastSaveSucceeded());
    EXPECT_EQ(SaveFailureReason(folderNamed), folderNamed.LastSaveError());
}

}  // namespace
}  // namespace nimbrel
