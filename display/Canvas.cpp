#include "display/Canvas.h"

#include "display/Twips.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace display {

namespace {
// An inverting pen flips the colour bits, never the unused alpha byte.
constexpr QRgb kInvertBits = 0x00FFFFFFu;

// What a pen leaves on a pixel: its colour, or the pixel's own inverted.
inline QRgb painted(QRgb pixel, QRgb colour, bool invert)
{
    return invert ? pixel ^ kInvertBits : colour;
}

// A line's place along the dashed pen's pattern: inked for the first `on` pixels of every
// `period`. A solid pen is inked throughout, and counts along all the same.
struct Dash
{
    bool dashed;
    int on, period;
    int phase;

    // Whether the next pixel along the line is inked; the pattern moves on by one.
    bool next()
    {
        const bool ink = !dashed || phase < on;
        if (++phase == period) phase = 0;
        return ink;
    }

    // The same pattern `n` pixels further along.
    Dash after(qint64 n) const
    {
        Dash d = *this;
        d.phase = int((phase + n) % period);
        return d;
    }
};

// The same font as many device pixels tall as the ratio asks, so that the glyphs are the
// font's own at that resolution rather than the 1x glyphs enlarged.
QFont atRatio(QFont font, double ratio)
{
    if (ratio == 1) return font;
    if (font.pixelSize() > 0)
        font.setPixelSize(deviceLength(font.pixelSize(), ratio));
    else
        font.setPointSizeF(font.pointSizeF() * ratio);
    return font;
}

// Bresenham's pixels from (x0, y0), excluded, to (x1, y1); dx = |x1 - x0|, dy = -|y1 - y0|.
template <typename Put> void walk(int x0, int y0, int x1, int y1, qint64 dx, qint64 dy, Put put)
{
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    qint64 err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        const qint64 e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
        put(x0, y0);
    }
}
} // namespace

Canvas::Canvas(QSize pixels, double ratio, QRgb background, const QFont& font)
    : image_(twipsToDevicePixel(pixels.width() * kTwipsPerPixel, ratio),
             twipsToDevicePixel(pixels.height() * kTwipsPerPixel, ratio), QImage::Format_RGB32),
      ratio_(ratio), thick_(deviceLength(1, ratio)), dashOn_(deviceLength(kDashOn, ratio)),
      dashPeriod_(deviceLength(kDashPeriod, ratio))
{
    image_.setDevicePixelRatio(ratio);
    measure();
    setFont(font);
    fill(background);
}

// The picture's size and row length, read once rather than from the image at every operation.
void Canvas::measure()
{
    stride_ = image_.bytesPerLine() / 4;
    width_ = image_.width();
    height_ = image_.height();
}

void Canvas::setFont(const QFont& font)
{
    font_ = atRatio(font, ratio_);
    ascent_ = QFontMetrics(font_).ascent();
    masks_.clear();
}

void Canvas::fill(QRgb background)
{
    image_.fill(background);
    phase_ = 0;
    afterPoint_ = false;
}

void Canvas::fill(const QImage& picture)
{
    image_ = picture.scaled(image_.size()).convertToFormat(QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio_);
    measure();
    phase_ = 0;
    afterPoint_ = false;
}

// The pen and the picture as one operation needs them, in locals: a pixel store cannot
// alias them, so a line's loop keeps them in registers instead of reloading the canvas's
// members after every pixel.
struct Canvas::Pen
{
    QRgb* bits;
    qsizetype stride;
    int width, height;
    QRgb color;
    bool invert;
    Dash dash;
    int thick;

    bool plain() const { return !dash.dashed && !invert; }

    void put(QRgb* pixel) const { *pixel = painted(*pixel, color, invert); }

    void plot(int x, int y)
    {
        if (!dash.next() || unsigned(x) >= unsigned(width) || unsigned(y) >= unsigned(height)) return;
        put(bits + qsizetype(y) * stride + x);
    }

    // The pixels [x, x + w) x [y, y + h), clipped. Positions saturate at +-1e9: no overflow.
    void block(int x, int y, int w, int h) const
    {
        const int left = std::max(x, 0), right = std::min(x + w, width);
        const int top = std::max(y, 0), bottom = std::min(y + h, height);
        for (int j = top; j < bottom; ++j) {
            QRgb* const row = bits + qsizetype(j) * stride;
            for (int i = left; i < right; ++i)
                put(row + i);
        }
    }

