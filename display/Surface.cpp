#include "display/Surface.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace display {

namespace {
// The 16 colours of the classic palette, by number.
constexpr QRgb kPalette[16] = {
    qRgb(0, 0, 0),       qRgb(0, 0, 128),   qRgb(0, 128, 0),   qRgb(0, 128, 128),
    qRgb(128, 0, 0),     qRgb(128, 0, 128), qRgb(128, 128, 0), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
    qRgb(255, 0, 0),     qRgb(255, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)};
} // namespace

Surface::Surface(QSize innerSize, QWidget* parent) : QFrame(parent), size_(innerSize)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFixedSize(innerSize + QSize(2 * frameWidth(), 2 * frameWidth()));
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = palette().color(QPalette::Window).rgb();
    pen_ = kPalette[0];
    takeFont();
    screen_ = Canvas(size_, devicePixelRatioF(), background_, textFont_);
}

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

// A canvas as the log's first operation finds the picture: cleared, or at 1x the picture and
// pen kept when the log was cut; at another ratio that picture enlarged, all that is left.
void Surface::start(Canvas& canvas) const
{
    if (!base_)
        canvas.fill(background_);
    else if (canvas.ratio() == base_->ratio())
        canvas = *base_;
    else
        canvas.fill(base_->image());
}

void Surface::record(Op op)
{
    if (log_.size() >= kMaxOps) {
        // The 1x canvas at the log's end, pen included, so that the dash goes on from it.
        if (screen_.ratio() == 1) {
            base_ = screen_;
        } else {
            Image();
            base_ = *oneX_;
        }
        log_.clear();
        oneXDone_ = 0;
    }
    log_.push_back(std::move(op));
    screen_.apply(log_.back());
    touched();
}

void Surface::Cls()
{
    log_.clear();
    base_.reset();
    oneX_.reset();
    screen_.fill(background_);
    currentX_ = currentY_ = 0;
    touched();
}

void Surface::PSet(float x, float y)
{
    record({Op::Kind::Point, drawMode_ == Invert, drawStyle_ == Dashed, pen_, x, y, 0, 0, {}});
    currentX_ = x;
    currentY_ = y;
}

void Surface::Line(float x, float y)
{
    record({Op::Kind::Line, drawMode_ == Invert, drawStyle_ == Dashed, pen_, currentX_, currentY_, x, y, {}});
    currentX_ = x;
    currentY_ = y;
}

void Surface::Print(const QString& text)
{
    record({Op::Kind::Text, false, false, pen_, currentX_, currentY_, 0, 0, text});
    currentX_ = 0;
    currentY_ += float(lineHeight_ * kTwipsPerPixel);
}

const QImage& Surface::Image() const
{
    if (screen_.ratio() == 1) return screen_.image();
    if (!oneX_) {
        oneX_.emplace(size_, 1.0, background_, textFont_);
        start(*oneX_);
        oneXDone_ = 0;
    }
    for (; oneXDone_ < log_.size(); ++oneXDone_)
        oneX_->apply(log_[oneXDone_]);
    return oneX_->image();
}

void Surface::setDeviceRatio(double ratio)
{
    fixedRatio_ = ratio;
    ratioMayHaveChanged();
}

// The screen's picture at the ratio it is shown at: drawn again from the log when that changed.
bool Surface::followRatio()
{
    const double ratio = fixedRatio_ > 0 ? fixedRatio_ : devicePixelRatioF();
    if (ratio == screen_.ratio()) return false;
    Canvas canvas(size_, ratio, background_, textFont_);
    start(canvas);
    for (const Op& op : log_)
        canvas.apply(op);
    screen_ = std::move(canvas);
    oneX_.reset();
    return true;
}

void Surface::ratioMayHaveChanged()
{
    if (followRatio()) update(contentsRect());
}

// Another screen, or the desktop's scale changing on this one, may change the ratio. Qt 6.6
// says so with an event; before it, these signals are what is public. A hidden screen needs
// none of them: showing it again looks afresh.
void Surface::followWindow(QWindow* window)
{
    disconnect(screenChangedLink_);
    if (window) screenChangedLink_ = connect(window, &QWindow::screenChanged, this, &Surface::watchScreen);
    watchScreen(window ? window->screen() : nullptr);
}

// The screen the window is on now: its own resolution changes are followed from here on.
void Surface::watchScreen(QScreen* screen)
{
    disconnect(logicalDpiLink_);
    disconnect(physicalDpiLink_);
    if (!screen) return;
    logicalDpiLink_ =
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, &Surface::ratioMayHaveChanged);
    physicalDpiLink_ =
        connect(screen, &QScreen::physicalDotsPerInchChanged, this, &Surface::ratioMayHaveChanged);
    ratioMayHaveChanged();
}

void Surface::showEvent(QShowEvent* event)
{
    followWindow(window()->windowHandle());
    QFrame::showEvent(event);
}

void Surface::hideEvent(QHideEvent* event)
{
    followWindow(nullptr);
    QFrame::hideEvent(event);
}

bool Surface::event(QEvent* event)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    if (event->type() == QEvent::DevicePixelRatioChange) ratioMayHaveChanged();
#endif
    return QFrame::event(event);
}

// Text on the picture is aliased, so every painted pixel is in the pen's palette colour.
void Surface::takeFont()
{
    textFont_ = font();
    textFont_.setStyleStrategy(QFont::NoAntialias);
    lineHeight_ = QFontMetrics(textFont_).height();
}

void Surface::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        takeFont();
        screen_.setFont(textFont_);
        if (oneX_) oneX_->setFont(textFont_);
        if (base_) base_->setFont(textFont_);
    }
    QFrame::changeEvent(event);
}

void Surface::paintEvent(QPaintEvent* event)
{
    followRatio();
    // The sunken frame costs more to draw than the picture: only when it was uncovered.
    if (!contentsRect().contains(event->rect())) QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), screen_.image());
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
