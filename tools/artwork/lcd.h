#pragma once

#include <QImage>
#include <QRect>
#include <QString>

namespace artwork {

// A 128 x 64 one-bit canvas with the few drawing operations the board's firmware has:
// pixels, lines, boxes, inverted bars and text in the LCD face.
class Lcd
{
public:
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 64;

    Lcd();

    void set(int x, int y, bool on = true);
    void line(int x0, int y0, int x1, int y1);
    void dottedLine(int x0, int y0, int x1, int y1);
    void frame(const QRect& r);
    void fill(const QRect& r, bool on = true);
    void text(int x, int y, const QString& s, bool on = true);
    // A text on an inverted bar, the way the menus show the selected line and the titles.
    void bar(const QRect& r, int textX, const QString& s);

    const QImage& image() const { return image_; }

private:
    QImage image_;
};

} // namespace artwork
