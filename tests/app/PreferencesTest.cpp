#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <fstream>

#include "AppTestSupport.h"
#include "ReadOnlyFolder.h"
#include "app/Autostart.h"
#include "app/Preferences.h"
#include "app/PreferencesDialog.h"
#include "base/modMisc.h"
#include "feeds/FeedRetrieval.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using apptest::TempFolder;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// XDG_CONFIG_HOME set for the life of the object.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const std::string& value) {
        if (const char* old = getenv("XDG_CONFIG_HOME")) old_ = old, had_ = true;
        setenv("XDG_CONFIG_HOME", value.c_str(), 1);
    }
    ~ScopedConfigHome() {
        if (had_)
            setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

private:
    std::string old_;
    bool had_ = false;
};

struct PreferencesFixture : ::testing::Test {
    TempFolder folder;
    TempFolder config;
    ScopedConfigHome home{config.Str()};
    SettingsStore store;
    void SetUp() override {
        apptest::EnsureApp();
        store.SetFolder(folder.Str());
        store.LoadSettings();
        store.SaveSettings();
    }
    std::string Save(const PreferenceValues& values, PreferenceChanges* changes = nullptr) {
        return SavePreferences(store, CurrentPreferences(store, kDefaultFeedBaseUrl), values, "/usr/bin/nimbrel",
                               changes);
    }
};

TEST_F(PreferencesFixture, AnUntouchedDialogLeavesTheFileByteForByte) {
    const std::string before = Slurp(folder.Settings());
    PreferenceChanges changes;
    EXPECT_EQ(Save(CurrentPreferences(store, kDefaultFeedBaseUrl), &changes), "");
    EXPECT_FALSE(changes.Any());
    store.SaveSettings();
    EXPECT_EQ(Slurp(folder.Settings()), before);
    EXPECT_EQ(before.find("<nimbrel>"), std::string::npos);
}

TEST_F(PreferencesFixture, TheWindUnitIsKeptInTheProgramsSectionOnlyWhileItIsNotKmh) {
    PreferenceValues v = CurrentPreferences(store, kDefaultFeedBaseUrl);
    EXPECT_EQ(v.windUnit, WindUnit::Kmh);
    for (WindUnit unit : {WindUnit::Knots, WindUnit::Beaufort, WindUnit::MetresPerSecond, WindUnit::Mph}) {
        v.windUnit = unit;
        PreferenceChanges changes;
        ASSERT_EQ(Save(v, &changes), "");
        EXPECT_TRUE(changes.unit);
        SettingsStore again;
        again.SetFolder(folder.Str());
        again.LoadSettings();
        EXPECT_EQ(StoredWindUnit(again), unit);
    }
    EXPECT_NE(Slurp(folder.Settings()).find("<wind unit>mph</wind unit>"), std::string::npos);
    v.windUnit = WindUnit::Kmh;
    ASSERT_EQ(Save(v), "");
    EXPECT_EQ(Slurp(folder.Settings()).find("<nimbrel>"), std::string::npos);
    // A damaged value is the default.
    store.SetExtra(kWindUnitKey, "furlongs");
    EXPECT_EQ(StoredWindUnit(store), WindUnit::Kmh);
}

TEST_F(PreferencesFixture, ValuesAreStoredInTheirLinesAndTheProgramsSectionAndComeBackAfterALoad) {
    PreferenceValues v = CurrentPreferences(store, kDefaultFeedBaseUrl);
    v.feedServer = "http://10.0.0.7:9000 ";
    v.locationId = "2345";
    v.interval = " 30";
    v.unit = TempUnit::Fahrenheit;
    PreferenceChanges changes;
    ASSERT_EQ(Save(v, &changes), "");
    EXPECT_TRUE(changes.place && changes.interval && changes.unit && !changes.autostart);

    SettingsStore again;
    again.SetFolder(folder.Str());
    again.LoadSettings();
    EXPECT_EQ(again.UpdateMinutes, 30);
    EXPECT_EQ(again.LocationId, "2345");
    EXPECT_EQ(StoredUnit(again), TempUnit::Fahrenheit);
    EXPECT_EQ(StoredFeedServer(again, kDefaultFeedBaseUrl), "http://10.0.0.7:9000");
    const std::string text = Slurp(folder.Settings());
    EXPECT_NE(text.find("<unit>F</unit>"), std::string::npos) << text;

    // Back to the defaults: the keys go, the section with them.
    v.feedServer = kDefaultFeedBaseUrl;
    v.unit = TempUnit::Celsius;
    ASSERT_EQ(SavePreferences(store, CurrentPreferences(store, "http://10.0.0.7:9000"), v, "nimbrel", nullptr), "");
    EXPECT_EQ(Slurp(folder.Settings()).find("<nimbrel>"), std::string::npos);
}

