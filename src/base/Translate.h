#pragma once
// Texts a person reads, for the layers that stay toolkit-free. Each text is
// written as QT_TRANSLATE_NOOP("Context", "...") so that lupdate finds it,
// and handed to Translated(), which asks the program's translator (set once
// at start-up by the program) and otherwise keeps the English text. A
// sentence with values in it is one pattern with %1, %2 ... filled in by
// FillIn(), so a translation can put the values where its language wants
// them.
#include <initializer_list>
#include <string>

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace nimbrel {

using TranslateHook = std::string (*)(const char* context, const char* text);

// Null sets the English texts back.
void SetTranslateHook(TranslateHook hook);
std::string Translated(const char* context, const char* text);
// Replaces %1 to %9 with the values in order; a value is never searched for
// further markers, so a place name with "%2" in it stays as it is.
std::string FillIn(const std::string& pattern, std::initializer_list<std::string> values);

}  // namespace nimbrel
