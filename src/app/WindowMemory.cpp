#include "app/WindowMemory.h"

#include <QGuiApplication>
#include <QScreen>

#include "base/Defaults.h"

namespace nimbrel {

std::vector<WindowRect> AvailableScreens() {
    std::vector<WindowRect> out;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect a = s->availableGeometry();
        out.push_back(WindowRect{a.x(), a.y(), a.width(), a.height()});
    }
    return out;
}

bool RestoreWindowPlace(QWidget& window, const SettingsStore& store, const char* key, bool withSize) {
    const std::string text = store.Extra(key, kDefaultWindowPlace);
    if (text.empty()) return false;
    const std::optional<WindowRect> stored = withSize ? ParseWindowRect(text) : ParseWindowPosition(text);
    if (!stored) return false;
    // The frame is held to the screens, not only the client area, so the
    // title bar stays reachable; before the window is first shown its frame
    // is not known yet and the client size stands in for it.
    const QRect frame = window.frameGeometry();
    const int extraW = frame.width() - window.width(), extraH = frame.height() - window.height();
    WindowRect r = *stored;
    if (!withSize) {
        r.width = window.width();
        r.height = window.height();
    }
    r.width += extraW;
    r.height += extraH;
    const WindowRect placed = PlaceOnScreens(r, AvailableScreens(), withSize);
    window.move(placed.x, placed.y);
    if (withSize) window.resize(std::max(1, placed.width - extraW), std::max(1, placed.height - extraH));
    return true;
}

void RememberWindowPlace(const QWidget& window, SettingsStore& store, const char* key, bool withSize) {
    // A Wayland compositor places the windows itself and never says where:
    // the position Qt reports there is not one the window stands at, and
    // kept, it would put the window in a corner at the next start on X11.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    const QPoint p = window.pos();
    store.SetExtra(key, withSize ? FormatWindowRect(WindowRect{p.x(), p.y(), window.width(), window.height()})
                                 : FormatWindowPosition(p.x(), p.y()));
}

}  // namespace nimbrel
