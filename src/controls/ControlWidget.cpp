#include "controls/ControlWidget.h"

#include <QAccessible>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/ControlAccessible.h"

namespace nimbrel {

QImage ImageOfBitmap(gdi::HBITMAP bitmap) {
    if (!bitmap) return {};
    gdi::BitmapView v = gdi::GetBitmapView(bitmap);
    if (v.width <= 0 || v.height <= 0 || !v.bits) return {};
    QImage image(v.width, v.height, QImage::Format_RGB32);
    for (int y = 0; y < v.height; ++y) {
        // Stored row 0 is the picture's bottom row; pixels are blue, green, red.
        const gdi::BYTE* src = v.bits + size_t(v.height - 1 - y) * size_t(v.stride);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < v.width; ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
    }
    return image;
}

ControlWidget::ControlWidget(controls::UserControl& control, QWidget* parent,
                             const std::function<void(controls::UserControl&)>& readProperties)
    : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    InstallControlAccessibility();
    // Tab reaches it; a click does not take focus from the window around it.
    setFocusPolicy(Qt::TabFocus);
    control_.SetSite(this);
    if (readProperties)
        readProperties(control_);
    else
        control_.InitProperties();
}

ControlWidget::~ControlWidget() {
    if (control_.Site() == this) control_.SetSite(nullptr);
}

void ControlWidget::Move(int leftTwips, int topTwips, int widthTwips, int heightTwips) {
    auto px = [](int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; };
    sizing_ = true;
    setGeometry(px(leftTwips), px(topTwips), px(widthTwips), px(heightTwips));
    sizing_ = false;
    control_.Resize(widthTwips, heightTwips);
    // A control that keeps its own size told us through ControlSized.
    ControlSized(control_);
}

QImage ControlWidget::SurfaceImage() const {
    return ImageOfBitmap(control_.SurfaceBitmap());
}

void ControlWidget::ShowSurface(controls::UserControl&) {
    update();
}

void ControlWidget::ControlSized(controls::UserControl& control) {
    if (sizing_) return;
    int w = control.ScaleWidth(), h = control.ScaleHeight();
    if (w > 0 && h > 0 && (w != width() || h != height())) resize(w, h);
    update();
}

void ControlWidget::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter p(this);
    QImage image = SurfaceImage();
    if (image.isNull()) {
        p.fillRect(rect(), Qt::black);
        return;
    }
    p.drawImage(0, 0, image);
    // Where the keyboard is: a dotted frame over the picture, inside the
    // control so that the window's layout does not move.
    if (hasFocus()) {
        QPen pen(Qt::white, 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    // Anything outside the surface (a widget briefly larger) shows the
    // background the control would clear to.
    gdi::COLORREF c = control_.BackColor();
    QColor back(gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c));
    if (image.width() < width()) p.fillRect(image.width(), 0, width() - image.width(), height(), back);
    if (image.height() < height()) p.fillRect(0, image.height(), image.width(), height() - image.height(), back);
}

void ControlWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        control_.Show();
        update();
    }
}

void ControlWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = true;
    event->accept();
}

void ControlWidget::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a left press and release over the control, as a button
    // click is: dragging off the control before letting go cancels it.
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    QPoint pos = event->position().toPoint();
    if (!rect().contains(pos)) return;
    event->accept();
    control_.HostClick(pos.x(), pos.y());
}

void ControlWidget::SetAccessibleText(const QString& name, const QString& description) {
    const bool nameChanged = name != accessibleName_;
    const bool descriptionChanged = description != accessibleDescription_;
    accessibleName_ = name;
    accessibleDescription_ = description;
    if (nameChanged) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (descriptionChanged) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ControlWidget::Activate() {
    if (onActivate && onActivate()) return;
    control_.Activate();
}

void ControlWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (event->modifiers() & ~Qt::KeypadModifier) break;
            event->accept();
            Activate();
            return;
        default:
            break;
    }
    QWidget::keyPressEvent(event);
}

void ControlWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void ControlWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

}  // namespace nimbrel
