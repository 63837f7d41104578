#pragma once
// Answers of the weather service nested far deeper than any real one: the
// shape that overflowed the stack when a parsed value was copied.
#include <string>

#include "FakeOpenMeteo.h"

namespace nimbrel::test {

// levels of arrays around a single number: 2 bytes a level.
inline std::string DeepArray(int levels) {
    return std::string(static_cast<size_t>(levels), '[') + "1" + std::string(static_cast<size_t>(levels), ']');
}

// The Berlin answer with its current time (or, when inDaily, the first
// day's maximum) replaced by a value nested 150,000 levels deep: 300 KB.
inline std::string DeepForecastJson(bool inDaily, int levels = 150000) {
    std::string json = BerlinForecastJson();
    const std::string from = inDaily ? "\"temperature_2m_max\":[27.5" : "\"time\":\"2026-12-08T14:15\"";
    const std::string to = inDaily ? "\"temperature_2m_max\":[" + DeepArray(levels) : "\"time\":" + DeepArray(levels);
    json.replace(json.find(from), from.size(), to);
    return json;
}

}  // namespace nimbrel::test
