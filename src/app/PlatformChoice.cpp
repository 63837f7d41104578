#include "app/PlatformChoice.h"

#include <cstdlib>

namespace nimbrel {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "wayland", "wayland-egl", "wayland;xcb": Qt tries the names in order and
// takes the first that starts.
bool NamesWayland(const std::string& platform) {
    return platform.rfind("wayland", 0) == 0;
}

}  // namespace

PlatformEnvironment ReadPlatformEnvironment(const std::vector<std::string>& args) {
    PlatformEnvironment env;
    env.qtQpaPlatform = Env("QT_QPA_PLATFORM");
    env.waylandDisplay = Env("WAYLAND_DISPLAY");
    env.display = Env("DISPLAY");
    env.sessionType = Env("XDG_SESSION_TYPE");
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "-platform" && i + 1 < args.size()) env.platformArgument = args[i + 1];
        if (word.rfind("-platform=", 0) == 0) env.platformArgument = word.substr(10);
    }
    return env;
}

PlatformChoice ChoosePlatform(const PlatformEnvironment& env) {
    PlatformChoice choice;
    // The user's own choice stands, whatever the session is.
    const std::string& chosen = !env.platformArgument.empty() ? env.platformArgument : env.qtQpaPlatform;
    if (!chosen.empty()) {
        choice.nativeWayland = NamesWayland(chosen);
        return choice;
    }
    if (!env.display.empty()) {
        // X11, or Xwayland beside a Wayland compositor: said outright, since
        // Qt itself would pick Wayland on a session that names itself so.
        choice.setPlatform = "xcb";
        return choice;
    }
    if (!env.waylandDisplay.empty()) {
        choice.setPlatform = "wayland";
        choice.nativeWayland = true;
    }
    return choice;
}

std::string NativeWaylandNotice() {
    return "This Wayland desktop decides where Nimbrel's window stands and does not let it stay above other "
           "windows. Start Nimbrel in a session with Xwayland (DISPLAY set) to keep it on top and in its place.";
}

}  // namespace nimbrel
