// Texts the program builds change case by ASCII rules, under the Turkish
// locale too, where the C library's toupper leaves 'i' alone and tolower
// leaves 'I'. The program runs under the user's locale (Qt sets it), so the
// test does as well.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "base/modMisc.h"
#include "feeds/ForecastFeed.h"

namespace nimbrel {
namespace {

// Switches the whole process to tr_TR.UTF-8, generating the locale first
// where the machine does not have it, and back at the end.
class TurkishLocale {
public:
    TurkishLocale() {
        old_ = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "tr_TR.UTF-8")) {
            std::system("localedef -i tr_TR -f UTF-8 tr_TR.UTF-8 >/dev/null 2>&1");
            active_ = std::setlocale(LC_ALL, "tr_TR.UTF-8") != nullptr;
        } else {
            active_ = true;
        }
    }
    ~TurkishLocale() { std::setlocale(LC_ALL, old_.c_str()); }
    bool Active() const { return active_; }

private:
    std::string old_;
    bool active_ = false;
};

TEST(TurkishLocale, TileMessagesAndZoneNamesUseAsciiCase) {
    TurkishLocale turkish;
    ASSERT_TRUE(turkish.Active()) << "the tr_TR.UTF-8 locale could not be made (localedef, Debian's locales)";
    const std::string deg = "\xC2\xB0";
    const ForecastMessage m = ForecastTileMessage(
        ReadForecastDay("08/12/2026: sunny intervals with ice, 1->4" + deg + ", H=80%, SR=07:50GMT, SS=15:55GMT"));
    EXPECT_EQ(m.text.substr(0, m.text.find('\r')), "Sunny Intervals With Ice");
    const ForecastMessage upper = ForecastTileMessage(
        ReadForecastDay("08/12/2026: LIGHT DRIZZLE, 1->4" + deg + ", H=80%, SR=07:50GMT, SS=15:55GMT"));
    EXPECT_EQ(upper.text.substr(0, upper.text.find('\r')), "Light Drizzle");
    EXPECT_EQ(UpperAscii("gmt+1 bst ist"), "GMT+1 BST IST");
    EXPECT_EQ(LowerAscii("ISTANBUL"), "istanbul");
}

}  // namespace
}  // namespace nimbrel
