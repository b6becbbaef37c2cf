#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>
#include <array>

namespace ui {

// The diagnostic read-out of the frame being received. It is set on every chunk the port
// delivers, dozens of times per frame, so it must cost next to nothing: the text is broken
// into lines by character, only the lines that fit above `visibleHeight` are drawn, only the
// lines that changed are redrawn, and characters are copied from a cache of their pictures
// instead of being laid out anew each time. The screen follows the text at most every
// kRefreshMs, and at once on flush(): a repaint per chunk would wake the event loop
// hundreds of times a second for changes no eye can follow.
class DebugLabel : public QWidget
{
    Q_OBJECT
public:
    explicit DebugLabel(const QString& text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    // Shows the text now if the screen lags behind it.
    void flush();
    static constexpr int kRefreshMs = 40;
    // Rows below this are covered by a neighbour: never drawn, never repainted.
    void setVisibleHeight(int pixels);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const QImage& glyph(QChar c);
    // Start of each line that fits, and one more entry for the end of the last one.
    QList<qsizetype> breakLines(const QString& text);
    // Goes on breaking `text` from the line that starts at starts.back().
    void breakLinesFrom(const QString& text, QList<qsizetype>& starts);
    int rows() const;
    void redrawLines(int first, int last);
    void restyle();

    QString text_;
    QList<qsizetype> lines_;
    QList<qsizetype> spareLines_;
    QRect pending_; // changed since the last repaint was asked for
    QRect stale_;   // asked to repaint, canvas not yet redrawn
    QElapsedTimer sinceRepaint_;
    int visibleHeight_ = 0;
    int lineHeight_ = 1;
    int ascent_ = 0;
    QImage canvas_;
    std::array<QImage, 256> latin1Glyphs_;
    std::array<bool, 256> latin1Made_{};
    QImage otherGlyph_;
};

} // namespace ui
