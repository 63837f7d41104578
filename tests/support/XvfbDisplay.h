#pragma once
// A private X server for the tests that read a window back from the screen.
// Xvfb picks a free display itself (-displayfd), so parallel test runs never
// share or steal one another's display.
#include <sys/types.h>

#include <string>

namespace nimbrel::testing {

class XvfbDisplay {
public:
    // Starts Xvfb with one 24-bit screen; Started() is false when Xvfb is not
    // installed or did not come up.
    explicit XvfbDisplay(int width = 1280, int height = 1024);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool Started() const { return pid_ > 0 && !display_.empty(); }
    // ":N"
    const std::string& Display() const { return display_; }
    // The server dies at once, as a crashed X server would (SIGKILL).
    void Kill();

private:
    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace nimbrel::testing
