#include "app/Process.h"

#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace nimbrel {

namespace {

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

}  // namespace

std::string MissingDisplayMessage(const std::vector<std::string>& args) {
    if (Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return {};
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& w = args[i];
        if (w == "-platform" || w.rfind("-platform=", 0) == 0) return {};
    }
    return "there is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
           "start it from the desktop session, or with QT_QPA_PLATFORM=offscreen to run it without a window";
}

void ReleaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

}  // namespace nimbrel
