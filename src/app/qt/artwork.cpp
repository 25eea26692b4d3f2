#include "app/qt/artwork.h"

#include <QPainter>
#include <QPainterPath>

#include "app/artwork.h"

namespace kvo {
namespace {

QColor qColour(const artwork::Colour& colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

QPointF qPoint(const artwork::Point& point) {
    return QPointF(point.x, point.y);
}

void paintShape(QPainter& painter, const artwork::Shape& shape) {
    if (shape.pen) {
        painter.setPen(QPen(qColour(shape.pen->colour), shape.pen->width,
                            shape.pen->dashed ? Qt::DashLine : Qt::SolidLine));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(shape.fill ? QBrush(qColour(*shape.fill)) : QBrush(Qt::NoBrush));
    switch (shape.kind) {
    case artwork::Shape::Kind::Path: {
        QPainterPath path(qPoint(shape.points.front()));
        for (std::size_t i = 1; i < shape.points.size(); ++i) {
            path.lineTo(qPoint(shape.points[i]));
        }
        if (shape.closed) {
            path.closeSubpath();
        }
        painter.drawPath(path);
        break;
    }
    case artwork::Shape::Kind::Ellipse:
        painter.drawEllipse(qPoint(shape.points.front()), shape.radiusX, shape.radiusY);
        break;
    case artwork::Shape::Kind::Text:
        painter.drawText(QRectF(qPoint(shape.points[0]), qPoint(shape.points[1])), Qt::AlignCenter,
                         QString::fromStdString(shape.text));
        break;
    }
}

QPixmap paintPicture(const artwork::Picture& picture) {
    QPixmap pixmap(picture.width, picture.height);
    pixmap.fill(picture.background ? qColour(*picture.background) : QColor(Qt::transparent));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const artwork::Shape& shape : picture.shapes) {
        paintShape(painter, shape);
    }
    return pixmap;
}

}  // namespace

QPixmap paintAboutPicture() {
    return paintPicture(artwork::AboutPicture());
}

QIcon paintApplicationIcon() {
    return QIcon(paintPicture(artwork::IconPicture()));
}

}  // namespace kvo
