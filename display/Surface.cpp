#include "display/Surface.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace display {

namespace {
// The 16 colours of the classic palette, by number.
constexpr QRgb kPalette[16] = {
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)};

// Dashed pen: pixels on, then off, along the line.
constexpr int kDashOn = 6;
constexpr int kDashPeriod = 9;
} // namespace

Surface::Surface(QSize innerSize, QWidget* parent)
    : QFrame(parent), picture_(innerSize, QImage::Format_RGB32), stride_(picture_.bytesPerLine() / 4),
      width_(picture_.width()), height_(picture_.height())
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFixedSize(innerSize + QSize(2 * frameWidth(), 2 * frameWidth()));
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = palette().color(QPalette::Window).rgb();
    pen_ = kPalette[0];
    changeEvent(nullptr);
    picture_.fill(background_);
}

// The pen and the picture as one operation needs them, in locals: a pixel store cannot
// alias them, so a line's loop keeps them in registers instead of reloading the widget's
// members after every pixel.
struct Surface::Pen
{
    QRgb* bits;
    qsizetype stride;
    int width, height;
    QRgb color;
    bool invert;
    bool dashed;
    int phase;

    void plot(int x, int y)
    {
        const bool on = !dashed || phase < kDashOn;
        if (++phase == kDashPeriod) phase = 0;
        if (!on || unsigned(x) >= unsigned(width) || unsigned(y) >= unsigned(height)) return;
        QRgb* const pixel = bits + qsizetype(y) * stride + x;
        *pixel = invert ? (*pixel ^ 0x00FFFFFFu) : color;
    }

    // A row or a column, from (x0, y0) excluded to (x1, y1): clipped once, then stepped along
    // (the graticule and the cursors). The dash counts the pixels off the picture too, as
    // plot does, so a clipped dashed line keeps its pattern where it shows.
    void straight(int x0, int y0, int x1, int y1)
    {
        const bool row = y0 == y1;
        const qint64 a = row ? x0 : y0, b = row ? x1 : y1, across = row ? y0 : x0;
        const qint64 size = row ? width : height;
        const qint64 n = b > a ? b - a : a - b; // pixels a + k * s, k = 1..n
        const int s = b > a ? 1 : -1;
        const int first = phase;
        phase = int((first + n) % kDashPeriod);
        if (n == 0 || across < 0 || across >= (row ? height : width)) return;
        const qint64 from = std::max<qint64>(1, s > 0 ? -a : a - (size - 1));
        const qint64 to = std::min<qint64>(n, s > 0 ? size - 1 - a : a);
        if (from > to) return;
        const qsizetype step = row ? s : s * stride, count = to - from + 1;
        QRgb* pixel = row ? bits + across * stride + (a + s * from) : bits + (a + s * from) * stride + across;
        if (!dashed && !invert) {
            if (row) {
                QRgb* const left = s > 0 ? pixel : pixel - (count - 1);
                std::fill(left, left + count, color);
            } else {
                for (qsizetype i = 0; i < count; ++i, pixel += step)
                    *pixel = color;
            }
            return;
        }
        for (qsizetype i = 0, on = (first + from - 1) % kDashPeriod; i < count; ++i, pixel += step) {
            if (!dashed || on < kDashOn) *pixel = invert ? (*pixel ^ 0x00FFFFFFu) : color;
            if (++on == kDashPeriod) on = 0;
        }
    }
};

QRgb Surface::QBColor(int number)
{
    return kPalette[number & 15];
}

void Surface::setForeColor(int qbColor)
{
    foreColor_ = qbColor;
    pen_ = QBColor(qbColor);
}

void Surface::touched()
{
    if (!dirty_) {
        dirty_ = true;
        // Only the picture changed: the frame around it need not be repainted.
        update(contentsRect());
    }
}

void Surface::Cls()
{
    picture_.fill(background_);
    currentX_ = currentY_ = 0;
    touched();
}

// The picture's pixels, detached from any copy someone may hold, once per operation.
inline QRgb* Surface::pixels()
{
    return reinterpret_cast<QRgb*>(picture_.bits());
}

Surface::Pen Surface::pen()
{
    return {pixels(), stride_, width_, height_, pen_, drawMode_ == Invert, drawStyle_ == Dashed, dashPhase_};
}

void Surface::PSet(float x, float y)
{
    Pen p = pen();
    p.phase = 0;
    p.plot(twipsToPixel(x), twipsToPixel(y));
    dashPhase_ = p.phase;
    currentX_ = x;
    currentY_ = y;
    touched();
}

