#include "ui/FormAbout.h"

#include "display/Twips.h"
#include "ui/Artwork.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <functional>
#include <utility>

namespace {

using display::twipsToPixel;

QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixel(left), twipsToPixel(top), twipsToPixel(width), twipsToPixel(height)};
}

// A picture that answers a click: press and release of the left button over it.
class ClickablePicture final : public QLabel
{
public:
    ClickablePicture(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick))
    {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { pressed_ = event->button() == Qt::LeftButton; }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool click =
            pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        pressed_ = false;
        if (click) onClick_();
    }

private:
    std::function<void()> onClick_;
    bool pressed_ = false;
};

// The board's LCD has dark pixels on a yellow-green backlight; the picture stays one bit.
QPixmap lcdPixmap(QImage screen)
{
    screen.setColorTable({qRgb(184, 204, 92), qRgb(28, 40, 28)});
    return QPixmap::fromImage(screen);
}

} // namespace

FormAbout::FormAbout()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(twipsToPixel(6090), twipsToPixel(4365));
    setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window ends the program even while this one is shown.
    setAttribute(Qt::WA_QuitOnClose, false);

    const auto hideWindow = [this] { hide(); };
    struct Picture
    {
        const char* name;
        QString description;
        QRect geometry;
        QPixmap pixmap;
    };
    const Picture pictures[] = {
        {"Image1", QStringLiteral("\u00c9cran du menu principal de la carte"), twipsRect(120, 120, 1920, 960),
         lcdPixmap(Artwork::boardScreen(Artwork::BoardScreen::MainMenu))},
        {"Image2", QStringLiteral("\u00c9cran de la base de temps de la carte"),
         twipsRect(480, 1680, 1920, 960), lcdPixmap(Artwork::boardScreen(Artwork::BoardScreen::TimeBase))},
        {"Image3", QStringLiteral("\u00c9cran du d\u00e9clenchement de la carte"),
         twipsRect(960, 3240, 1920, 960), lcdPixmap(Artwork::boardScreen(Artwork::BoardScreen::Trigger))},
        {"Picture1", QStringLiteral("Photographie de la carte d'acquisition"),
         twipsRect(3000, 120, 3015, 4095), QPixmap::fromImage(Artwork::boardPicture())},
    };
    for (const Picture& picture : pictures) {
        auto* label = new ClickablePicture(this, hideWindow);
        label->setObjectName(QLatin1String(picture.name));
        label->setAccessibleName(picture.description);
        label->setGeometry(picture.geometry);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setPixmap(picture.pixmap);
    }

    struct Caption
    {
        int index;
        QString text;
        QRect geometry;
    };
    const Caption captions[] = {
        {0, QStringLiteral("Oscilloscope num\u00e9rique"), twipsRect(0, 1080, 2895, 255)},
        {2, QStringLiteral("Max114-PIC16F877"), twipsRect(0, 1320, 2895, 255)},
        {1, QStringLiteral("Deux voies, 8 bits"), twipsRect(120, 2760, 2895, 255)},
        {3, QStringLiteral("Liaison s\u00e9rie 115200 bit/s"), twipsRect(0, 3000, 2895, 255)},
    };
    for (const Caption& caption : captions) {
        auto* label = new QLabel(caption.text, this);
        label->setObjectName(QStringLiteral("LabelAbout(%1)").arg(caption.index));
        label->setAccessibleName(caption.text);
        label->setGeometry(caption.geometry);
        label->setAlignment(Qt::AlignCenter);
    }
}
