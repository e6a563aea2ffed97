// The window's two pictures, painted at run time so the program carries no image files.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

#include "app/window/MainWindow.h"

namespace tarnwick::app {

namespace {

// A disc seen from above: silver face, rainbow sheen, clear hub.
void PaintDisc(QPainter& p, QPointF centre, double radius, double opacity) {
    p.save();
    p.setOpacity(opacity);
    QRadialGradient face(centre, radius);
    face.setColorAt(0.0, QColor(250, 250, 252));
    face.setColorAt(0.55, QColor(205, 214, 228));
    face.setColorAt(0.8, QColor(226, 206, 238));
    face.setColorAt(1.0, QColor(170, 186, 210));
    p.setPen(QPen(QColor(120, 130, 150), 1.5));
    p.setBrush(face);
    p.drawEllipse(centre, radius, radius);
    QConicalGradient sheen(centre, 30);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.1, QColor(120, 200, 255, 90));
    sheen.setColorAt(0.2, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.6, QColor(255, 170, 220, 90));
    sheen.setColorAt(0.7, QColor(255, 255, 255, 0));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(QColor(235, 238, 244));
    p.setPen(QPen(QColor(120, 130, 150), 1));
    p.drawEllipse(centre, radius * 0.3, radius * 0.3);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(centre, radius * 0.12, radius * 0.12);
    p.restore();
}

} // namespace

QPixmap StartPicture(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double r = size * 0.4;
    PaintDisc(p, QPointF(size * 0.44, size * 0.44), r, 1.0);
    // A green "go" arrow over the lower right of the disc.
    const double s = size * 0.42;
    const QPointF o(size - s - 2, size - s - 2);
    p.setPen(QPen(QColor(30, 110, 40), 2));
    QRadialGradient green(o + QPointF(s * 0.4, s * 0.4), s * 0.7);
    green.setColorAt(0, QColor(120, 220, 110));
    green.setColorAt(1, QColor(40, 150, 50));
    p.setBrush(green);
    p.drawEllipse(QRectF(o, QSizeF(s, s)));
    QPainterPath arrow;
    arrow.moveTo(o + QPointF(s * 0.38, s * 0.25));
    arrow.lineTo(o + QPointF(s * 0.75, s * 0.5));
    arrow.lineTo(o + QPointF(s * 0.38, s * 0.75));
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return pm;
}

QPixmap GroupPicture(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient back(0, 0, 0, height);
    back.setColorAt(0, QColor(232, 240, 250));
    back.setColorAt(1, QColor(196, 212, 234));
    p.fillRect(pm.rect(), back);
    PaintDisc(p, QPointF(width * 0.78, height * 0.62), height * 0.62, 0.85);
    PaintDisc(p, QPointF(width * 0.58, height * 0.78), height * 0.38, 0.6);
    QFont title = p.font();
    title.setPointSize(22);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(40, 70, 120));
    p.drawText(QRectF(16, 14, width - 32, 40), Qt::AlignLeft | Qt::AlignVCenter, "Tarnwick");
    QFont sub = p.font();
    sub.setPointSize(10);
    sub.setBold(false);
    p.setFont(sub);
    p.setPen(QColor(60, 80, 110));
    p.drawText(QRectF(18, 52, width - 32, 60), Qt::AlignLeft | Qt::AlignTop,
               "Disc to image file\nImage file to disc");
    return pm;
}

} // namespace tarnwick::app
