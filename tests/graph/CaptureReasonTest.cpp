// "Capture" into a folder where the picture cannot be written: the message
// keeps its first sentence and names the reason: a full disk (a small tmpfs
// filled up), a read-only folder and a folder without permission (both as the
// unprivileged user nobody, since root writes through permissions).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "graph/GraphCapture.h"
#include "platform/qt/modCapture.h"
#include "platform/ui/MessageBox.h"

namespace fs = std::filesystem;

namespace nimbrel {
namespace {

constexpr const char* kAsNobodyFolder = "NIMBREL_CAPTURE_AS_NOBODY_FOLDER";

// A capture of a plain 200 x 120 picture into folder; the message shown.
std::string CaptureInto(const std::string& folder, CaptureOutcome& outcome) {
    ScopedClock clock(DateSerial(2026, 12, 6) + TimeSerial(9, 0, 0));
    PictureBox buffer;
    buffer.SetPicture(PictureFromBitmap(gdi::CreateDIB24(nullptr, 200, 120), nullptr));
    std::vector<MessageRequest> shown;
    const MessageHandler previous = SetMessageHandler([&](const MessageRequest& r) { shown.push_back(r); });
    outcome = SaveCaptureAsJpeg(buffer, folder, "Nimbrel").outcome;
    SetMessageHandler(previous);
    return shown.size() == 1 ? shown[0].text : "(" + std::to_string(shown.size()) + " messages)";
}

class Scratch {
public:
    Scratch() {
        char tmpl[] = "/tmp/nimbrel-capture-reason-XXXXXX";
        path = ::mkdtemp(tmpl);
        ::chmod(path.c_str(), 0755);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

TEST(CaptureReason, AFullDiskIsNamed) {
    Scratch scratch;
    const std::string disk = scratch.path + "/disk";
    fs::create_directory(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k"), 0) << "a small tmpfs is needed (root)";
    {
        // Filled to the last byte: blocks, then single bytes.
        const int fd = ::open((disk + "/fill").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, "x", 1) > 0) {
        }
        ::close(fd);
    }
    CaptureOutcome outcome{};
    const std::string text = CaptureInto(disk, outcome);
    ::umount2(disk.c_str(), MNT_DETACH);
    EXPECT_EQ(outcome, CaptureOutcome::EncoderError);
    EXPECT_EQ(text, "Image could not be saved. The disk is full.");
}

TEST(CaptureReason, AFolderThatIsNotThereIsNamed) {
    Scratch scratch;
    CaptureOutcome outcome{};
    EXPECT_EQ(CaptureInto(scratch.path + "/gone", outcome),
              "Image could not be saved. The folder " + scratch.path + "/gone does not exist.");
}

// Runs this program again as nobody, for the one test named, with the folder
// in the environment; true when that test ran and passed.
bool PassesAsNobody(const std::string& test, const std::string& folder) {
    // A copy of this program beside the folder: nobody can run it wherever
    // the build tree lies (a home folder may be closed to others).
    const std::string self = folder + ".test";
    fs::copy_file(fs::read_symlink("/proc/self/exe"), self, fs::copy_options::overwrite_existing);
    ::chmod(self.c_str(), 0755);
    const std::string out = folder + ".out";
    const std::string cmd = std::string(kAsNobodyFolder) + "='" + folder +
                            "' /usr/bin/setpriv --reuid=nobody --regid=nogroup --clear-groups '" + self +
                            "' --gtest_filter='AsNobody.*" + test + "' --gtest_also_run_disabled_tests > '" + out +
                            "' 2>&1";
    const int status = std::system(cmd.c_str());
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::cout << text;
    return status == 0 && text.find("[  PASSED  ] 1 test") != std::string::npos;
}

TEST(CaptureReason, AReadOnlyFolderAndAMissingPermissionAreNamedToNobody) {
    ASSERT_EQ(::access("/usr/bin/setpriv", X_OK), 0) << "setpriv (util-linux) is needed to run as nobody";
    Scratch scratch;
    const std::string readOnly = scratch.path + "/read-only";
    fs::create_directory(readOnly);
    ASSERT_EQ(::chown(readOnly.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
    EXPECT_TRUE(PassesAsNobody("ReadOnlyFolder", readOnly));

    const std::string others = scratch.path + "/roots";
    fs::create_directory(others);
    ASSERT_EQ(::chmod(others.c_str(), 0755), 0);
    EXPECT_TRUE(PassesAsNobody("ForeignFolder", others));
}

// The halves run as nobody by the test above; skipped when run directly.
TEST(AsNobody, DISABLED_ReadOnlyFolder) {
    const char* folder = std::getenv(kAsNobodyFolder);
    ASSERT_NE(folder, nullptr);
    ASSERT_NE(::getuid(), 0u);
    CaptureOutcome outcome{};
    EXPECT_EQ(CaptureInto(folder, outcome),
              "Image could not be saved. The folder " + std::string(folder) + " is read-only.");
    EXPECT_EQ(outcome, CaptureOutcome::EncoderError);
}

TEST(AsNobody, DISABLED_ForeignFolder) {
    const char* folder = std::getenv(kAsNobodyFolder);
    ASSERT_NE(folder, nullptr);
    ASSERT_NE(::getuid(), 0u);
    CaptureOutcome outcome{};
    EXPECT_EQ(CaptureInto(folder, outcome),
              "Image could not be saved. You have no permission to write in the folder " + std::string(folder) + ".");
}

}  // namespace
}  // namespace nimbrel
