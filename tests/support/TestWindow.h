#pragma once
// A main window with a menu bar and a client area painted in a pattern that
// shows any shift or mirror of the captured picture at once.
#include <QMainWindow>

namespace nimbrel::testing {

class PatternWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override;
};

class TestWindow : public QMainWindow {
public:
    // Client size in pixels (menu bar included), as the graph window's layout.
    explicit TestWindow(int width = 428, int height = 362);
};

}  // namespace nimbrel::testing
