#pragma once

#include "display/Canvas.h"
#include "display/Twips.h"
#include "measure/Mouse.h"

#include <QFont>
#include <QFrame>
#include <QImage>
#include <QMetaObject>
#include <optional>
#include <vector>

class QScreen;
class QWindow;

namespace display {

// Numbers of the palette's colours (QBColor) that the program draws with.
namespace Couleur {
constexpr int Noir = 0, Bleu = 1, Vert = 2, Cyan = 3, Rouge = 4, Magenta = 5, BleuClair = 9, Blanc = 15;
}

// The oscilloscope screen: a persistent picture drawn with a few pen operations in twips.
// Every drawing routine goes through these operations; nothing else paints on the picture.
// The screen shows the picture drawn at its device pixel ratio, and draws it again when the
// window moves to a screen of another ratio; what a save writes is the same picture at 1x,
// whatever the screen.
class Surface : public QFrame
{
    Q_OBJECT
public:
    enum : int { CopyPen = 13, Invert = 6 };
    enum : int { Solid = 0, Dashed = 1 };

    // innerSize: the picture in pixels; the frame adds its border around it.
    explicit Surface(QSize innerSize, QWidget* parent = nullptr);

    float ScaleWidth() const { return float(size_.width() * kTwipsPerPixel); }
    float ScaleHeight() const { return float(size_.height() * kTwipsPerPixel); }

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

    // The persistent picture at 1x: what a save writes, the same bits on every screen.
    const QImage& Image() const;
    QColor backColor() const { return QColor::fromRgb(background_); }

    // The picture as the screen shows it, at its device pixel ratio (Image() at ratio 1).
    const QImage& screenImage() const { return screen_.image(); }
    double deviceRatio() const { return screen_.ratio(); }
    // Draws at this device pixel ratio instead of the screen's, e.g. to measure or check the
    // picture a 2x screen shows on any machine; 0 follows the screen again.
    void setDeviceRatio(double ratio);

    static QRgb QBColor(int number);

signals:
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void record(Op op);
    void start(Canvas& canvas) const;
    bool followRatio();
    void ratioMayHaveChanged();
    void followWindow(QWindow* window);
    void watchScreen(QScreen* screen);
    void takeFont();
    void touched();
    void mouseArgs(const QMouseEvent* event, int& shift, float& x, float& y) const;

    // Every redraw begins with Cls, so the log holds one frame's few hundred operations. Past
    // this, the 1x picture so far, with its pen, becomes the log's starting point instead: the
    // saved picture stays exact, while a screen whose ratio changes before the next Cls can
    // only show what came before the cut enlarged from it.
    static constexpr std::size_t kMaxOps = 1 << 16;

    QSize size_;
    QRgb background_;
    QRgb pen_;
    QFont textFont_;
    int lineHeight_ = 0;
    int foreColor_ = 0;
    int drawMode_ = CopyPen;
    int drawStyle_ = Solid;
    float currentX_ = 0;
    float currentY_ = 0;
    bool dirty_ = false;
    double fixedRatio_ = 0;

    std::vector<Op> log_;        // since the picture was cleared, or since `base_`
    std::optional<Canvas> base_; // at 1x, what the log starts from when not a cleared picture
    Canvas screen_;              // at the device pixel ratio; at ratio 1 also the saved picture
    // The 1x picture at other ratios, drawn from the log when asked for, until the next Cls.
    mutable std::optional<Canvas> oneX_;
    mutable std::size_t oneXDone_ = 0; // operations of the log already on it
    // While shown: the window's moves from screen to screen, and the resolution of the screen
    // it is on.
    QMetaObject::Connection screenChangedLink_;
    QMetaObject::Connection logicalDpiLink_;
    QMetaObject::Connection physicalDpiLink_;
};

} // namespace display
