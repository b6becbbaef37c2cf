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

QRgb Surface::QBColor(int number)
{
    return kPalette[number & 15];
}

int Surface::toPixel(float twips)
{
    return int(std::floor(double(twips) / kTwipsPerPixel + 0.5));
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

inline void Surface::plot(QRgb* bits, int x, int y)
{
    const bool on = drawStyle_ == Solid || dashPhase_ < kDashOn;
    if (++dashPhase_ == kDashPeriod) dashPhase_ = 0;
    if (!on || unsigned(x) >= unsigned(width_) || unsigned(y) >= unsigned(height_)) return;
    QRgb* pixel = bits + qsizetype(y) * stride_ + x;
    *pixel = drawMode_ == Invert ? (*pixel ^ 0x00FFFFFFu) : pen_;
}

// The picture's pixels, detached from any copy someone may hold, once per operation.
inline QRgb* Surface::pixels()
{
    return reinterpret_cast<QRgb*>(picture_.bits());
}

void Surface::PSet(float x, float y)
{
    dashPhase_ = 0;
    plot(pixels(), toPixel(x), toPixel(y));
    currentX_ = x;
    currentY_ = y;
    touched();
}

// Bresenham from the current position; the first pixel belongs to the previous point,
// so a polyline touches each pixel once, which keeps inverted lines clean.
void Surface::Line(float x, float y)
{
    int x0 = toPixel(currentX_), y0 = toPixel(currentY_);
    const int x1 = toPixel(x), y1 = toPixel(y);
    currentX_ = x;
    currentY_ = y;
    touched();
    QRgb* const bits = pixels();
    if (drawStyle_ == Solid && drawMode_ == CopyPen && (x0 == x1 || y0 == y1)) {
        // The graticule's straight lines: clip once, then fill.
        if (y0 == y1 && x0 != x1) {
            if (unsigned(y0) >= unsigned(height_)) return;
            int from = x0 < x1 ? x0 + 1 : x1, to = x0 < x1 ? x1 : x0 - 1;
            from = std::max(from, 0);
            to = std::min(to, width_ - 1);
            if (from <= to)
                std::fill(bits + qsizetype(y0) * stride_ + from, bits + qsizetype(y0) * stride_ + to + 1,
                          pen_);
        } else if (x0 == x1 && y0 != y1) {
            if (unsigned(x0) >= unsigned(width_)) return;
            int from = y0 < y1 ? y0 + 1 : y1, to = y0 < y1 ? y1 : y0 - 1;
            from = std::max(from, 0);
            to = std::min(to, height_ - 1);
            for (int yy = from; yy <= to; ++yy)
                bits[qsizetype(yy) * stride_ + x0] = pen_;
        }
        return;
    }
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
        plot(bits, x0, y0);
    }
}

const Surface::TextMask& Surface::mask(const QString& text)
{
    if (const auto found = masks_.constFind(text); found != masks_.cend()) return *found;
    // The same few captions are printed on every frame: lay each out once, as the runs of
    // pixels its glyphs cover. Aliased text covers whole pixels, so runs lose nothing.
    if (masks_.size() >= kMaxMasks) masks_.clear();
    const QFontMetrics metrics(textFont_);
    const int margin = metrics.height();
    const QRect box = metrics.boundingRect(text).united(QRect(0, -textAscent_, 1, lineHeight_)).adjusted(
        -margin, -margin, margin, margin);
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
    const int originX = toPixel(currentX_), baseline = toPixel(currentY_) + textAscent_;
    QRgb* bits = pixels();
    for (const TextRun& run : mask(text).runs) {
        const int y = baseline + run.dy;
        if (y < 0 || y >= height_) continue;
        const int from = std::max(0, originX + run.dx), to = std::min(width_, originX + run.dx + run.length);
        if (from < to) std::fill(bits + y * stride_ + from, bits + y * stride_ + to, pen_);
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
