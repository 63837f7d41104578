#pragma once
// The Qt side of a user control: a child widget that shows the control's
// persistent surface, sizes the control in twips (15 to the logical pixel),
// follows a control that sizes itself, and hands it the lifecycle
// notifications and clicks. The control draws whenever it likes; the widget
// only copies the surface to the screen when Qt asks for a paint.
//
// The widget also stands for the control before the keyboard and a screen
// reader: it takes focus with Tab, Enter and Space choose it as a click
// does, and its accessible name and description are the sentences the host
// gives it (the surface is only a picture), sent on as they change.
#include <QWidget>
#include <functional>
#include <string>

#include "controls/ControlHost.h"

namespace nimbrel {

class ControlWidget : public QWidget, public controls::ControlSite {
    Q_OBJECT
public:
    static constexpr int kTwipsPerPixel = 15;

    // The widget does not own the control; the control must outlive it or be
    // detached with Detach first. The control gets this widget as its site
    // and InitProperties (a new instance), unless readProperties is given.
    ControlWidget(controls::UserControl& control, QWidget* parent,
                  const std::function<void(controls::UserControl&)>& readProperties = {});
    ~ControlWidget() override;

    controls::UserControl& Control() const { return control_; }

    // Places and sizes the control in twips, as a form's layout does.
    void Move(int leftTwips, int topTwips, int widthTwips, int heightTwips);
    int LeftTwips() const { return x() * kTwipsPerPixel; }
    int TopTwips() const { return y() * kTwipsPerPixel; }

    // The surface as a picture (what a paint shows), for tests and capture.
    QImage SurfaceImage() const;

    // ControlSite
    double TwipsPerPixelX() const override { return kTwipsPerPixel; }
    double TwipsPerPixelY() const override { return kTwipsPerPixel; }
    void ShowSurface(controls::UserControl& control) override;
    void ControlSized(controls::UserControl& control) override;

    // What a screen reader says of the control. A change is told to the
    // accessibility clients (NameChanged, DescriptionChanged).
    void SetAccessibleText(const QString& name, const QString& description);
    const QString& AccessibleName() const { return accessibleName_; }
    const QString& AccessibleDescription() const { return accessibleDescription_; }
    // Chooses the control as Enter or a screen reader's press does. A host
    // that answers for the control (onActivate returning true) is asked first.
    void Activate();
    std::function<bool()> onActivate;

    // Number of paints so far (tests look at it to see the window is alive).
    int PaintCount() const { return paints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    controls::UserControl& control_;
    bool shown_ = false;
    bool pressed_ = false;
    bool sizing_ = false;
    int paints_ = 0;
    QString accessibleName_, accessibleDescription_;
};

// The bottom-up BGR rows of a gdi bitmap as a top-down QImage (a copy).
QImage ImageOfBitmap(gdi::HBITMAP bitmap);

}  // namespace nimbrel
