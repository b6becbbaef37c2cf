#include "tools/artwork/lcd.h"

#include "tools/artwork/pixel_font.h"

#include <cstdlib>

namespace artwork {

Lcd::Lcd() : image_(kWidth, kHeight, QImage::Format_Mono)
{
    // Index 1 is a lit (dark) pixel, as in a PBM file.
    image_.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image_.fill(0);
}

void Lcd::set(int x, int y, bool on)
{
    if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) image_.setPixel(x, y, on ? 1 : 0);
}

void Lcd::line(int x0, int y0, int x1, int y1)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        set(x0, y0);
        if (x0 == x1 && y0 == y1) return;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

void Lcd::dottedLine(int x0, int y0, int x1, int y1)
{
    // Only straight lines are dotted on the screens.
    if (y0 == y1) {
        for (int x = x0; x <= x1; x += 2)
            set(x, y0);
    } else {
        for (int y = y0; y <= y1; y += 2)
            set(x0, y);
    }
}

void Lcd::frame(const QRect& r)
{
    line(r.left(), r.top(), r.right(), r.top());
    line(r.left(), r.bottom(), r.right(), r.bottom());
    line(r.left(), r.top(), r.left(), r.bottom());
    line(r.right(), r.top(), r.right(), r.bottom());
}

void Lcd::fill(const QRect& r, bool on)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            set(x, y, on);
}

void Lcd::text(int x, int y, const QString& s, bool on)
{
    drawText(x, y, s, [this, on](int px, int py) { set(px, py, on); });
}

void Lcd::bar(const QRect& r, int textX, const QString& s)
{
    fill(r);
    text(textX, r.top() + (r.height() - 7) / 2, s, false);
}

} // namespace artwork
