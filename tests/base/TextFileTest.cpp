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

TEST(TextFiles, OnlyTheBytesThatAreNotUtf8AreReadAsWindows1252) {
    TempFolder dir;
    const std::string p = dir.file("mixed.txt");
    // One stray byte leaves every valid sequence as it is.
    Put(p, std::string("12°C \xB0 13°C € \x80 \xE2\x82 ok"));
    EXPECT_EQ(ReadTextFile(p), "12°C ° 13°C € € â‚ ok");
    EXPECT_EQ(ToValidUtf8("°\xFF°"), "°ÿ°");
}

TEST(TextFiles, AFifoOrADeviceIsRefusedWithoutBlocking) {
    TempFolder dir;
    const std::string p = dir.file("fifo.txt");
    ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
    // Without a writer, a blocking open would never return; the alarm ends
    // the test then instead of hanging it.
    ::alarm(10);
    EXPECT_THROW(ReadTextFile(p), std::runtime_error);
    std::string error;
    EXPECT_FALSE(WriteTextFile("x", p, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_fifo(p));
    EXPECT_THROW(ReadTextFile("/dev/zero"), std::runtime_error);
    ::alarm(0);
}

TEST(TextFiles, ASymbolicLinkStaysALinkAndItsFileIsWritten) {
    TempFolder dir;
    fs::create_directory(dir.file("real"));
    const std::string target = dir.file("real/settings.txt");
    ASSERT_TRUE(WriteTextFile("old", target));
    const std::string link = dir.file("settings.txt");
    fs::create_symlink("real/settings.txt", link);
    std::string error;
    ASSERT_TRUE(WriteTextFile("new", link, error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Bytes(target), "new\r\n");
    // The temporary file went beside the target, and nothing is left over.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
    // A link to a file that does not exist yet creates that file.
    const std::string dangling = dir.file("other.txt");
    fs::create_symlink("real/later.txt", dangling);
    ASSERT_TRUE(WriteTextFile("first", dangling, error)) << error;
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(Bytes(dir.file("real/later.txt")), "first\r\n");
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
        // A read-only file in a read-only folder cannot be saved at all.
        fs::permissions(p, fs::perms::owner_read);
        fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WriteTextFile("new", p));
        fs::permissions(dir.path, fs::perms::owner_all);
        fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
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
