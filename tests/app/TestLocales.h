#pragma once
// The locales whose numbers (de_DE, fr_FR: a decimal comma) or case rules
// (tr_TR) differ from C's, for the tests that write or read numbers.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace nimbrel::apptest {

inline const char* const kLocales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "tr_TR.UTF-8"};

// True when the locale can be had. ./scripts/test.sh generates all three and
// sets NIMBREL_REQUIRE_LOCALES, so there a missing one fails the test.
inline bool Available(const char* locale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    const bool ok = std::setlocale(LC_ALL, locale) != nullptr;
    std::setlocale(LC_ALL, old.c_str());
    if (!ok && std::getenv("NIMBREL_REQUIRE_LOCALES"))
        ADD_FAILURE() << locale << " is not generated (localedef -i " << std::string(locale).substr(0, 5)
                      << " -f UTF-8 " << locale << ")";
    return ok;
}

class InLocale {
public:
    explicit InLocale(const char* locale) : old_(std::setlocale(LC_ALL, nullptr)) { std::setlocale(LC_ALL, locale); }
    ~InLocale() { std::setlocale(LC_ALL, old_.c_str()); }

private:
    std::string old_;
};

}  // namespace nimbrel::apptest
