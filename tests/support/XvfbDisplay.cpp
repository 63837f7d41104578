#include "XvfbDisplay.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace nimbrel::testing {

namespace {

bool FindXvfb(std::string* path) {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        std::string candidate = std::string(dir) + "/Xvfb";
        if (access(candidate.c_str(), X_OK) == 0) {
            *path = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace

XvfbDisplay::XvfbDisplay(int width, int height) {
    std::string xvfb;
    if (!FindXvfb(&xvfb)) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const std::string fd = std::to_string(fds[1]);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        // A test that dies must not leave its server behind, still holding the
        // output pipe that the test runner waits on to close.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        // Keep the test's output readable: the server's chatter goes nowhere.
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
        execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // Xvfb writes the display number once it accepts connections.
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    while (poll(&pfd, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + number;
}

void XvfbDisplay::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

XvfbDisplay::~XvfbDisplay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

}  // namespace nimbrel::testing
