// The program: reads the command line, finds its folder, and runs the main
// window until "Exit Nimbrel", a signal or the end of the desktop session.
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QSessionManager>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <utility>

#include "app/CommandLine.h"
#include "app/FrontDoor.h"
#include "app/PlatformChoice.h"
#include "app/Process.h"
#include "app/ResumeWatch.h"
#include "app/SignalWatch.h"
#include "app/Translations.h"
#include "app/frmMain.h"
#include "base/FolderLock.h"
#include "base/ProgramInfo.h"
#include "feeds/OpenMeteo.h"
#include "feeds/OutsideText.h"
#include "feeds/PlaceSearch.h"
#include "platform/ui/QtMessageBox.h"

namespace {

// The window while the event loop runs; null before and after.
nimbrel::frmMain* g_runningForm = nullptr;

// Qt's X11 back end ends the process with exit(1) when the connection to the
// X server breaks (the X server or Xwayland died): no event, no signal, only
// the exit handlers run. The readings held since the last save are saved
// here, and the program ends with a status of its own, 3 (1 when the save
// failed as well).
constexpr int kDisplayLostStatus = 3;

void SaveWhenTheDisplayIsLost() {
    nimbrel::frmMain* form = std::exchange(g_runningForm, nullptr);
    if (!form || form->Unloaded()) return;
    std::cerr << "nimbrel: the connection to the display was lost; saving and ending\n";
    form->Unload(nimbrel::UnloadReason::Session);
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(form->ExitStatus() != 0 ? form->ExitStatus() : kDisplayLostStatus);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace nimbrel;
    std::vector<std::string> args(argv, argv + argc);
    ParseResult parsed = ParseCommandLine(args);
    if (!parsed.options) {
        std::cerr << parsed.error << "\n";
        return 2;
    }
    Options options = *parsed.options;
    const std::string program = "nimbrel";
    if (options.Help) {
        std::cout << UsageText(program);
        return 0;
    }
    if (options.Version) {
        std::cout << VersionText() << "\n";
        return 0;
    }
    ApplyEnvironment(options);
    if (const std::string why = MissingDisplayMessage(args); !why.empty()) {
        std::cerr << program << ": " << why << "\n";
        return 1;
    }
    std::string error;
    const std::string folder = ResolveProgramFolder(options.Folder, &error);
    if (folder.empty()) {
        std::cerr << program << ": " << error << "\n";
        return 2;
    }
    // Two programs on one folder would overwrite each other's readings; the
    // second one ends here, before it has read or written anything.
    FolderLock folderLock;
    const FolderLock::Result locked = folderLock.Acquire(folder, error);
    if (locked == FolderLock::Result::Failed) {
        // Without the lock a second program could run on the folder unseen
        // and overwrite this one's readings, so there is no start without it.
        std::cerr << program << ": cannot lock the folder " << folder << " (" << error
                  << "), so Nimbrel does not start.\n";
        return 2;
    }
    if (locked == FolderLock::Result::InUse) {
        std::cerr << "Nimbrel is already running with the folder " << folder << "\n";
        // The running program is asked to show its window; where it cannot
        // be reached the refusal alone stands.
        QCoreApplication knocking(argc, argv);
        if (KnockAtFrontDoor(folder)) {
            std::cerr << "Its window has been brought to the front.\n";
            return 0;
        }
        return 2;
    }

    // --place: found before any window exists, so that a name that matches
    // nothing ends here with settings.txt untouched.
    std::optional<Place> place;
    if (!options.Place.empty()) {
        const PlaceSearch found = FindPlace(options.Place);
        if (!found.ok) {
            std::cerr << program << ": " << found.error << "\n";
            return 2;
        }
        if (found.places.empty()) {
            std::cerr << program << ": no place matches \"" << options.Place << "\"\n";
            return 2;
        }
        place = found.places.front();
        // The name comes from the service: printed with its control
        // characters escaped, on one line.
        std::cout << program << ": place: " << EscapeControls(place->DisplayName()) << " ("
                  << FormatCoordinate(place->latitude) << "," << FormatCoordinate(place->longitude) << ")" << std::endl;
        options.FetchNow = true;
    }

    // X11 where it can be had: the window's place, its staying on top and
    // its missing task-bar button need it. Given to Qt as a command-line
    // option, so programs started from here (a browser) keep the session's.
    const PlatformChoice platform = ChoosePlatform(ReadPlatformEnvironment(args));
    std::vector<char*> qtArgv(argv, argv + argc);
    std::string platformOption = "-platform", platformName = platform.setPlatform;
    if (!platformName.empty()) {
        qtArgv.insert(qtArgv.begin() + 1, {platformOption.data(), platformName.data()});
    }
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication app(qtArgc, qtArgv.data());
    InstallTranslations(app);
    if (platform.nativeWayland) std::cerr << program << ": " << NativeWaylandNotice() << "\n";
    QApplication::setApplicationName(QStringLiteral("nimbrel"));
    // No application display name: Qt would append it to every window title
    // ("Nimbrel - Graph — Nimbrel"), and each window sets its own caption.
    QApplication::setApplicationVersion(QStringLiteral(NIMBREL_VERSION));
    QApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    // The program ends only through its own unload, never because its last
    // visible window went to the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    BindQtMessageBoxes();

    frmMain::Config config;
    config.folder = folder;
    config.feedBaseUrl = options.FeedUrl.empty() ? std::string(kDefaultFeedBaseUrl) : options.FeedUrl;
    config.commandLine = options.CommandLine;
    config.feedNamed = !options.FeedUrl.empty();
    config.place = place;
    config.mayAskForPlace = options.FeedUrl.empty() && options.Place.empty();
    if (options.Tray) config.commandLine += config.commandLine.empty() ? "tray" : " tray";
    frmMain form(config);

    // SIGTERM, SIGINT, SIGHUP (and SIGUSR1, SIGUSR2, SIGALRM) and the end of
    // the session unload the window the way the system's shutdown does: save,
    // remove the tray icon, end.
    SignalWatch signalWatch([&form](int) { form.Unload(UnloadReason::Session); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.Unload(UnloadReason::Session); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &form, [&form] {
        if (!form.Unloaded()) form.Unload(UnloadReason::Session);
    });

    // A second start on this folder shows this window instead.
    FrontDoor frontDoor(folder, [&form] { form.BringToFront(); });

    // Back from sleep or from a network outage: fetch at once.
    ResumeWatch resumeWatch([&form] { form.OnResumed(); });

    form.Load();
    // A signal or the end of the session that came while start-up waited on
    // a message (the notice that there is no notification area) has saved
    // and unloaded the window already; its request to end the event loop
    // came before there was one.
    if (form.Unloaded()) return form.ExitStatus();
    form.ShowFirst();
    // Said once, and without waiting for an answer, where it matters.
    if (platform.nativeWayland) form.TellOnce("told-wayland", NativeWaylandNotice());
    if (options.FetchNow) {
        // Right after start-up, not during it: the observation, then the
        // forecast.
        QTimer::singleShot(0, &form, [&form] { form.FetchBoth(); });
    }
    g_runningForm = &form;
    std::atexit(SaveWhenTheDisplayIsLost);
    // 1 when the exit save failed, whichever way the program was ended.
    const int status = std::max(QApplication::exec(), form.ExitStatus());
    g_runningForm = nullptr;
    std::fflush(stdout);
    std::fflush(stderr);
    // A fetch still waiting on a dead server is not waited for: the settings
    // are saved, so the process ends here without running the exit handlers
    // under the worker's feet.
    if (AnyFetchRunning()) ::_exit(status);
    return status;
}