TEST_F(PreferencesFixture, BadValuesAreRefusedWithAMessageAndChangeNothing) {
    const std::string before = Slurp(folder.Settings());
    for (const char* interval : {"0", "1441", "abc", "", "-5", "12.5", "99999999999"}) {
        PreferenceValues v = CurrentPreferences(store, kDefaultFeedBaseUrl);
        v.interval = interval;
        v.unit = TempUnit::Fahrenheit;
        v.autostart = true;
        const std::string why = Save(v);
        EXPECT_NE(why.find("1 to 1440"), std::string::npos) << interval << ": " << why;
    }
    PreferenceValues v = CurrentPreferences(store, kDefaultFeedBaseUrl);
    v.locationId = "../../etc";
    EXPECT_NE(Save(v).find("location id"), std::string::npos);
    v = CurrentPreferences(store, kDefaultFeedBaseUrl);
    v.feedServer = "ftp://x";
    EXPECT_NE(Save(v).find("feed server"), std::string::npos);
    EXPECT_EQ(Slurp(folder.Settings()), before);
    EXPECT_FALSE(AutostartEnabled());
    // The limits themselves are good.
    for (const char* interval : {"1", "1440"}) {
        v = CurrentPreferences(store, kDefaultFeedBaseUrl);
        v.interval = interval;
        EXPECT_EQ(Save(v), "") << interval;
    }
}

