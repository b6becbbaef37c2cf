#pragma once

#include "display/Twips.h"

#include <QFont>
#include <QFrame>
#include <QHash>
#include <QImage>
#include <algorithm>
#include <vector>

namespace display {

// Mouse buttons and modifier keys as the screen's handlers receive them.
namespace Buttons {
constexpr int Left = 1, Right = 2, Middle = 4;
}
namespace Shifts {
constexpr int Shift = 1, Ctrl = 2, Alt = 4;
}

// The oscilloscope screen: a persistent picture drawn with a few pen operations in twips.
// Every drawing routine goes through these operations; nothing else paints on the picture.
class Surface : public QFrame
{
    Q_OBJECT
public:
    enum : int { CopyPen = 13, Invert = 6 };
    enum : int { Solid = 0, Dashed = 1 };

    // innerSize: the picture in pixels; the frame adds its border around it.
    explicit Surface(QSize innerSize, QWidget* parent = nullptr);

    float ScaleWidth() const { return float(picture_.width() * kTwipsPerPixel); }
    float ScaleHeight() const { return float(picture_.height() * kTwipsPerPixel); }

    void setForeColor(int qbColor);
    void setDrawMode(int mode) { drawMode_ = mode; }
    void setDrawStyle(int style) { drawStyle_ = style; }
    int ForeColor() const { return foreColor_; }
    int DrawMode() const { return drawMode_; }
    int DrawStyle() const { return drawStyle_; }

    void Cls();
    void PSet(float x, float y);
    void Line(float x, float y); // from the current position to (x, y)
    void setCurrentX(float x) { currentX_ = x; }
    void setCurrentY(float y) { currentY_ = y; }
    float CurrentX() const { return currentX_; }
    float CurrentY() const { return currentY_; }
    void Print(const QString& text);

    // The persistent picture: what the screen shows and what a save writes.
    const QImage& Image() const { return picture_; }
    QColor backColor() const { return QColor::fromRgb(background_); }

    static QRgb QBColor(int number);

signals:
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Pen;
    Pen pen();
    QRgb* pixels();
    void touched();
    void mouseArgs(const QMouseEvent* event, int& shift, float& x, float& y) const;

    // A text's pixels, from its origin on the baseline: one run per horizontal stretch.
    struct TextRun
    {
        int dx, dy, length;
    };
    struct TextMask
    {
        std::vector<TextRun> runs;
    };
    static constexpr qsizetype kMaxMasks = 64;
    const TextMask& mask(const QString& text);
    QHash<QString, TextMask> masks_;

    QImage picture_;
    qsizetype stride_; // pixels per row
    int width_;
    int height_;
    QRgb background_;
    QRgb pen_;
    QFont textFont_;
    int textAscent_ = 0;
    int lineHeight_ = 0;
    int foreColor_ = 0;
    int drawMode_ = CopyPen;
    int drawStyle_ = Solid;
    int dashPhase_ = 0;
    float currentX_ = 0;
    float currentY_ = 0;
    bool dirty_ = false;
};

} // namespace display
