#pragma once
// Generations of a store's state that a loaded file can be checked against:
// generation g names itself in the location, has one of three histories
// (g % 3 fewer readings than the first), its own last reading, and a place
// in the program's own section on odd generations, so that saves with and
// without that section alternate.
#include <string>

#include "store/SettingsStore.h"

namespace nimbrel::testing {

class Generations {
public:
    explicit Generations(int readings) {
        for (int v = 0; v < 3; ++v) {
            SettingsStore& s = variants_[v];
            for (int i = 0; i < readings - v; ++i) {
                const std::string sep = i ? "," : "";
                s.TempHistory += sep + std::to_string((i + v) % 40);
                s.HumidHistory += sep + std::to_string(50 + i % 7);
                s.TimeHistory += sep + Time(i);
            }
        }
    }

    void Set(SettingsStore& s, int g) const {
        const SettingsStore& v = variants_[g % 3];
        s.TempHistory = v.TempHistory;
        s.HumidHistory = v.HumidHistory;
        s.TimeHistory = v.TimeHistory;
        s.LocationId = std::to_string(g);
        s.LastReading = "Sunny," + std::to_string(g % 40) + ",50,07/12/2026 10:00:00";
        s.SetExtra("place", g % 2 ? "Place " + std::to_string(g) : std::string());
    }

    // True when the loaded store holds exactly generation g, for the g its
    // location names.
    bool Holds(const SettingsStore& s) const {
        const std::string& loc = s.LocationId;
        if (loc.empty() || loc.size() > 6 || loc.find_first_not_of("0123456789") != std::string::npos) return false;
        const int g = std::stoi(loc);
        SettingsStore expected;
        Set(expected, g);
        return s.TempHistory == expected.TempHistory && s.HumidHistory == expected.HumidHistory &&
               s.TimeHistory == expected.TimeHistory && s.LastReading == expected.LastReading &&
               s.Extras == expected.Extras;
    }

    static std::string Time(int i) {
        auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
        return two(1 + i / 86400 % 28) + "/11/2026 " + two(i / 3600 % 24) + ":" + two(i / 60 % 60) + ":" + two(i % 60);
    }

private:
    SettingsStore variants_[3];
};

}  // namespace nimbrel::testing