namespace {
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

// Bresenham from the current position; the first pixel belongs to the previous point,
// so a polyline touches each pixel once, which keeps inverted lines clean.
void Surface::Line(float x, float y)
{
    int x0 = twipsToPixel(currentX_), y0 = twipsToPixel(currentY_);
    const int x1 = twipsToPixel(x), y1 = twipsToPixel(y);
    currentX_ = x;
    currentY_ = y;
    touched();
    Pen p = pen();
    if (x0 == x1 || y0 == y1) {
        p.straight(x0, y0, x1, y1);
        dashPhase_ = p.phase;
        return;
    }
    const qint64 dx = std::abs(qint64(x1) - x0), dy = -std::abs(qint64(y1) - y0);
    const bool off = (x0 < 0 && x1 < 0) || (y0 < 0 && y1 < 0) || (x0 >= p.width && x1 >= p.width) ||
                     (y0 >= p.height && y1 >= p.height);
    if (off || (!p.dashed && !p.invert)) {
        // Wholly to one side of the picture nothing shows; a plain pen (the traces) needs no
        // dash or mode per pixel. Either way the dash goes on by the line's length.
        if (!off)
            walk(x0, y0, x1, y1, dx, dy, [&p](int x, int y) {
                if (unsigned(x) < unsigned(p.width) && unsigned(y) < unsigned(p.height))
                    p.bits[qsizetype(y) * p.stride + x] = p.color;
            });
        p.phase = int((p.phase + std::max(dx, -dy)) % kDashPeriod);
    } else {
        walk(x0, y0, x1, y1, dx, dy, [&p](int x, int y) { p.plot(x, y); });
    }
    dashPhase_ = p.phase;
}

const Surface::TextMask& Surface::mask(const QString& text)
{
    if (const auto found = masks_.constFind(text); found != masks_.cend()) return *found;
    // The same few captions are printed on every frame: lay each out once, as the runs of
    // pixels its glyphs cover. Aliased text covers whole pixels, so runs lose nothing.
    if (masks_.size() >= kMaxMasks) masks_.clear();
    const QFontMetrics metrics(textFont_);
    const int margin = metrics.height();
    const QRect box = metrics.boundingRect(text)
                          .united(QRect(0, -textAscent_, 1, lineHeight_))
                          .adjusted(-margin, -margin, margin, margin);
    QImage ink(box.size(), QImage::Format_Grayscale8);
    ink.fill(0);
    {
        QPainter painter(&ink);
        painter.setFont(textFont_);
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

void Surface::Print(const QString& text)
{
    const int originX = twipsToPixel(currentX_), baseline = twipsToPixel(currentY_) + textAscent_;
    const Pen p = pen();
    for (const TextRun& run : mask(text).runs) {
        const int y = baseline + run.dy;
        if (y < 0 || y >= p.height) continue;
        const int from = std::max(0, originX + run.dx), to = std::min(p.width, originX + run.dx + run.length);
        QRgb* const row = p.bits + qsizetype(y) * p.stride;
        if (from < to) std::fill(row + from, row + to, p.color);
    }
    currentX_ = 0;
    currentY_ += float(lineHeight_ * kTwipsPerPixel);
    touched();
}

void Surface::changeEvent(QEvent* event)
{
    if (!event || event->type() == QEvent::FontChange) {
        // Text on the picture is aliased, so every painted pixel is in the pen's palette colour.
        textFont_ = font();
        textFont_.setStyleStrategy(QFont::NoAntialias);
        const QFontMetrics metrics(textFont_);
        textAscent_ = metrics.ascent();
        lineHeight_ = metrics.height();
        masks_.clear();
    }
    if (event) QFrame::changeEvent(event);
}

void Surface::paintEvent(QPaintEvent* event)
{
    // The sunken frame costs more to draw than the picture: only when it was uncovered.
    if (!contentsRect().contains(event->rect())) QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), picture_);
    dirty_ = false;
}

void Surface::mouseArgs(const QMouseEvent* event, int& shift, float& x, float& y) const
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    shift = (mods & Qt::ShiftModifier ? Shifts::Shift : 0) | (mods & Qt::ControlModifier ? Shifts::Ctrl : 0) |
            (mods & Qt::AltModifier ? Shifts::Alt : 0);
    const QPointF inner = event->position() - QPointF(contentsRect().topLeft());
    x = float(inner.x() * kTwipsPerPixel);
    y = float(inner.y() * kTwipsPerPixel);
}

static int buttonBits(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? Buttons::Left : 0) | (buttons & Qt::RightButton ? Buttons::Right : 0) |
           (buttons & Qt::MiddleButton ? Buttons::Middle : 0);
}

void Surface::mousePressEvent(QMouseEvent* event)
{
    int shift;
    float x, y;
    mouseArgs(event, shift, x, y);
    emit mouseDown(buttonBits(event->button()), shift, x, y);
}

void Surface::mouseMoveEvent(QMouseEvent* event)
{
    int shift;
    float x, y;
    mouseArgs(event, shift, x, y);
    emit mouseMove(buttonBits(event->buttons()), shift, x, y);
}

void Surface::mouseReleaseEvent(QMouseEvent* event)
{
    int shift;
    float x, y;
    mouseArgs(event, shift, x, y);
    emit mouseUp(buttonBits(event->button()), shift, x, y);
}

} // namespace display
