#include "QtSession.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "XvfbDisplay.h"

namespace nimbrel::testing {

namespace {

struct Session {
    std::unique_ptr<XvfbDisplay> xvfb;
    std::unique_ptr<QApplication> app;
    bool tried = false;
};

Session& TheSession() {
    static Session session;
    return session;
}

// Ends the application before the X server goes, and both before static
// destruction, where Qt can no longer shut down cleanly.
class SessionEnd : public ::testing::Environment {
public:
    void TearDown() override {
        TheSession().app.reset();
        TheSession().xvfb.reset();
    }
};

[[maybe_unused]] ::testing::Environment* const kSessionEnd = ::testing::AddGlobalTestEnvironment(new SessionEnd);

// Qt keeps a reference to argc and to argv for the application's lifetime.
QApplication* NewApplication() {
    static int argc = 1;
    static char name[] = "nimbrel-test";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
}

}  // namespace

void EnsureApp() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    NewApplication();
    QApplication::setQuitOnLastWindowClosed(false);
}

QApplication* StartQt(QtPlatform platform) {
    Session& s = TheSession();
    if (s.tried) return s.app.get();
    s.tried = true;
    if (platform == QtPlatform::Xvfb) {
        s.xvfb = std::make_unique<XvfbDisplay>();
        if (!s.xvfb->Started()) return nullptr;
        setenv("DISPLAY", s.xvfb->Display().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    } else {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    s.app.reset(NewApplication());
    return s.app.get();
}

bool PumpUntil(const std::function<bool()>& ready, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void PumpFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

bool ShowAndWait(QWidget& window) {
    window.show();
    const bool exposed = PumpUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); });
    // The first paint follows the expose; give it time to reach the server.
    PumpFor(100);
    return exposed;
}

}  // namespace nimbrel::testing
