#pragma once
// The process's time zone (TZ) set for the life of the object, and the one
// before it given back at the end, so that a test of another zone leaves the
// tests after it in the zone they expect. Plain C library: the Qt-free tests
// take it too.
#include <time.h>

#include <cstdlib>
#include <string>

namespace nimbrel::testing {

class ScopedZone {
public:
    explicit ScopedZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedZone() {
        if (had_)
            ::setenv("TZ", saved_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

}  // namespace nimbrel::testing
