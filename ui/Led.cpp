#include "ui/Led.h"

#include <QPainter>

namespace ui {

void Led::setFillColor(int bgr)
{
    if (bgr == fillColor_) return;
    fillColor_ = bgr;
    update();
}

QColor Led::color() const
{
    return QColor(fillColor_ & 0xFF, (fillColor_ >> 8) & 0xFF, (fillColor_ >> 16) & 0xFF);
}

void Led::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(color());
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace ui