    // A row or a column, from (x0, y0) excluded to (x1, y1): clipped once, then stepped along
    // (the graticule and the cursors). The dash counts the pixels off the picture too, as
    // plot does, so a clipped dashed line keeps its pattern where it shows. A thick pen lays
    // `thick` such lines side by side, less the first `skip` steps.
    void straight(int x0, int y0, int x1, int y1, int skip)
    {
        const bool row = y0 == y1;
        const qint64 a = row ? x0 : y0, b = row ? x1 : y1, across = row ? y0 : x0;
        const qint64 n = b > a ? b - a : a - b; // pixels a + k * s, k = 1..n
        const int s = b > a ? 1 : -1;
        const Dash first = dash;
        dash = dash.after(n);
        if (n == 0) return;
        if (thick > 1 && !row && plain() && across >= 0 && across + thick <= width) {
            // A solid column (the graticule) a row of `thick` pixels at a time.
            const qint64 from = std::max<qint64>(1 + skip, s > 0 ? -a : a - (height - 1));
            const qint64 to = std::min<qint64>(n, s > 0 ? height - 1 - a : a);
            for (qint64 i = from; i <= to; ++i) {
                QRgb* const pixel = bits + (a + s * i) * stride + across;
                for (int k = 0; k < thick; ++k)
                    pixel[k] = color;
            }
            return;
        }
        for (int k = 0; k < thick; ++k)
            run(row, a, across + k, n, s, first, skip);
    }

    void run(bool row, qint64 a, qint64 across, qint64 n, int s, Dash first, int skip) const
    {
        const qint64 size = row ? width : height;
        if (across < 0 || across >= (row ? height : width)) return;
        const qint64 from = std::max<qint64>(1 + skip, s > 0 ? -a : a - (size - 1));
        const qint64 to = std::min<qint64>(n, s > 0 ? size - 1 - a : a);
        if (from > to) return;
        const qsizetype step = row ? s : s * stride, count = to - from + 1;
        QRgb* pixel = row ? bits + across * stride + (a + s * from) : bits + (a + s * from) * stride + across;
        if (plain()) {
            if (row) {
                QRgb* const left = s > 0 ? pixel : pixel - (count - 1);
                std::fill(left, left + count, color);
            } else {
                for (qsizetype i = 0; i < count; ++i, pixel += step)
                    *pixel = color;
            }
            return;
        }
        Dash d = first.after(from - 1);
        for (qsizetype i = 0; i < count; ++i, pixel += step)
            if (d.next()) put(pixel);
    }
};

Canvas::Pen Canvas::pen(const Op& op)
{
    return {.bits = reinterpret_cast<QRgb*>(image_.bits()),
            .stride = stride_,
            .width = width_,
            .height = height_,
            .color = op.colour,
            .invert = op.invert,
            .dash = {.dashed = op.dashed, .on = dashOn_, .period = dashPeriod_, .phase = phase_},
            .thick = thick_};
}

void Canvas::apply(const Op& op)
{
    switch (op.kind) {
    case Op::Kind::Point:
        point(op);
        break;
    case Op::Kind::Line:
        line(op);
        break;
    case Op::Kind::Text:
        text(op);
        break;
    }
}

// A point starts the dash afresh and covers the pen's square.
void Canvas::point(const Op& op)
{
    const Pen p = pen(op);
    pointX_ = twipsToDevicePixel(op.x0, ratio_);
    pointY_ = twipsToDevicePixel(op.y0, ratio_);
    p.block(pointX_, pointY_, thick_, thick_);
    phase_ = 1;
    afterPoint_ = true;
}

