// Any bytes as an observation document: nothing may crash, and the stored
// record and the history must stay readable.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "base/Clock.h"
#include "feeds/FeedRetrieval.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nimbrel;
    static ScopedClock clock(DateSerial(2026, 12, 7) + TimeSerial(21, 0, 0));
    const std::string text(reinterpret_cast<const char*>(data), size);
    SettingsStore store;
    // Twice, so the second reading meets a history that already holds one.
    for (int i = 0; i < 2; ++i) {
        if (!HandleFeedText(FeedKind::Observation, text, store)) {
            fuzz::Require(store.LastReading.empty() && store.TempHistory.empty());
            return 0;
        }
        clock.Advance(TimeSerial(0, 5, 0));
    }
    // Four fields exactly, whatever the summary held.
    fuzz::Require(CountOccurrences(store.LastReading, ",") == 3);
    fuzz::Require(store.LastReading.find('<') == std::string::npos);
    fuzz::Require(GetField(store.LastReading, ",", 1) == store.CurrentSummary);
    fuzz::RequireParallelHistory(store);
    return 0;
}
