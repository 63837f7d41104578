// Any bytes as settings.txt: start-up reads it and shows what it read, and
// must go on whatever a hand edit left in the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzCheck.h"
#include "base/Clock.h"
#include "base/modMisc.h"
#include "feeds/FeedRetrieval.h"
#include "feeds/ForecastFeed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace nimbrel;
    static ScopedClock clock(DateSerial(2026, 12, 7) + TimeSerial(21, 0, 0));
    static const std::string dir = [] {
        const auto d = std::filesystem::temp_directory_path() / ("nimbrel-fuzz-settings-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d.string();
    }();
    {
        std::ofstream out(dir + "/settings.txt", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    SettingsStore store;
    store.SetFolder(dir);
    store.LoadSettings();
    // What start-up does with what it read: the stored forecast on the tiles,
    // and a click on each.
    (void)ForecastScreenFor(store.ForecastText, TempUnit::Fahrenheit);
    for (int16_t k = 1; k <= 3; ++k)
        (void)ForecastTileMessage(ReadForecastDay(GetField(store.ForecastText, "\r\n", k)));
    (void)BuildFeedUrls(kDefaultFeedBaseUrl, store.LocationId);
    return 0;
}
