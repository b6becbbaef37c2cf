#include "tools/artwork/icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

namespace artwork {

QImage programIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 32.0;

    // Instrument case.
    const QRectF body(0.5 * unit, 1.5 * unit, 31 * unit, 29 * unit);
    QLinearGradient casing(body.topLeft(), body.bottomLeft());
    casing.setColorAt(0, QColor(120, 128, 140));
    casing.setColorAt(1, QColor(56, 60, 68));
    p.setPen(QPen(QColor(30, 32, 36), std::max(1.0, unit)));
    p.setBrush(casing);
    p.drawRoundedRect(body, 4 * unit, 4 * unit);

    // Screen with its graticule.
    const QRectF screen(3 * unit, 4 * unit, 26 * unit, 19 * unit);
    p.setPen(QPen(QColor(14, 18, 16), std::max(1.0, 0.8 * unit)));
    p.setBrush(QColor(12, 36, 22));
    p.drawRect(screen);
    p.setPen(QPen(QColor(50, 100, 70), std::max(0.6, 0.5 * unit)));
    for (int i = 1; i < 4; ++i) {
        const double x = screen.left() + screen.width() * i / 4;
        p.drawLine(QPointF(x, screen.top()), QPointF(x, screen.bottom()));
    }
    for (int i = 1; i < 3; ++i) {
        const double y = screen.top() + screen.height() * i / 3;
        p.drawLine(QPointF(screen.left(), y), QPointF(screen.right(), y));
    }

    QPainterPath trace;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double t = double(i) / steps;
        const QPointF point(screen.left() + 1.5 * unit + t * (screen.width() - 3 * unit),
                            screen.center().y() -
                                std::sin(t * 3.0 * std::numbers::pi) * screen.height() * 0.32);
        if (i == 0)
            trace.moveTo(point);
        else
            trace.lineTo(point);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(80, 255, 110, 90), 3.2 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trace);
    p.setPen(QPen(QColor(130, 255, 150), 1.5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(trace);

    // Two input knobs under the screen.
    for (const double x : {9.0, 23.0}) {
        p.setPen(QPen(QColor(20, 20, 24), std::max(0.8, 0.6 * unit)));
        p.setBrush(QColor(210, 214, 220));
        p.drawEllipse(QPointF(x * unit, 26.8 * unit), 2.2 * unit, 2.2 * unit);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 70, 60));
    p.drawEllipse(QPointF(16 * unit, 26.8 * unit), 1.2 * unit, 1.2 * unit);
    return image;
}

} // namespace artwork