// Bresenham from the start; the first pixel belongs to the previous point, so a polyline
// touches each pixel once, which keeps inverted lines clean. A thick pen puts `thick` pixels
// across the line at each step, as a 1x line enlarged would: down a column for a line that
// runs more across than down, along a row otherwise. A line that starts on the point just
// set leaves that point's square alone, so a cursor's point and line invert each pixel once.
void Canvas::line(const Op& op)
{
    const int x0 = twipsToDevicePixel(op.x0, ratio_), y0 = twipsToDevicePixel(op.y0, ratio_);
    const int x1 = twipsToDevicePixel(op.x1, ratio_), y1 = twipsToDevicePixel(op.y1, ratio_);
    if (x0 == x1 && y0 == y1) return;
    const bool fromPoint = afterPoint_ && x0 == pointX_ && y0 == pointY_;
    afterPoint_ = false;
    Pen p = pen(op);
    if (x0 == x1 || y0 == y1) {
        p.straight(x0, y0, x1, y1, fromPoint && (x1 > x0 || y1 > y0) ? thick_ - 1 : 0);
        phase_ = p.dash.phase;
        return;
    }
    const qint64 dx = std::abs(qint64(x1) - x0), dy = -std::abs(qint64(y1) - y0);
    const int reach = thick_ - 1; // a step's pixels reach this far right or down
    const bool off = (x0 + reach < 0 && x1 + reach < 0) || (y0 + reach < 0 && y1 + reach < 0) ||
                     (x0 >= p.width && x1 >= p.width) || (y0 >= p.height && y1 >= p.height);
    const qint64 steps = std::max(dx, -dy);
    if (off || (p.plain() && thick_ == 1)) {
        // Wholly to one side of the picture nothing shows; a plain pen (the traces) needs no
        // dash or mode per pixel. Either way the dash goes on by the line's length.
        if (!off)
            walk(x0, y0, x1, y1, dx, dy, [&p](int x, int y) {
                if (unsigned(x) < unsigned(p.width) && unsigned(y) < unsigned(p.height))
                    p.bits[qsizetype(y) * p.stride + x] = p.color;
            });
    } else if (thick_ == 1) {
        walk(x0, y0, x1, y1, dx, dy, [&p](int x, int y) { p.plot(x, y); });
        phase_ = p.dash.phase;
        return;
    } else {
        // Everything the steps need, by value: a pixel store cannot alias it.
        const bool across = dx >= -dy, plain = p.plain(), invert = p.invert;
        const int along0 = across ? x0 : y0, side0 = across ? y0 : x0, t = thick_;
        const int length = across ? p.height : p.width, breadth = across ? p.width : p.height;
        QRgb* const bits = p.bits;
        const qsizetype stride = p.stride, gap = across ? stride : 1;
        const QRgb c = p.color;
        const bool inside = std::min(x0, x1) >= 0 && std::max(x0, x1) + reach < p.width &&
                            std::min(y0, y1) >= 0 && std::max(y0, y1) + reach < p.height;
        if (plain && inside && !fromPoint) {
            // Most of a trace: nothing to clip, dash or spare.
            walk(x0, y0, x1, y1, dx, dy, [=](int x, int y) {
                QRgb* pixel = bits + qsizetype(y) * stride + x;
                for (int k = 0; k < t; ++k, pixel += gap)
                    *pixel = c;
            });
        } else {
            walk(x0, y0, x1, y1, dx, dy, [=, dash = p.dash](int x, int y) mutable {
                const int along = across ? x : y;
                if (!dash.next() || unsigned(along) >= unsigned(breadth)) return;
                int from = across ? y : x, to = from + t;
                if (fromPoint && along >= along0 && along <= along0 + reach) {
                    // Within the start point's square: only what sticks out of it.
                    if (from < side0)
                        to = std::min(to, side0);
                    else
                        from = std::max(from, side0 + t);
                }
                from = std::max(from, 0);
                to = std::min(to, length);
                QRgb* pixel = bits + (across ? qsizetype(from) * stride + x : qsizetype(y) * stride + from);
                for (int k = from; k < to; ++k, pixel += gap)
                    *pixel = painted(*pixel, c, invert);
            });
        }
    }
    phase_ = p.dash.after(steps).phase;
}

const Canvas::TextMask& Canvas::mask(const QString& text)
{
    if (const auto found = masks_.constFind(text); found != masks_.cend()) return *found;
    // The same few captions are printed on every frame: lay each out once, as the runs of
    // pixels its glyphs cover. Aliased text covers whole pixels, so runs lose nothing.
    if (masks_.size() >= kMaxMasks) masks_.clear();
    const QFontMetrics metrics(font_);
    const int margin = metrics.height();
    const QRect box = metrics.boundingRect(text)
                          .united(QRect(0, -ascent_, 1, metrics.height()))
                          .adjusted(-margin, -margin, margin, margin);
    QImage ink(box.size(), QImage::Format_Grayscale8);
    ink.fill(0);
    {
        QPainter painter(&ink);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(-box.left(), -box.top()), text);
    }
    TextMask m;
    for (int y = 0; y < ink.height(); ++y) {
        const uchar* row = ink.constScanLine(y);
        for (int x = 0; x < ink.width();) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < ink.width() && row[x])
                ++x;
            m.runs.push_back({box.left() + start, box.top() + y, x - start});
        }
    }
    return *masks_.insert(text, std::move(m));
}

// Text ignores the raster mode: its pixels take the pen's colour.
void Canvas::text(const Op& op)
{
    const int originX = twipsToDevicePixel(op.x0, ratio_),
              baseline = twipsToDevicePixel(op.y0, ratio_) + ascent_;
    const Pen p = pen(op);
    for (const TextRun& run : mask(op.text).runs) {
        const int y = baseline + run.dy;
        if (y < 0 || y >= p.height) continue;
        const int from = std::max(0, originX + run.dx), to = std::min(p.width, originX + run.dx + run.length);
        QRgb* const row = p.bits + qsizetype(y) * p.stride;
        if (from < to) std::fill(row + from, row + to, p.color);
    }
}

} // namespace display
