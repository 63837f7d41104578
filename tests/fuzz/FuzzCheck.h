#pragma once
// What must hold whatever a document or a settings file contains.
#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/modMisc.h"
#include "store/SettingsStore.h"

namespace nimbrel::fuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

// The three history lists stay parallel.
inline void RequireParallelHistory(const SettingsStore& s) {
    auto entries = [](std::string_view list) {
        return list.empty() ? 0 : std::count(list.begin(), list.end(), ',') + 1;
    };
    Require(entries(s.TempHistory) == entries(s.HumidHistory));
    Require(entries(s.TempHistory) == entries(s.TimeHistory));
    Require(entries(s.TimeHistory) <= kHistoryCap);
}

}  // namespace nimbrel::fuzz