TEST_F(PreferencesFixture, StartAtLogInWritesAndRemovesTheEntry) {
    const fs::path entry = config.Path() / "autostart" / "org.nimbrel.Nimbrel.desktop";
    EXPECT_EQ(AutostartEntryPath(), entry.string());
    PreferenceValues v = CurrentPreferences(store, kDefaultFeedBaseUrl);
    v.autostart = true;
    ASSERT_EQ(Save(v), "");
    EXPECT_TRUE(AutostartEnabled());
    const std::string text = Slurp(entry);
    EXPECT_NE(text.find("\nExec=/usr/bin/nimbrel tray --fetch-now\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_TRUE(CurrentPreferences(store, kDefaultFeedBaseUrl).autostart);
    v.autostart = false;
    ASSERT_EQ(Save(v), "");
    EXPECT_FALSE(fs::exists(entry));
    // A program under a path with spaces is quoted for the Exec line.
    EXPECT_NE(AutostartEntryText("/opt/my apps/nimbrel").find("Exec=\"/opt/my apps/nimbrel\" tray --fetch-now"),
              std::string::npos);
}

TEST_F(PreferencesFixture, AnAutostartFolderThatCannotBeWrittenIsToldAndNothingElseChanges) {
    fs::create_directories(config.Path() / "autostart");
    const std::string before = Slurp(folder.Settings());
    std::string why;
    {
        testing::ReadOnlyFolder locked((config.Path() / "autostart").string());
        if (!locked.Effective()) GTEST_SKIP() << "the folder could not be made read-only";
        PreferenceValues v = CurrentPreferences(store, kDefaultFeedBaseUrl);
        v.autostart = true;
        v.unit = TempUnit::Fahrenheit;
        v.interval = "10";
        why = Save(v);
    }
    EXPECT_NE(why.find("autostart"), std::string::npos) << why;
    EXPECT_EQ(store.UpdateMinutes, 5);
    EXPECT_EQ(StoredUnit(store), TempUnit::Celsius);
    EXPECT_EQ(Slurp(folder.Settings()), before);
    EXPECT_FALSE(AutostartEnabled());
}

TEST_F(PreferencesFixture, DamagedOrMissingKeysGiveTheDefaultsAndNothingElseIsLost) {
    std::ofstream(folder.Settings(), std::ios::binary | std::ios::trunc)
        << "<options>\r\n<debug>0</debug>\r\n</options>\r\n<weather>\r\n<loc>3772</loc>\r\n"
           "<minutes>12</minutes>\r\n</weather>\r\n<nimbrel>\r\n<unit>Kelvin</unit>\r\n"
           "<feed server>not an address</feed server>\r\n<window>far,away</window>\r\n</nimbrel>\r\n";
    SettingsStore damaged;
    damaged.SetFolder(folder.Str());
    damaged.LoadSettings();
    EXPECT_EQ(StoredUnit(damaged), TempUnit::Celsius);
    EXPECT_EQ(StoredFeedServer(damaged, kDefaultFeedBaseUrl), kDefaultFeedBaseUrl);
    EXPECT_EQ(damaged.LocationId, "3772");
    EXPECT_EQ(damaged.UpdateMinutes, 12);
    const PreferenceValues v = CurrentPreferences(damaged, StoredFeedServer(damaged, kDefaultFeedBaseUrl));
    EXPECT_EQ(v.interval, "12");
    EXPECT_EQ(v.unit, TempUnit::Celsius);
    // An unrelated save keeps the damaged keys as they were, for the user
    // to see, and mends the unit only when one is chosen.
    PreferenceValues changed = v;
    changed.interval = "20";
    ASSERT_EQ(SavePreferences(damaged, v, changed, "nimbrel", nullptr), "");
    const std::string text = Slurp(folder.Settings());
    EXPECT_NE(text.find("<minutes>20</minutes>"), std::string::npos);
    EXPECT_NE(text.find("<window>far,away</window>"), std::string::npos);
    EXPECT_EQ(text.find("Kelvin"), std::string::npos) << "the unit written is the one in force";
}

// The words of an Exec line as a session reads them: the file's string
// escapes first, then the quoting, then "%%".
std::vector<std::string> ExecWords(const std::string& entry) {
    const auto at = entry.find("\nExec=");
    const std::string line = entry.substr(at + 6, entry.find('\n', at + 1) - at - 6);
    std::string unescaped;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char c = line[++i];
            unescaped += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            unescaped += line[i];
        }
    }
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (quoted && c == '\\' && i + 1 < unescaped.size()) {
            word += unescaped[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            if (c == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%') ++i;
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

// The log-in entry starts the program the way it runs now: its folder and
// the feed server it was given, every word surviving the entry's quoting.
TEST(Autostart, TheEntryCarriesTheFolderAndTheFeedQuotedAsDesktopEntriesRequire) {
    const std::vector<std::string> command = {"/opt/my apps/nimbrel", "--folder",
                                              "/home/ann/weather \"daily\" $HOME `x` 100% a\\b", "--feed",
                                              "http://127.0.0.1:8077"};
    const std::string text = AutostartEntryText(command);
    std::vector<std::string> expected = command;
    expected.insert(expected.end(), {"tray", "--fetch-now"});
    EXPECT_EQ(ExecWords(text), expected) << text;
    EXPECT_EQ(ExecWords(AutostartEntryText("/usr/bin/nimbrel")),
              (std::vector<std::string>{"/usr/bin/nimbrel", "tray", "--fetch-now"}));

    TempFolder tmp;
    const fs::path file = tmp.Path() / "org.nimbrel.Nimbrel.desktop";
    std::ofstream(file, std::ios::binary) << text;
    ASSERT_EQ(std::system("command -v desktop-file-validate >/dev/null"), 0)
        << "desktop-file-validate (Debian package desktop-file-utils) is not installed";
    const std::string check =
        "desktop-file-validate '" + file.string() + "' > '" + (tmp.Path() / "v.txt").string() + "' 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << apptest::ReadFile(tmp.Path() / "v.txt") << text;
    EXPECT_EQ(apptest::ReadFile(tmp.Path() / "v.txt"), "") << text;
}

TEST(Autostart, ConfigHomeThatIsNotAbsoluteFallsBackToHome) {
    ScopedConfigHome relative("relative/path");
    const char* home = getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(AutostartEntryPath(), std::string(home) + "/.config/autostart/org.nimbrel.Nimbrel.desktop");
}

TEST_F(PreferencesFixture, TheDialogSavesOnOkKeepsARefusalOpenAndCancelChangesNothing) {
    apptest::MessageRecorder messages;
    int saves = 0;
    PreferenceValues saved;
    auto save = [&](const PreferenceValues& v) {
        ++saves;
        saved = v;
        return SavePreferences(store, CurrentPreferences(store, kDefaultFeedBaseUrl), v, "nimbrel", nullptr);
    };
    {
        PreferencesDialog dialog(CurrentPreferences(store, kDefaultFeedBaseUrl), save);
        EXPECT_EQ(dialog.Interval().text(), QStringLiteral("5"));
        EXPECT_EQ(dialog.LocationId().text(), QStringLiteral("1769"));
        EXPECT_EQ(dialog.Unit().currentIndex(), 0);
        dialog.Interval().setText(QStringLiteral("abc"));
        dialog.show();
        dialog.OkClicked();
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_NE(messages.messages[0].text.find("\"abc\""), std::string::npos);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Rejected);

        dialog.Interval().setText(QStringLiteral("15"));
        dialog.Unit().setCurrentIndex(1);
        dialog.OkClicked();
        EXPECT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(store.UpdateMinutes, 15);
    EXPECT_EQ(StoredUnit(store), TempUnit::Fahrenheit);
    {
        // Saved to be looked at.
        PreferencesDialog dialog(CurrentPreferences(store, kDefaultFeedBaseUrl), save);
        dialog.show();
        apptest::PumpFor(50);
        QDir().mkpath(QStringLiteral("/tmp/shots17"));
        EXPECT_TRUE(dialog.grab().save(QStringLiteral("/tmp/shots17/preferences.png")));
    }

    const std::string before = Slurp(folder.Settings());
    {
        PreferencesDialog dialog(CurrentPreferences(store, kDefaultFeedBaseUrl), save);
        EXPECT_EQ(dialog.Unit().currentIndex(), 1);
        dialog.Interval().setText(QStringLiteral("60"));
        dialog.Autostart().setChecked(true);
        dialog.show();
        dialog.CancelClicked();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(saves, 2);
    EXPECT_EQ(store.UpdateMinutes, 15);
    EXPECT_EQ(Slurp(folder.Settings()), before);
    EXPECT_FALSE(AutostartEnabled());
}

}  // namespace
}  // namespace nimbrel
