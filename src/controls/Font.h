#pragma once
// The font object a caller hands to a control by reference (the control and
// the caller share it). Changing its attributes in place is seen at the next
// draw; only assigning a font property asks the control to redraw.
#include <memory>
#include <string>

namespace nimbrel::controls {

struct Font {
    std::string Name = "Arial";
    double Size = 8.25;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;

    friend bool operator==(const Font&, const Font&) = default;
};

using FontRef = std::shared_ptr<Font>;

inline FontRef MakeFont(std::string name, double size, bool bold = false) {
    auto f = std::make_shared<Font>();
    f->Name = std::move(name);
    f->Size = size;
    f->Bold = bold;
    return f;
}

}  // namespace nimbrel::controls
