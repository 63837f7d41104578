#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/modMisc.h"

using namespace nimbrel;
namespace fs = std::filesystem;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string tmpl = (fs::temp_directory_path() / "nimbrel-misc-XXXXXX").string();
        path = mkdtemp(tmpl.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, ec);
        fs::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

}  // namespace

TEST(TextFiles, WriteAddsOneCrLfAndReadGivesBackTheBytes) {
    TempFolder dir;
    const std::string p = dir.file("a.txt");
    ASSERT_TRUE(WriteTextFile("line 1\r\nline 2 12°C", p));
    EXPECT_EQ(Bytes(p), "line 1\r\nline 2 12°C\r\n");
    EXPECT_EQ(ReadTextFile(p), "line 1\r\nline 2 12°C\r\n");
    ASSERT_TRUE(WriteTextFile("", p));
    EXPECT_EQ(Bytes(p), "\r\n");
    // No temporary files are left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

TEST(TextFiles, BytesThatAreNotUtf8AreReadAsWindows1252) {
    TempFolder dir;
    const std::string p = dir.file("old.txt");
    Put(p, std::string("12\xB0"
                       "C \x80 \x93q\x94 \x81"));
    EXPECT_EQ(ReadTextFile(p), "12°C € “q” \xC2\x81");
    // Broken UTF-8 (an overlong form, a lone continuation byte) is not UTF-8.
    Put(p, std::string("\xC0\xAF"));
    EXPECT_EQ(ReadTextFile(p), "\xC3\x80\xC2\xAF");
    Put(p, std::string("ok \xE2\x82\xAC"));
    EXPECT_EQ(ReadTextFile(p), "ok €");
    Put(p, std::string("a\0b", 3));
    EXPECT_EQ(ReadTextFile(p), std::string("a\0b", 3));
}

TEST(TextFiles, ReadErrorsReachTheCaller) {
    TempFolder dir;
    EXPECT_THROW(ReadTextFile(dir.file("missing.txt")), std::runtime_error);
    EXPECT_THROW(ReadTextFile(dir.path.string()), std::runtime_error);
}

TEST(TextFiles, FailedWritesAnswerFalseAndKeepTheOldFile) {
    TempFolder dir;
    const std::string p = dir.file("keep.txt");
    ASSERT_TRUE(WriteTextFile("old", p));
    EXPECT_FALSE(WriteTextFile("new", dir.file("no/such/folder.txt")));
    EXPECT_FALSE(WriteTextFile("new", ""));
    if (geteuid() != 0) {  // root writes into read-only folders anyway
        fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WriteTextFile("new", p));
        fs::permissions(dir.path, fs::perms::owner_all);
        EXPECT_EQ(Bytes(p), "old\r\n");
    }
    // A folder standing where the file should be cannot be replaced.
    fs::create_directory(dir.file("adir"));
    EXPECT_FALSE(WriteTextFile("new", dir.file("adir")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
}

TEST(TextFiles, ReplacingKeepsThePermissionsOfTheOldFile) {
    TempFolder dir;
    const std::string p = dir.file("mode.txt");
    ASSERT_TRUE(WriteTextFile("a", p));
    fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WriteTextFile("b", p));
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}
