#pragma once
// Texts that come from outside the program (place names from the search or
// from settings.txt) are bounded where they enter and made safe where they
// are printed: a terminal takes ESC, BEL or CR in a name as commands, and a
// line break or tab in it would split the one-place-a-line output of the
// tools.
#include <cstddef>
#include <string>
#include <string_view>

namespace nimbrel {

// Longer than any real place's name, short enough that a window, a tool tip
// and every save stay small.
inline constexpr std::size_t kMaxPlaceNameBytes = 300;

// text cut to at most maxBytes, never inside a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);

// text for one line of a terminal or a tab-separated list: C0 controls, DEL
// and the C1 controls (U+0080 to U+009F) become \n, \r, \t or \xHH (\u00HH
// for C1), and a backslash becomes \\, so the line reads back unambiguously.
std::string EscapeControls(std::string_view text);

}  // namespace nimbrel
