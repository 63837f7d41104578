#pragma once
// JSON from outside, parsed only once its nesting is known to be shallow.
//
// The parser itself keeps its nesting on the heap, but copying, comparing or
// walking a parsed value recurses once a level: an answer nested 150,000
// levels deep (300 KB, well under any body cap) overflows the stack there.
// Nothing the program reads nests more than a few levels, so the text is
// measured first, strings respected, and a deeper one is refused before any
// value is built.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace nimbrel {

// Far above anything the weather service or the place search sends (three
// levels), far below what a stack holds.
inline constexpr int kMaxJsonDepth = 64;

// The deepest nesting of arrays and objects in text; brackets inside strings
// do not count. Stops counting once limit is passed and returns limit + 1.
int JsonNesting(std::string_view text, int limit = kMaxJsonDepth);

// The reason ParseShallowJson gives for text that does not parse at all.
inline constexpr const char* kNotJson = "is not JSON";

// text parsed, or a discarded value with why set ("" when the text parsed):
// the end of a sentence about the text, kNotJson or "nests deeper than 64
// levels", so a caller names the text ("the answer " + why).
nlohmann::json ParseShallowJson(const std::string& text, std::string& why);

}  // namespace nimbrel
