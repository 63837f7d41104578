// The resume watch hears NetworkManager on the system bus: a private bus
// stands in for the system's, and a stand-in NetworkManager on it answers
// the state and sends its changes, as the real service does.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <cstdio>
#include <string>

#include "QtSession.h"
#include "app/ResumeWatch.h"

using namespace nimbrel;

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");

// A dbus-daemon of the test's own, named as the system bus for this process.
struct PrivateBus {
    pid_t pid = -1;
    std::string address;
    PrivateBus() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') address += c;
        ::close(fds[0]);
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    }
    ~PrivateBus() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
};

}  // namespace

// The stand-in NetworkManager: its State property is what the watch asks
// at start.
class FakeNetworkManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ State)
public:
    uint state = 20;  // disconnected
    uint State() const { return state; }
};

TEST(ResumeWatch, TheWayBackOnlineIsHeardFromNetworkManager) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address.empty()) << "dbus-daemon could not be started";
    nimbrel::testing::EnsureApp();
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromStdString(bus.address), "fake-nm");
    ASSERT_TRUE(service.isConnected());
    FakeNetworkManager nm;
    ASSERT_TRUE(service.registerObject(kPath, &nm, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(service.registerService(kService));
    auto send = [&](uint state) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kService, QStringLiteral("StateChanged"));
        signal << state;
        service.send(signal);
    };

    // Started while offline: the first "connected" is a way back.
    int resumed = 0;
    ResumeWatch watch([&resumed] { ++resumed; });
    nimbrel::testing::PumpFor(300);
    send(70);
    EXPECT_TRUE(nimbrel::testing::PumpUntil([&] { return resumed == 1; }, 3000));
    // Between two kinds of being connected, or connected again, nothing.
    send(60);
    send(70);
    send(0);
    send(70);
    nimbrel::testing::PumpFor(300);
    EXPECT_EQ(resumed, 2);  // 60 was a loss of the internet, 70 its return
    send(20);
    send(40);
    send(70);
    EXPECT_TRUE(nimbrel::testing::PumpUntil([&] { return resumed == 3; }, 3000));
    nimbrel::testing::PumpFor(200);
    EXPECT_EQ(resumed, 3);

    // Started while online: nothing until the network was lost first.
    nm.state = 70;
    int resumedOnline = 0;
    ResumeWatch online([&resumedOnline] { ++resumedOnline; });
    nimbrel::testing::PumpFor(300);
    EXPECT_EQ(resumedOnline, 0);
    QDBusConnection::disconnectFromBus("fake-nm");
}

#include "ResumeWatchTest.moc"
