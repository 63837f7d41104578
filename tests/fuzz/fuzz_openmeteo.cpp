// Any bytes as an answer of the forecast service: nothing may crash; a
// refused answer gives a reason and no documents; an accepted one gives two
// documents that the parsers take, the forecast with its three lines.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/FeedText.h"
#include "feeds/OpenMeteo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nimbrel;
    static ScopedClock clock(DateSerial(2026, 12, 8) + TimeSerial(15, 0, 0));
    const std::string text(reinterpret_cast<const char*>(data), size);
    const OpenMeteoDocuments docs = ConvertOpenMeteo(text);
    if (!docs.ok) {
        fuzz::Require(!docs.error.empty() && docs.observation.empty() && docs.forecast.empty());
        return 0;
    }
    SettingsStore store;
    fuzz::Require(HandleFeedText(FeedKind::Observation, docs.observation, store));
    fuzz::Require(HandleFeedText(FeedKind::Forecast, docs.forecast, store));
    fuzz::Require(CountOccurrences(store.ForecastText, "\r\n") == 2);
    return 0;
}
