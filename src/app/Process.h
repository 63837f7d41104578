#pragma once
// What the process needs from the system around its windows: a display to
// show them on, and the memory its large blocks leave behind given back.
#include <string>
#include <vector>

namespace nimbrel {

// Why the window could not be shown, or empty when it can be tried. Qt ends
// the process with abort() and a core dump when its default platform finds
// no display; a session without one (a console, ssh, a service) gets this
// message instead. A platform chosen with QT_QPA_PLATFORM or -platform
// (offscreen, vnc, eglfs ...) is left to Qt.
std::string MissingDisplayMessage(const std::vector<std::string>& args);

// Gives the memory that has been freed back to the system. The history is
// kept as a few strings of megabytes; the start-up and every save build and
// drop copies of them, and glibc keeps such freed blocks resident inside its
// heap, between the blocks still in use, for as long as the program runs.
// Called after those two, it costs well under a millisecond.
void ReleaseFreedMemory();

}  // namespace nimbrel
