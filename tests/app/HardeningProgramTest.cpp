// The real program against what the attack found: a weather answer nested
// 150,000 levels deep, place names with markup and control characters, a
// folder it cannot lock, and the signals that used to end it without a save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "AppTestSupport.h"
#include "DeepJson.h"
#include "FakeOpenMeteo.h"
#include "ToolProcess.h"
#include "feeds/OutsideText.h"

namespace nimbrel {
namespace {

namespace fs = std::filesystem;
using apptest::ReadFile;
using test::FakeOpenMeteo;
using test::ToolProcess;

const std::string kNimbrel = std::string(NIMBREL_BINARY_DIR) + "/src/app/nimbrel";

bool WaitFor(const std::function<bool()>& ready, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ready();
}

std::vector<std::string> Services(const FakeOpenMeteo& fake) {
    return {"QT_QPA_PLATFORM=offscreen", "NIMBREL_OPEN_METEO_URL=" + fake.BaseUrl(),
            "NIMBREL_GEOCODING_URL=" + fake.BaseUrl(), "NIMBREL_FEED"};
}

TEST(HostileProgram, ADeepAnswerIsRefusedAndTheProgramGoesOn) {
    for (bool inDaily : {false, true}) {
        SCOPED_TRACE(inDaily);
        FakeOpenMeteo fake;
        fake.SetForecast({200, test::DeepForecastJson(inDaily)});
        test::ScratchFolder tmp;
        const std::string data = tmp.Path() + "/data";
        ToolProcess nimbrel({kNimbrel, "--folder", data, "--place", "52.52,13.41"}, Services(fake), tmp.Path());
        ASSERT_TRUE(WaitFor([&] { return fake.ForecastRequests() >= 1 && nimbrel.Catches(SIGTERM); })) << nimbrel.Err();
        // Time to take the answer (and, before, to die of it).
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_EQ(nimbrel.Wait(0), -1) << nimbrel.Err();
        nimbrel.Signal(SIGTERM);
        EXPECT_EQ(nimbrel.Wait(5000), 0) << nimbrel.Err();
        EXPECT_NE(ReadFile(data + "/settings.txt").find("<source>open-meteo</source>"), std::string::npos);
    }
}

TEST(HostileProgram, APlaceNameIsPrintedOnOneLineAndKeptShort) {
    FakeOpenMeteo fake;
    fake.SetSearch("Evil", {200, R"({"results":[{"name":"<b>Bold</b>\u001b[2J\u0007\r\nnext","latitude":1.5,)"
                                 R"("longitude":2.25,"country":"Nowhere"}]})"});
    fake.SetSearch("Huge", {200, R"({"results":[{"name":")" + std::string(7 * 1024 * 1024, 'H') +
                                     R"(","latitude":1.5,"longitude":2.25}]})"});
    test::ScratchFolder tmp;
    const std::string data = tmp.Path() + "/data";
    {
        ToolProcess nimbrel({kNimbrel, "--folder", data, "--place", "Evil"}, Services(fake), tmp.Path());
        ASSERT_TRUE(WaitFor([&] { return nimbrel.Catches(SIGTERM); })) << nimbrel.Err();
        nimbrel.Signal(SIGTERM);
        EXPECT_EQ(nimbrel.Wait(5000), 0) << nimbrel.Err();
        EXPECT_EQ(nimbrel.Out(), "nimbrel: place: <b>Bold</b>\\x1B[2J\\x07\\r\\nnext, Nowhere (1.5,2.25)\n");
    }
    {
        ToolProcess nimbrel({kNimbrel, "--folder", data, "--place", "Huge"}, Services(fake), tmp.Path());
        ASSERT_TRUE(WaitFor([&] { return nimbrel.Catches(SIGTERM); })) << nimbrel.Err();
        nimbrel.Signal(SIGTERM);
        EXPECT_EQ(nimbrel.Wait(5000), 0) << nimbrel.Err();
        EXPECT_EQ(nimbrel.Out(), "nimbrel: place: " + std::string(kMaxPlaceNameBytes, 'H') + " (1.5,2.25)\n");
    }
    // The whole file stays small: the name is kept at its bound.
    const std::string saved = ReadFile(data + "/settings.txt");
    EXPECT_LT(saved.size(), 8000u);
    EXPECT_NE(saved.find("<place>" + std::string(kMaxPlaceNameBytes, 'H') + "</place>"), std::string::npos);
}

