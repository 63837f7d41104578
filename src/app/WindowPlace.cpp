#include "app/WindowPlace.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace nimbrel {

namespace {

// Farther than any arrangement of screens reaches; beyond it a stored value
// is damage, not a place.
constexpr int kFarthest = 1000000;

int64_t Overlap(const WindowRect& a, const WindowRect& b) {
    const int64_t w = std::min<int64_t>(int64_t(a.x) + a.width, int64_t(b.x) + b.width) - std::max(a.x, b.x);
    const int64_t h = std::min<int64_t>(int64_t(a.y) + a.height, int64_t(b.y) + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

// Squared distance between the rectangles' centres.
int64_t CentreDistance(const WindowRect& a, const WindowRect& b) {
    const int64_t dx = (int64_t(a.x) * 2 + a.width) - (int64_t(b.x) * 2 + b.width);
    const int64_t dy = (int64_t(a.y) * 2 + a.height) - (int64_t(b.y) * 2 + b.height);
    return dx * dx + dy * dy;
}

std::optional<std::vector<int>> Numbers(const std::string& text, size_t count) {
    std::vector<int> out;
    const char* p = text.data();
    const char* end = p + text.size();
    while (out.size() < count) {
        while (p != end && *p == ' ') ++p;
        int v = 0;
        auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || v < -kFarthest || v > kFarthest) return std::nullopt;
        out.push_back(v);
        p = next;
        while (p != end && *p == ' ') ++p;
        if (out.size() < count) {
            if (p == end || *p != ',') return std::nullopt;
            ++p;
        }
    }
    if (p != end) return std::nullopt;
    return out;
}

}  // namespace

WindowRect PlaceOnScreens(const WindowRect& window, const std::vector<WindowRect>& screens, bool resizable) {
    std::vector<WindowRect> usable;
    for (const WindowRect& s : screens)
        if (s.width > 0 && s.height > 0) usable.push_back(s);
    if (usable.empty()) return window;

    int64_t covered = 0;
    for (const WindowRect& s : usable) covered += Overlap(window, s);
    const int64_t area = int64_t(std::max(window.width, 1)) * std::max(window.height, 1);
    if (window.width > 0 && window.height > 0 && covered >= area) return window;

    const WindowRect* best = &usable.front();
    for (const WindowRect& s : usable) {
        const int64_t o = Overlap(window, s), bo = Overlap(window, *best);
        if (o > bo || (o == bo && o == 0 && CentreDistance(window, s) < CentreDistance(window, *best))) best = &s;
    }
    const WindowRect& s = *best;
    WindowRect r = window;
    if (resizable) {
        r.width = std::min(r.width, s.width);
        r.height = std::min(r.height, s.height);
    }
    // Held inside the screen; a window larger than it keeps its top left
    // corner (the title bar) on the screen.
    r.x = std::max(s.x, std::min(r.x, s.x + s.width - r.width));
    r.y = std::max(s.y, std::min(r.y, s.y + s.height - r.height));
    return r;
}

std::string FormatWindowPosition(int x, int y) {
    return std::to_string(x) + "," + std::to_string(y);
}

std::string FormatWindowRect(const WindowRect& r) {
    return FormatWindowPosition(r.x, r.y) + "," + std::to_string(r.width) + "," + std::to_string(r.height);
}

std::optional<WindowRect> ParseWindowPosition(const std::string& text) {
    auto n = Numbers(text, 2);
    if (!n) return std::nullopt;
    return WindowRect{(*n)[0], (*n)[1], 0, 0};
}

std::optional<WindowRect> ParseWindowRect(const std::string& text) {
    auto n = Numbers(text, 4);
    if (!n || (*n)[2] < 1 || (*n)[3] < 1) return std::nullopt;
    return WindowRect{(*n)[0], (*n)[1], (*n)[2], (*n)[3]};
}

}  // namespace nimbrel
