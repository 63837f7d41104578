#include "TestWindow.h"

#include <QMenuBar>
#include <QPainter>

namespace nimbrel::testing {

void PatternWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(250, 250, 240));
    // Quadrants of different colours and a diagonal: a shifted, flipped or
    // swapped-channel copy cannot match.
    p.fillRect(0, 0, width() / 2, height() / 2, QColor(200, 30, 30));
    p.fillRect(width() / 2, height() / 2, width() - width() / 2, height() - height() / 2, QColor(30, 60, 200));
    p.setPen(QPen(QColor(20, 160, 40), 3));
    p.drawLine(0, 0, width(), height());
}

TestWindow::TestWindow(int width, int height) {
    setWindowTitle("Nimbrel - Graph");
    menuBar()->addMenu("Graph Type");
    menuBar()->addAction("Capture");
    setCentralWidget(new PatternWidget);
    resize(width, height);
}

}  // namespace nimbrel::testing
