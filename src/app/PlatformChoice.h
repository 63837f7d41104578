#pragma once
// Which of Qt's window-system back ends the program runs on. On a Wayland
// session the compositor decides where a window stands and whether it stays
// above the others, and keeps it out of the task bar only on request it may
// refuse; the program's small always-on-top window needs all three. So where
// Xwayland is there (DISPLAY is set beside WAYLAND_DISPLAY) the program runs
// on X11; the user's own QT_QPA_PLATFORM or -platform always wins. Decided
// before the QApplication exists, from the environment alone.
#include <string>
#include <vector>

namespace nimbrel {

struct PlatformEnvironment {
    std::string qtQpaPlatform;   // QT_QPA_PLATFORM
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string display;         // DISPLAY
    std::string sessionType;     // XDG_SESSION_TYPE
    // The value of a "-platform NAME" or "-platform=NAME" on the command
    // line, empty when there is none.
    std::string platformArgument;
};

struct PlatformChoice {
    // The value to give QT_QPA_PLATFORM before Qt starts; empty: leave the
    // environment as it is (the user chose, or there is nothing to choose).
    std::string setPlatform;
    // The window will run natively on Wayland: staying on top and choosing
    // its own position are up to the compositor.
    bool nativeWayland = false;
};

PlatformEnvironment ReadPlatformEnvironment(const std::vector<std::string>& args);
PlatformChoice ChoosePlatform(const PlatformEnvironment& env);

// What the program tells once when it runs natively on Wayland.
std::string NativeWaylandNotice();

}  // namespace nimbrel
