#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "app/CommandLine.h"

namespace nimbrel {
namespace {

Options Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "nimbrel");
    ParseResult r = ParseCommandLine(args);
    EXPECT_TRUE(r.options.has_value()) << r.error;
    return r.options.value_or(Options{});
}

std::string ParseError(std::vector<std::string> args) {
    args.insert(args.begin(), "nimbrel");
    ParseResult r = ParseCommandLine(args);
    EXPECT_FALSE(r.options.has_value());
    return r.error;
}

TEST(CommandLine, TrayRuleLooksOnlyAtPlainWords) {
    EXPECT_TRUE(ContainsTray(Parse({"-Tray"}).CommandLine));
    EXPECT_TRUE(ContainsTray(Parse({"autotray"}).CommandLine));
    EXPECT_TRUE(ContainsTray(Parse({"x", "TRAY"}).CommandLine));
    EXPECT_FALSE(ContainsTray(Parse({}).CommandLine));
    // An option's value is not a word of the command line.
    Options o = Parse({"--folder", "/home/me/astray", "--feed=http://tray.example:1"});
    EXPECT_EQ(o.Folder, "/home/me/astray");
    EXPECT_EQ(o.FeedUrl, "http://tray.example:1");
    EXPECT_FALSE(ContainsTray(o.CommandLine));
    // Qt's own options and values are left out too.
    EXPECT_EQ(Parse({"-platform", "offscreen", "now"}).CommandLine, "now");
    EXPECT_TRUE(Parse({"--tray"}).Tray);
    EXPECT_EQ(Parse({"--", "--folder"}).CommandLine, "--folder");
}

TEST(CommandLine, OptionsAndBadOptions) {
    Options o = Parse({"--fetch-now", "--folder=/tmp/x"});
    EXPECT_TRUE(o.FetchNow);
    EXPECT_EQ(o.Folder, "/tmp/x");
    EXPECT_TRUE(Parse({"--help"}).Help);
    EXPECT_TRUE(Parse({"--version"}).Version);
    EXPECT_NE(ParseError({"--colour"}).find("unknown option '--colour'"), std::string::npos);
    EXPECT_NE(ParseError({"--folder"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ParseError({"--fetch-now=yes"}).find("takes no value"), std::string::npos);
    EXPECT_NE(ParseError({"--feed", "ftp://x"}).find("http://"), std::string::npos);
    EXPECT_NE(UsageText("nimbrel").find("--feed URL"), std::string::npos);
}

TEST(CommandLine, EnvironmentFillsWhatTheCommandLineLeftOpen) {
    ::setenv("NIMBREL_FOLDER", "/env/folder", 1);
    ::setenv("NIMBREL_FEED", "http://127.0.0.1:9", 1);
    Options o = Parse({"--folder", "/cli"});
    ApplyEnvironment(o);
    EXPECT_EQ(o.Folder, "/cli");
    EXPECT_EQ(o.FeedUrl, "http://127.0.0.1:9");
    ::unsetenv("NIMBREL_FOLDER");
    ::unsetenv("NIMBREL_FEED");
}

TEST(ProgramFolder, GivenFolderIsCreatedAndTheDataFolderIsTheFallback) {
    apptest::TempFolder tmp;
    std::string error;
    const auto wanted = tmp.Path() / "a" / "b";
    EXPECT_EQ(ResolveProgramFolder(wanted.string(), &error), wanted.string());
    EXPECT_TRUE(std::filesystem::is_directory(wanted));

    // The test runs from the build tree: its own folder is the program's.
    EXPECT_EQ(ResolveProgramFolder("", &error), ExecutableFolder());

    // Installed (no build tree around it, no settings.txt beside it): the
    // data folder, and nothing is written beside the executable.
    const auto bin = tmp.Path() / "usr" / "local" / "bin";
    std::filesystem::create_directories(bin);
    const auto data = tmp.Path() / "data";
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const std::string keep = oldData ? oldData : "";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    EXPECT_EQ(ResolveProgramFolder("", &error, bin.string()), (data / "nimbrel").string());
    EXPECT_TRUE(std::filesystem::is_directory(data / "nimbrel"));
    EXPECT_FALSE(std::filesystem::exists(bin / "settings.txt"));
    // A portable copy, its settings.txt beside it, keeps its folder.
    std::ofstream(bin / "settings.txt") << "";
    EXPECT_EQ(ResolveProgramFolder("", &error, bin.string()), bin.string());
    if (oldData)
        ::setenv("XDG_DATA_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");

    if (::geteuid() != 0) {
        const auto locked = tmp.Path() / "locked";
        std::filesystem::create_directories(locked);
        ::chmod(locked.c_str(), 0500);
        EXPECT_EQ(ResolveProgramFolder((locked / "x").string(), &error), "");
        EXPECT_FALSE(error.empty());
        ::chmod(locked.c_str(), 0700);
    }
}

}  // namespace
}  // namespace nimbrel
