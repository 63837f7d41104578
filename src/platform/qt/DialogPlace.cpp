#include "platform/qt/DialogPlace.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace nimbrel {

namespace {

QPointer<QWidget>& Anchor() {
    static QPointer<QWidget> anchor;
    return anchor;
}

// What a window manager adds around a window before it is shown, when Qt
// cannot know it yet: a title bar and thin borders.
constexpr int kFrameWidth = 8, kFrameHeight = 32;
constexpr int kGap = 8;
constexpr int kEdge = 12;

// A box can grow when it is first shown (its layout settles, the window
// manager adds a frame of its own size): once it stands on the screen, a
// part that overhangs the screen's edge is brought back inside.
class KeepOnScreen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show || (event->type() == QEvent::Resize && widget && widget->isVisible()) ||
            (event->type() == QEvent::Move && widget && widget->isVisible())) {
            QPointer<QWidget> box = widget;
            QTimer::singleShot(50, box, [box] {
                if (!box || !box->isVisible() || !box->screen()) return;
                const QRect area = box->screen()->availableGeometry();
                const QRect frame = box->frameGeometry();
                QPoint at = frame.topLeft();
                if (frame.right() > area.right()) at.rx() -= frame.right() - area.right();
                if (frame.bottom() > area.bottom()) at.ry() -= frame.bottom() - area.bottom();
                at.setX(std::max(at.x(), area.left()));
                at.setY(std::max(at.y(), area.top()));
                if (at != frame.topLeft()) box->move(at);
            });
        }
        return false;
    }
};

}  // namespace

QPoint NearPlace(const QRect& anchor, const QSize& size, const QRect& whole) {
    // A little room is kept at the screen's edges: window managers differ in
    // where they put a frame whose size the program could only estimate.
    const QRect screen = whole.adjusted(kEdge, kEdge, -kEdge, -kEdge);
    const int w = size.width(), h = size.height();
    const QPoint candidates[] = {
        {anchor.right() + 1 + kGap, anchor.top()},
        {anchor.left() - kGap - w, anchor.top()},
        {anchor.left(), anchor.bottom() + 1 + kGap},
        {anchor.left(), anchor.top() - kGap - h},
    };
    for (const QPoint& p : candidates) {
        // Slid along the side it stands on, so a window near a corner still
        // finds its place beside it.
        QPoint q = p;
        q.setY(std::clamp(q.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - h)));
        q.setX(std::clamp(q.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - w)));
        const QRect r(q, size);
        if (screen.contains(r) && !r.intersects(anchor)) return q;
    }
    QPoint centred = anchor.center() - QPoint(w / 2, h / 2);
    centred.setX(std::clamp(centred.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - w)));
    centred.setY(std::clamp(centred.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - h)));
    return centred;
}

void SetDialogAnchor(QWidget* anchor) {
    Anchor() = anchor;
}

void PlaceNear(QWidget& box, const QWidget* anchor) {
    if (!box.windowFlags().testFlag(Qt::WindowStaysOnTopHint)) box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (!anchor) anchor = Anchor().data();
    if (!anchor || !anchor->isVisible()) anchor = QApplication::activeWindow();
    if (anchor == &box) anchor = nullptr;
    if (!box.property("nimbrelKeptOnScreen").toBool()) {
        box.setProperty("nimbrelKeptOnScreen", true);
        box.installEventFilter(new KeepOnScreen(&box));
    }
    box.adjustSize();
    const QSize outer = box.size() + QSize(kFrameWidth, kFrameHeight);
    QScreen* screen = anchor && anchor->isVisible() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    if (anchor && anchor->isVisible())
        box.move(NearPlace(anchor->frameGeometry(), outer, area));
    else
        box.move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
}

}  // namespace nimbrel
