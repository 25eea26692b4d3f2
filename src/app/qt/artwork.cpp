#include "app/qt/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace kvo {
namespace {

// Hub and blades of a rotor of the given radius around `centre`.
void paintRotor(QPainter& painter, QPointF centre, double radius, int blades) {
    painter.setPen(QPen(Qt::darkBlue, radius / 24.0));
    painter.setBrush(QColor(70, 110, 190));
    for (int i = 0; i < blades; ++i) {
        const double angle = 2.0 * M_PI * i / blades;
        const QPointF tip(centre.x() + radius * std::cos(angle),
                          centre.y() + radius * std::sin(angle));
        const QPointF side(-std::sin(angle) * radius / 9.0, std::cos(angle) * radius / 9.0);
        QPainterPath blade(centre + side);
        blade.lineTo(tip + side * 0.5);
        blade.lineTo(tip - side * 0.5);
        blade.lineTo(centre - side);
        blade.closeSubpath();
        painter.drawPath(blade);
    }
    painter.setBrush(QColor(200, 200, 60));
    painter.drawEllipse(centre, radius / 4.0, radius / 4.0);
}

}  // namespace

QPixmap paintAboutPicture() {
    QPixmap picture(193, 132);
    picture.fill(QColor(230, 236, 245));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(62, 62);
    painter.setPen(QPen(Qt::gray, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 52, 52);  // casing
    paintRotor(painter, centre, 48, 12);
    // Sensors on the casing.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    for (const double angle : {-M_PI / 2, -M_PI / 6, M_PI / 6}) {
        painter.drawEllipse(
            QPointF(centre.x() + 55 * std::cos(angle), centre.y() + 55 * std::sin(angle)), 3.5,
            3.5);
    }
    // Blade passing pulses as a sensor sees them.
    painter.setPen(QPen(Qt::darkGreen, 1.5));
    QPainterPath trace(QPointF(124, 100));
    for (int x = 124; x <= 188; x += 8) {
        trace.lineTo(x + 2, 100);
        trace.lineTo(x + 3, 74);
        trace.lineTo(x + 5, 100);
        trace.lineTo(x + 8, 100);
    }
    painter.drawPath(trace);
    painter.setPen(Qt::darkBlue);
    painter.drawText(QRectF(120, 20, 70, 40), Qt::AlignCenter, QStringLiteral("KVO"));
    return picture;
}

QIcon paintApplicationIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    paintRotor(painter, QPointF(16, 16), 15, 8);
    return QIcon(icon);
}

}  // namespace kvo