TEST(HostileProgram, AFolderThatCannotBeLockedIsARefusalToStart) {
    ASSERT_EQ(::access("/usr/bin/setpriv", X_OK), 0) << "setpriv (util-linux) is needed to run as nobody";
    test::ScratchFolder tmp;
    ::chmod(tmp.Path().c_str(), 0755);
    const std::string data = tmp.Path() + "/data";
    fs::create_directory(data);
    ASSERT_EQ(::chown(data.c_str(), 65534, 65534), 0);
    // Writable and searchable, but not readable: the folder cannot be opened
    // to lock it.
    ASSERT_EQ(::chmod(data.c_str(), 0333), 0);
    // A copy nobody can run wherever the build tree lies (a home folder may
    // be closed to others).
    const std::string program = tmp.Path() + "/nimbrel";
    fs::copy_file(kNimbrel, program);
    ::chmod(program.c_str(), 0755);
    ToolProcess nimbrel(
        {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", program, "--folder", data},
        {"QT_QPA_PLATFORM=offscreen", "HOME=" + tmp.Path(), "XDG_RUNTIME_DIR"}, tmp.Path());
    const int status = nimbrel.Wait(10000);
    EXPECT_EQ(status, 2) << nimbrel.Err();
    EXPECT_EQ(nimbrel.Err(),
              "nimbrel: cannot lock the folder " + data + " (Permission denied), so Nimbrel does not start.\n");
    EXPECT_FALSE(fs::exists(data + "/settings.txt"));
}

TEST(HostileProgram, UserSignalsAndTheAlarmSaveAndEnd) {
    for (int sig : {SIGUSR1, SIGUSR2, SIGALRM}) {
        SCOPED_TRACE(sig);
        test::ScratchFolder tmp;
        const std::string data = tmp.Path() + "/data";
        ToolProcess nimbrel({kNimbrel, "--folder", data}, {"QT_QPA_PLATFORM=offscreen"}, tmp.Path());
        ASSERT_TRUE(WaitFor([&] { return nimbrel.Catches(sig); })) << nimbrel.Err();
        nimbrel.Signal(sig);
        EXPECT_EQ(nimbrel.Wait(5000), 0) << nimbrel.Err();
        EXPECT_NE(ReadFile(data + "/settings.txt").find("<minutes>5</minutes>"), std::string::npos);
    }
}

// A stand-in for the system journal: a datagram socket at a path of a folder.
class JournalStandIn {
public:
    explicit JournalStandIn(const std::string& path) : path_(path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", path.c_str());
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        timeval wait{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    }
    ~JournalStandIn() { ::close(fd_); }
    bool Bound() const { return bound_; }
    // The next datagram, "" when none came within five seconds.
    std::string Receive() {
        char buf[4096];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
    }

private:
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};

// The save on a signal fails (the folder is gone): the reason reaches
// standard error and the journal, and the exit status says so.
TEST(HostileProgram, AFailedSaveOnASignalIsToldToTheJournal) {
    test::ScratchFolder tmp;
    const std::string data = tmp.Path() + "/data";
    JournalStandIn journal(tmp.Path() + "/journal.sock");
    ASSERT_TRUE(journal.Bound());
    ToolProcess nimbrel({kNimbrel, "--folder", data},
                        {"QT_QPA_PLATFORM=offscreen", "NIMBREL_JOURNAL_SOCKET=" + tmp.Path() + "/journal.sock"},
                        tmp.Path());
    ASSERT_TRUE(WaitFor([&] { return nimbrel.Catches(SIGUSR1); })) << nimbrel.Err();
    fs::remove_all(data);
    nimbrel.Signal(SIGUSR1);
    EXPECT_EQ(nimbrel.Wait(5000), 1) << nimbrel.Err();
    const std::string why = "cannot save the history to " + data + "/settings.txt: its folder is gone";
    EXPECT_NE(nimbrel.Err().find("nimbrel: " + why + "\n"), std::string::npos) << nimbrel.Err();
    const std::string record = journal.Receive();
    EXPECT_EQ(record.rfind("<11>nimbrel[", 0), 0u) << record;
    EXPECT_NE(record.find("]: " + why), std::string::npos) << record;
}

}  // namespace
}  // namespace nimbrel
