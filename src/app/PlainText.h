#pragma once
// Texts from outside (a place's name, a feed's words) shown by Qt as the
// characters they are. A label or a tool tip takes any text that looks like
// HTML as HTML: "<img src=file:///...>" in a place's name would load and show
// a local file, "<b>" would be bold, "<a>" a link.
#include <QString>
#include <string>

namespace nimbrel {

// A tool tip that shows text as written: unchanged when Qt would show it as
// plain text anyway, else escaped into the rich text that displays it.
QString PlainToolTip(const QString& text);
QString PlainToolTip(const std::string& text);

}  // namespace nimbrel
