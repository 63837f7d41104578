// Any bytes as a forecast document: nothing may crash, the stored value keeps
// three lines of five comma fields, and every line can be shown and clicked.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "base/Clock.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/ForecastFeed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nimbrel;
    static ScopedClock clock(DateSerial(2026, 12, 5) + TimeSerial(9, 30, 0));
    const std::string text(reinterpret_cast<const char*>(data), size);
    SettingsStore store;
    if (!HandleFeedText(FeedKind::Forecast, text, store)) {
        fuzz::Require(store.ForecastText.empty());
        return 0;
    }
    fuzz::Require(CountOccurrences(store.ForecastText, "\r\n") == 2);
    fuzz::Require(store.ForecastText.find('<') == std::string::npos);
    for (int16_t k = 1; k <= 3; ++k) {
        const std::string line = GetField(store.ForecastText, "\r\n", k);
        fuzz::Require(CountOccurrences(line, ",") == 4);
        (void)ForecastTileMessage(ReadForecastDay(line));
    }
    (void)ReadSunTimes(store.ForecastText);
    return 0;
}
