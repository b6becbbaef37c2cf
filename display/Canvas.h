#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>
#include <vector>

namespace display {

// One drawing operation in twips with the pen it was made with. The screen keeps those made
// since the picture was last cleared, to draw the same picture again at another resolution.
struct Op
{
    enum class Kind : quint8 { Point, Line, Text };
    Kind kind = Kind::Point;
    bool invert = false;
    bool dashed = false;
    QRgb colour = 0;
    float x0 = 0, y0 = 0; // the point, the line's start, or the text's top-left corner
    float x1 = 0, y1 = 0; // the line's end
    QString text;
};

// The screen's picture at one device pixel ratio. A point covers a square of one pixel enlarged
// to the ratio, a line is as many device pixels across, each pixel once, so that an inverting
// line inverts what it crosses exactly once; dashes grow with the ratio, text is laid out by
// the font at that resolution. At ratio 1 the square is one pixel: the plain picture.
class Canvas
{
public:
    Canvas() = default;
    // pixels: the picture's size at ratio 1.
    Canvas(QSize pixels, double ratio, QRgb background, const QFont& font);

    void setFont(const QFont& font);
    // A cleared picture also starts the dash afresh: the picture depends only on what was
    // drawn since.
    void fill(QRgb background);
    // The picture of another canvas, stretched to this one's size, to draw on from there.
    void fill(const QImage& picture);
    void apply(const Op& op);

    const QImage& image() const { return image_; }
    double ratio() const { return ratio_; }

private:
    // The dashed pen at 1x, in pixels: inked for kDashOn, then blank to the end of kDashPeriod.
    static constexpr int kDashOn = 6;
    static constexpr int kDashPeriod = 9;

    struct Pen;
    Pen pen(const Op& op);
    void measure();
    void point(const Op& op);
    void line(const Op& op);
    void text(const Op& op);

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

    QImage image_;
    qsizetype stride_ = 0; // pixels per row
    int width_ = 0, height_ = 0;
    double ratio_ = 1;
    int thick_ = 1;
    int dashOn_ = kDashOn;
    int dashPeriod_ = kDashPeriod;
    int phase_ = 0;           // along the dash, where the next line goes on from
    bool afterPoint_ = false; // the last operation was a point, at (pointX_, pointY_)
    int pointX_ = 0, pointY_ = 0;
    QFont font_;
    int ascent_ = 0;
    QHash<QString, TextMask> masks_;
};

} // namespace display
