// The rewrite in place, the one way of saving that a kill can tear (the
// folder takes no new file, the file itself is writable): a torn file is
// told at load, never taken for a whole one. These tests run the store as an
// unprivileged user, since root writes into a read-only folder regardless.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "SaveGenerations.h"
#include "StoreTestSupport.h"
#include "store/SettingsFile.h"

using namespace nimbrel;
using nimbrel::testing::Bytes;
using nimbrel::testing::Generations;
using nimbrel::testing::Put;
using nimbrel::testing::StoreFolder;
namespace fs = std::filesystem;

namespace {

constexpr const char* kHelper = NIMBREL_BINARY_DIR "/tests/store/store_save_helper";
constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// A folder that the user nobody can read but not create files in, holding a
// settings file that nobody may write, and a state folder of nobody's own.
struct NobodysFile {
    StoreFolder dir;
    fs::path folder, state;
    NobodysFile() {
        folder = dir.path / "data";
        state = dir.path / "state";
        fs::create_directory(folder);
        fs::create_directory(state);
        fs::permissions(dir.path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
        fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
        EXPECT_EQ(::chown(state.c_str(), kNobody, kNoGroup), 0);
    }
    std::string Settings() const { return (folder / "settings.txt").string(); }
    void GiveFile() const { EXPECT_EQ(::chown(Settings().c_str(), kNobody, kNoGroup), 0); }
    SettingsStore Store() const {
        SettingsStore s;
        s.SetFolder(folder.string());
        return s;
    }
};

// Starts the helper as nobody; its standard output comes through `out`.
pid_t StartAsNobody(const NobodysFile& f, const std::string& readings, const std::string& mode, int& out) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        ::setenv("XDG_STATE_HOME", f.state.c_str(), 1);
        const std::string folder = f.folder.string();
        ::execl("/usr/bin/setpriv", "setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", kHelper,
                folder.c_str(), readings.c_str(), mode.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    out = fds[0];
    return pid;
}

// Runs the helper as nobody to the end: its exit status and output.
int RunAsNobody(const NobodysFile& f, const std::string& readings, const std::string& mode,
                std::string* output = nullptr) {
    int out = -1;
    const pid_t pid = StartAsNobody(f, readings, mode, out);
    if (pid < 0) return -1;
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(out, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    ::close(out);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What loading the bytes gives: the state of a whole save, a file told as
// damaged, or something else (a file that loads silently wrong).
enum class Loaded { Whole, Told, Wrong };

Loaded Classify(const Generations& gens, const StoreFolder& scratch, const std::string& bytes) {
    Put(scratch.Settings(), bytes);
    SettingsStore s = scratch.Store();
    s.LoadSettings();
    if (s.LoadedDamaged()) return Loaded::Told;
    return gens.Holds(s) ? Loaded::Whole : Loaded::Wrong;
}

// The old file as the first rewrite in place leaves it before it writes:
// with a check of its own text appended.
std::string WithCheck(const std::string& bytes) {
    StoreFolder scratch;
    Put(scratch.Settings(), bytes);
    const int fd = ::open(scratch.Settings().c_str(), O_RDWR);
    std::string error;
    EXPECT_TRUE(AddCheckToFile(fd, static_cast<long long>(bytes.size()), error)) << error;
    ::close(fd);
    return Bytes(scratch.Settings());
}

}  // namespace

// Every file a kill can leave while `now` is written in place over `old`:
// first what the new text adds beyond the old length, then the new text over
// the old from the start, then the cut to the new length. Positions near the
// ends are taken one by one, the rest at a stride.
std::vector<std::string> TornFiles(const std::string& old, const std::string& now) {
    std::vector<std::string> out;
    auto positions = [](size_t end) {
        std::vector<size_t> at;
        for (size_t k = 0; k <= end; k += (k < 300 || k + 300 > end) ? 1 : 29) at.push_back(k);
        return at;
    };
    const size_t common = std::min(old.size(), now.size());
    for (size_t j : positions(now.size() - common)) out.push_back(old + now.substr(common, j));
    const std::string beyond = now.substr(common);
    for (size_t k : positions(common)) out.push_back(now.substr(0, k) + old.substr(k) + beyond);
    out.push_back(now);
    return out;
}

TEST(InPlaceSave, EveryTearOfARewriteIsToldAtLoad) {
    constexpr int kReadings = 600;
    const Generations gens(kReadings);
    NobodysFile f;
    {
        SettingsStore s = f.Store();
        gens.Set(s, 0);
        s.SaveSettings();
        ASSERT_TRUE(s.LastSaveSucceeded());
    }
    f.GiveFile();
    StoreFolder scratch;
    std::string old = WithCheck(Bytes(f.Settings()));
    ASSERT_EQ(Classify(gens, scratch, old), Loaded::Whole);
    int told = 0, wrong = 0, cases = 0;
    // Longer and shorter texts, with and without the program's own section.
    for (int g = 1; g <= 4; ++g) {
        std::string why;
        ASSERT_EQ(RunAsNobody(f, std::to_string(kReadings), std::to_string(g), &why), 0)
            << "the helper could not save as nobody: " << why;
        const std::string now = Bytes(f.Settings());
        ASSERT_NE(now.find("<check>"), std::string::npos);
        ASSERT_EQ(Classify(gens, scratch, now), Loaded::Whole);
        EXPECT_EQ(std::distance(fs::directory_iterator(f.folder), {}), 1);
        for (const std::string& bytes : TornFiles(old, now)) {
            ++cases;
            const Loaded l = Classify(gens, scratch, bytes);
            told += l == Loaded::Told;
            if (l == Loaded::Wrong) {
                ++wrong;
                ADD_FAILURE() << "generation " << g << ": a torn file of " << bytes.size()
                              << " bytes loads silently wrong";
            }
        }
        old = now;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(told, cases / 2);
    std::cout << cases << " torn files, " << told << " told as damaged, the rest loaded as a whole save\n";
}

TEST(InPlaceSave, FourHundredKillsLeaveNoFileThatLoadsSilentlyWrong) {
    constexpr int kReadings = 20000;
    const Generations gens(kReadings);
    NobodysFile f;
    {
        SettingsStore s = f.Store();
        gens.Set(s, 0);
        s.SaveSettings();
        ASSERT_TRUE(s.LastSaveSucceeded());
    }
    f.GiveFile();
    std::mt19937 rng(27);
    int whole = 0, told = 0, wrong = 0;
    for (int round = 0; round < 400; ++round) {
        int out = -1;
        const pid_t child = StartAsNobody(f, std::to_string(kReadings), "loop", out);
        ASSERT_GT(child, 0);
        // Let one or two saves finish, then strike at a random moment of the
        // ones that follow.
        const int saves = 1 + static_cast<int>(rng() % 2);
        char byte;
        for (int k = 0; k < saves; ++k)
            ASSERT_EQ(::read(out, &byte, 1), 1) << "the helper did not save as nobody (round " << round << ")";
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 4000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(out);

        SettingsStore s = f.Store();
        s.LoadSettings();
        if (s.LoadedDamaged()) {
            ++told;
            EXPECT_TRUE(s.LoadedTorn());
        } else if (gens.Holds(s)) {
            ++whole;
        } else {
            ++wrong;
            ADD_FAILURE() << "round " << round << " left a file that loads silently wrong";
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(whole + told, 400);
    // Nothing was ever made in the folder itself.
    EXPECT_EQ(std::distance(fs::directory_iterator(f.folder), {}), 1);
    std::cout << "400 kills: " << whole << " whole files, " << told << " told as torn, " << wrong
              << " silently wrong\n";
}

TEST(InPlaceSave, ATornFileIsLeftAsItIsUntilACopyIsKeptInTheStateFolder) {
    constexpr int kReadings = 3000;
    const Generations gens(kReadings);
    NobodysFile f;
    {
        SettingsStore s = f.Store();
        gens.Set(s, 1);
        s.SaveSettings();
    }
    f.GiveFile();
    ASSERT_EQ(RunAsNobody(f, std::to_string(kReadings), "2"), 0);
    const std::string two = Bytes(f.Settings());
    ASSERT_EQ(RunAsNobody(f, std::to_string(kReadings), "3"), 0);
    const std::string three = Bytes(f.Settings());
    // Generation 3 written over 2 up to the middle of the times.
    const size_t k = three.find("<last times>") + 20000;
    const std::string torn = three.substr(0, k) + two.substr(k);
    Put(f.Settings(), torn);
    f.GiveFile();
    {
        SettingsStore s = f.Store();
        s.LoadSettings();
        EXPECT_TRUE(s.LoadedTorn());
        EXPECT_TRUE(s.LoadedDamaged());
        EXPECT_EQ(Bytes(f.Settings()), torn);
    }
    // The program as nobody: the copy cannot go beside the file, so it goes
    // to the state folder, and only then is the file rewritten.
    std::string why;
    ASSERT_EQ(RunAsNobody(f, std::to_string(kReadings), "4", &why), 0) << why;
    std::vector<fs::path> kept;
    for (const auto& e : fs::recursive_directory_iterator(f.state))
        if (e.is_regular_file()) kept.push_back(e.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].parent_path().filename(), "nimbrel");
    EXPECT_EQ(kept[0].filename().string().rfind("settings.txt.damaged-", 0), 0u) << kept[0];
    EXPECT_EQ(Bytes(kept[0].string()), torn);
    SettingsStore after = f.Store();
    after.LoadSettings();
    EXPECT_FALSE(after.LoadedDamaged());
    EXPECT_TRUE(gens.Holds(after));
    EXPECT_EQ(after.LocationId, "4");
}

TEST(InPlaceSave, AFileWithoutAnyCheckOrWithOneThatHoldsIsNotCalledTorn) {
    StoreFolder dir;
    SettingsStore s = dir.Store();
    Generations(50).Set(s, 1);
    s.SaveSettings();
    const std::string plain = Bytes(dir.Settings());
    EXPECT_EQ(plain.find("check>"), std::string::npos);
    const std::string checked = WithCheck(plain);
    for (const std::string& bytes : {plain, checked}) {
        Put(dir.Settings(), bytes);
        SettingsStore again = dir.Store();
        again.LoadSettings();
        EXPECT_FALSE(again.LoadedDamaged());
        EXPECT_EQ(again.Extra("place"), "Place 1");
        EXPECT_EQ(again.Extra("check"), "");
    }
    // One changed byte anywhere before the check is a torn file.
    std::string changed = checked;
    changed[changed.find("<last temps>") + 14] ^= 1;
    Put(dir.Settings(), changed);
    SettingsStore torn = dir.Store();
    torn.LoadSettings();
    EXPECT_TRUE(torn.LoadedTorn());
}

TEST(FolderProblem, ToldWhenNoSaveCanReachTheFile) {
    NobodysFile f;
    std::string said;
    // Nobody can neither make a file in the folder nor write the file.
    ASSERT_EQ(RunAsNobody(f, "0", "problem", &said), 0) << "setpriv could not run the helper";
    EXPECT_NE(said.find("Permission denied"), std::string::npos) << said;
    EXPECT_NE(said.find(f.folder.string()), std::string::npos) << said;
    // A file of nobody's own is rewritten in place: saving works.
    Put(f.Settings(), "<weather></weather>");
    f.GiveFile();
    ASSERT_EQ(RunAsNobody(f, "0", "problem", &said), 0);
    EXPECT_EQ(said, "");

    SettingsStore missing;
    missing.SetFolder((f.dir.path / "gone").string());
    EXPECT_NE(missing.FolderProblem().find("No such file or directory"), std::string::npos);
    SettingsStore tooLong;
    tooLong.SetFolder((f.dir.path / std::string(300, 'x')).string());
    EXPECT_NE(tooLong.FolderProblem().find("File name too long"), std::string::npos) << tooLong.FolderProblem();
    SettingsStore fine;
    fine.SetFolder(f.dir.path.string());
    EXPECT_EQ(fine.FolderProblem(), "");
}
