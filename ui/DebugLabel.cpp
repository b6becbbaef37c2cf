#include "ui/DebugLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <utility>
#include <iterator>
#include <cstring>

namespace ui {

namespace {
using GlyphCopy = void (*)(uchar* to, qsizetype toStride, const uchar* from, qsizetype fromStride, int rows);

// The rows of a glyph `Width` pixels wide: a copy of known size is a couple of moves, where
// a call to memcpy per row of every character cost more than the rest of the redraw.
template <int Width>
void copyRows(uchar* to, qsizetype toStride, const uchar* from, qsizetype fromStride, int rows)
{
    for (int y = 0; y < rows; ++y, to += toStride, from += fromStride)
        std::memcpy(to, from, Width * 4);
}

void copyAnyRows(uchar* to, qsizetype toStride, const uchar* from, qsizetype fromStride, int rows, int width)
{
    for (int y = 0; y < rows; ++y, to += toStride, from += fromStride)
        std::memcpy(to, from, size_t(width) * 4);
}

template <int... Widths>
constexpr std::array<GlyphCopy, sizeof...(Widths) + 1> glyphCopies(std::integer_sequence<int, Widths...>)
{
    return {nullptr, &copyRows<Widths + 1>...};
}
constexpr auto kGlyphCopies = glyphCopies(std::make_integer_sequence<int, 16>());
} // namespace

DebugLabel::DebugLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    restyle();
}

void DebugLabel::restyle()
{
    const QFontMetrics metrics(font());
    lineHeight_ = std::max(1, metrics.lineSpacing());
    ascent_ = metrics.ascent();
    latin1Made_.fill(false);
    canvas_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    canvas_.fill(palette().color(QPalette::Window));
    lines_ = breakLines(text_);
    redrawLines(0, int(lines_.size()) - 1);
    update();
}

void DebugLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) restyle();
    QWidget::changeEvent(event);
}

void DebugLabel::resizeEvent(QResizeEvent*)
{
    restyle();
}

const QImage& DebugLabel::glyph(QChar c)
{
    const bool latin1 = c.unicode() < 256;
    if (latin1 && latin1Made_[c.unicode()]) return latin1Glyphs_[c.unicode()];
    QImage& g = latin1 ? latin1Glyphs_[c.unicode()] : otherGlyph_;
    // Characters without a width (control codes) get an empty picture, made once too.
    const int w = std::max(0, fontMetrics().horizontalAdvance(c));
    g = QImage(w, lineHeight_, QImage::Format_RGB32);
    if (w > 0) {
        g.fill(palette().color(QPalette::Window));
        QPainter p(&g);
        p.setFont(font());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(0, ascent_, QString(c));
    }
    if (latin1) latin1Made_[c.unicode()] = true;
    return g;
}

int DebugLabel::rows() const
{
    return std::max(1, (visibleHeight_ > 0 ? visibleHeight_ : height()) / lineHeight_);
}

void DebugLabel::setVisibleHeight(int pixels)
{
    visibleHeight_ = pixels;
    restyle();
}

QList<qsizetype> DebugLabel::breakLines(const QString& text)
{
    QList<qsizetype> starts{0};
    breakLinesFrom(text, starts);
    return starts;
}

void DebugLabel::breakLinesFrom(const QString& text, QList<qsizetype>& starts)
{
    const int maxRows = rows();
    if (starts.size() > maxRows) return;
    int x = 0;
    for (qsizetype i = starts.back(); i < text.size(); ++i) {
        const int a = glyph(text[i]).width();
        if (x + a > width() && x > 0) {
            starts.push_back(i);
            if (starts.size() > maxRows) return;
            x = 0;
        }
        x += a;
    }
    starts.push_back(text.size());
}

// Lines first..last-1 of the text, and blank rows down to line `last`. Glyph pictures carry
// their own background, so only the rest of each row is filled.
void DebugLabel::redrawLines(int first, int last)
{
    const QRgb background = palette().color(QPalette::Window).rgb();
    uchar* const bits = canvas_.bits();
    const qsizetype stride = canvas_.bytesPerLine();
    const int width = canvas_.width();
    for (int line = first; line < last; ++line) {
        const int top = line * lineHeight_;
        if (top + lineHeight_ > canvas_.height()) break;
        uchar* const origin = bits + top * stride;
        int x = 0;
        if (line + 1 < lines_.size()) {
            for (qsizetype i = lines_[line]; i < lines_[line + 1] && x < width; ++i) {
                const QImage& g = glyph(text_[i]);
                const int w = std::min(g.width(), width - x);
                uchar* const to = origin + 4 * x;
                if (w > 0 && w < int(kGlyphCopies.size()))
                    kGlyphCopies[w](to, stride, g.constBits(), g.bytesPerLine(), lineHeight_);
                else if (w > 0)
                    copyAnyRows(to, stride, g.constBits(), g.bytesPerLine(), lineHeight_, w);
                x += g.width();
            }
        }
        for (int y = 0; y < lineHeight_ && x < width; ++y) {
            auto* row = reinterpret_cast<QRgb*>(origin + y * stride);
            std::fill(row + x, row + width, background);
        }
    }
}

void DebugLabel::setText(const QString& text)
{
    const qsizetype common = std::min(text.size(), text_.size());
    // Usually the old text is the start of the new one: one block compare says so.
    const qsizetype same =
        std::memcmp(text.constData(), text_.constData(), size_t(common) * sizeof(QChar)) == 0
            ? common
            : std::mismatch(text.cbegin(), text.cbegin() + common, text_.cbegin()).first - text.cbegin();
    if (same == text.size() && same == text_.size()) return;
    // A line starts where the characters up to it say, so the starts before the first changed
    // character stand: the text grows a chunk at a time, and only the chunk is measured.
    qsizetype kept = 1;
    while (kept < lines_.size() && lines_[kept] < same)
        ++kept;
    QList<qsizetype>& lines = spareLines_; // reused: no allocation per chunk
    lines.resize(kept);
    std::copy(lines_.cbegin(), lines_.cbegin() + kept, lines.begin());
    breakLinesFrom(text, lines);
    // The first line that differs is the one holding the first changed character, and
    // everything below it may have moved.
    const qsizetype oldEnd = lines_.back(), newEnd = lines.back();
    text_ = text;
    std::swap(lines_, lines);
    if (same >= oldEnd && same >= newEnd) return; // only text past what fits changed
    const qsizetype shownSame = std::min({same, oldEnd, newEnd});
    int first = 0;
    while (first + 2 < lines_.size() && lines_[first + 1] <= shownSame)
        ++first;
    const int last = int(std::max(lines.size(), lines_.size())) - 1;
    // The picture of the lines is brought up to date when it is painted, not per chunk.
    pending_ |= QRect(0, first * lineHeight_, width(), (last - first) * lineHeight_);
    if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() >= kRefreshMs) flush();
}

void DebugLabel::flush()
{
    if (pending_.isEmpty()) return;
    update(pending_);
    stale_ |= pending_;
    pending_ = QRect();
    sinceRepaint_.start();
}

void DebugLabel::paintEvent(QPaintEvent* event)
{
    if (!stale_.isEmpty()) {
        redrawLines(stale_.top() / lineHeight_, (stale_.bottom() + 1 + lineHeight_ - 1) / lineHeight_);
        stale_ = QRect();
    }
    QPainter painter(this);
    painter.drawImage(event->rect(), canvas_, event->rect());
}

} // namespace ui
