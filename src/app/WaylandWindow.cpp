#include "app/WaylandWindow.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <algorithm>

#include "platform/qt/PopupMenu.h"

namespace nimbrel {

namespace {

// Qt's decoration writes the title at 14 pixels in the application's font.
constexpr int kTitlePixels = 14;
// From the window's outer edge to where the title is cut: the frame, the
// three buttons with the gaps between them, and the gap before the title,
// as the decoration draws them (measured: 75 pixels). A few more keep the
// last letter clear of the minimise button.
constexpr int kButtonsReserve = 80;

}  // namespace

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

int WaylandTitleWidth(const QString& title, const QFont& applicationFont) {
    QFont font = applicationFont;
    font.setPixelSize(kTitlePixels);
    // The title is centred, so the buttons' room is kept on both sides.
    return QFontMetrics(font).horizontalAdvance(title) + 2 * kButtonsReserve;
}

void FitWaylandTitle(QWidget& window) {
    if (!OnWayland()) return;
    const int wanted = WaylandTitleWidth(window.windowTitle(), QGuiApplication::font());
    const int dx = (wanted - window.width()) / 2;
    if (dx <= 0) return;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) child->move(child->pos() + QPoint(dx, 0));
    window.setFixedSize(wanted, window.height());
}

QPoint WaylandMenuCorner(const QPoint& at, const QRect& frame, const QSize& menuSize) {
    // Along each side: slid back from the point until it lies within the
    // frame where it is no longer than the frame, else at the point towards
    // the frame's far half.
    auto place = [](int point, int start, int length, int menu) {
        if (menu <= length) return std::clamp(point, start, start + length - menu);
        return point * 2 < start * 2 + length ? point : point - menu;
    };
    return {place(at.x(), frame.x(), frame.width(), menuSize.width()),
            place(at.y(), frame.y(), frame.height(), menuSize.height())};
}

void ShowWaylandMenu(QMenu& menu, QWidget& window, const QPoint& at) {
    // The frame (the title bar Qt draws above, the border) in the window's
    // own coordinates: it is on the screen as much as the window is.
    const QRect frame = window.frameGeometry().translated(-window.geometry().topLeft());
    ShowPopupMenuWithCornerAt(menu, window.mapToGlobal(WaylandMenuCorner(at, frame, menu.sizeHint())));
}

}  // namespace nimbrel
