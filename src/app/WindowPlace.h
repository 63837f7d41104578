#pragma once
// Where a window comes back: the place it was left, stored as text in the
// settings file, and moved back onto a screen when the screen it stood on
// is gone or has become smaller. Plain arithmetic on rectangles, apart from
// the window classes, so that the screens a test needs are just numbers.
#include <optional>
#include <string>
#include <vector>

namespace nimbrel {

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowRect&) const = default;
};

// The rectangle moved, and if need be made smaller, so that it lies wholly
// on the available area of one screen: the screen it overlaps most, or the
// nearest when it overlaps none. A rectangle already wholly on the screens
// (also across two that touch) is kept as it is. Without screens, or when
// resizing is not allowed and the window is larger than every screen, it is
// put at the chosen screen's top left corner so its title bar can be
// reached.
WindowRect PlaceOnScreens(const WindowRect& window, const std::vector<WindowRect>& screens, bool resizable);

// "x,y" and "x,y,w,h", as kept in the settings file. A damaged text (not
// numbers, the wrong count, a size below one pixel or a coordinate beyond
// what any desktop has) gives nothing, and the window takes its default.
std::string FormatWindowPosition(int x, int y);
std::string FormatWindowRect(const WindowRect& r);
std::optional<WindowRect> ParseWindowPosition(const std::string& text);  // width and height 0
std::optional<WindowRect> ParseWindowRect(const std::string& text);

}  // namespace nimbrel
