#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace nimbrel {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = size;
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
        QRectF dial(s * 0.08, s * 0.42, s * 0.84, s * 0.84);
        p.setBrush(QColor(255, 235, 215));
        p.drawPie(dial, 30 * 16, 120 * 16);
        p.setBrush(QColor(80, 0, 40));
        p.drawPie(dial, 150 * 16, 30 * 16);
        p.drawPie(dial, 0, 30 * 16);
        p.setBrush(QColor(255, 200, 40));
        p.drawEllipse(QPointF(s * 0.5, s * 0.3), s * 0.17, s * 0.17);
        p.setPen(QPen(Qt::red, std::max(1.0, s / 20)));
        p.drawLine(QPointF(s * 0.5, s * 0.42), QPointF(s * 0.5, s * 0.84));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace nimbrel
