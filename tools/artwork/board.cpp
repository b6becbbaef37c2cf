#include "tools/artwork/board.h"

#include "tools/artwork/pixel_font.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace artwork {
namespace {

const QColor kSolderMask(24, 104, 58);
const QColor kCopper(46, 138, 78);
const QColor kSilkscreen(236, 240, 230);
const QColor kGold(214, 178, 84);
const QColor kTin(196, 200, 204);

QImage textImage(const QString& text, const QColor& colour)
{
    QImage image(std::max(1, textWidth(text)), kGlyphHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QRgb pixel = colour.rgba();
    drawText(0, 0, text, [&image, pixel](int x, int y) { image.setPixel(x, y, pixel); });
    return image;
}

// Pixel text is placed unscaled and without smoothing, so it stays as crisp as silkscreen.
void label(QPainter& p, int x, int y, const QString& text, const QColor& colour = kSilkscreen)
{
    p.drawImage(x, y, textImage(text, colour));
}

void centredLabel(QPainter& p, int centreX, int y, const QString& text, const QColor& colour = kSilkscreen)
{
    label(p, centreX - textWidth(text) / 2, y, text, colour);
}

// Reads bottom to top, as chip markings do on a DIP package standing upright.
void verticalLabel(QPainter& p, const QRect& body, const QString& text, const QColor& colour)
{
    const QImage image = textImage(text, colour);
    p.save();
    p.translate(body.center().x() - kGlyphHeight / 2 + 1, body.center().y() + image.width() / 2);
    p.rotate(-90);
    p.drawImage(0, 0, image);
    p.restore();
}

void board(QPainter& p)
{
    p.fillRect(0, 0, kBoardWidth, kBoardHeight, QColor(52, 50, 48));
    QLinearGradient mask(0, 0, kBoardWidth, kBoardHeight);
    mask.setColorAt(0, kSolderMask.lighter(112));
    mask.setColorAt(1, kSolderMask.darker(110));
    p.setPen(QPen(kSolderMask.darker(150), 1));
    p.setBrush(mask);
    p.drawRoundedRect(QRectF(3.5, 3.5, kBoardWidth - 7, kBoardHeight - 7), 6, 6);
    for (const QPointF centre : {QPointF(11, 11), QPointF(189, 11), QPointF(11, 260), QPointF(189, 260)}) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawEllipse(centre, 4.5, 4.5);
        p.setBrush(QColor(52, 50, 48));
        p.drawEllipse(centre, 2.5, 2.5);
    }
}

void traces(QPainter& p)
{
    p.setPen(QPen(kCopper, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    // Inputs to the converter.
    p.drawPolyline(QPolygonF(
        {QPointF(26, 226), QPointF(26, 221), QPointF(82, 221), QPointF(82, 181), QPointF(86, 181)}));
    p.drawPolyline(QPolygonF(
        {QPointF(70, 226), QPointF(70, 223), QPointF(84, 223), QPointF(84, 176), QPointF(86, 176)}));
    // Converter data bus to the microcontroller.
    for (int i = 0; i < 8; ++i) {
        const double y = 127 + 5 * i;
        p.drawPolyline(QPolygonF({QPointF(110, y), QPointF(124 + i, y), QPointF(124 + i, 120 + 5 * i + 2.5),
                                  QPointF(138, 120 + 5 * i + 2.5)}));
    }
    // Microcontroller to the display header and to the serial connector.
    for (int i = 0; i < 6; ++i)
        p.drawPolyline(
            QPolygonF({QPointF(170, 123 + 5 * i), QPointF(182 - i, 123 + 5 * i), QPointF(182 - i, 112),
                       QPointF(122 + 6 * i, 112), QPointF(122 + 6 * i, 107)}));
    p.drawPolyline(QPolygonF({QPointF(170, 213), QPointF(176, 213), QPointF(176, 232)}));
    p.drawPolyline(QPolygonF({QPointF(170, 208), QPointF(180, 208), QPointF(180, 232)}));
    // Keypad rows and columns.
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(72, 122 + 15 * i + (i == 4 ? 11 : 0)),
                   QPointF(79, 122 + 15 * i + (i == 4 ? 11 : 0)));
    p.drawLine(QPointF(79, 122), QPointF(79, 193));
}

void pads(QPainter& p, const QPointF& first, const QPointF& step, int count)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    for (int i = 0; i < count; ++i)
        p.drawEllipse(first + step * i, 1.6, 1.6);
}

void display(QPainter& p, const QImage& screen)
{
    const QRect module(16, 13, 168, 92);
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(QColor(40, 42, 44));
    p.drawRect(QRectF(module).adjusted(0.5, 0.5, -0.5, -0.5));
    QLinearGradient metal(module.topLeft(), module.bottomLeft());
    metal.setColorAt(0, QColor(170, 174, 178));
    metal.setColorAt(1, QColor(120, 124, 128));
    p.setBrush(metal);
    p.drawRect(QRectF(20.5, 16.5, 159, 84));

    const QRect glass(26, 21, 148, 76);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 170, 70));
    p.drawRect(glass);
    QImage coloured = screen.convertToFormat(QImage::Format_Mono);
    coloured.setColorTable({qRgb(176, 196, 86), qRgb(30, 44, 30)});
    p.drawImage(36, 27, coloured);
    // A faint reflection across the glass.
    QLinearGradient sheen(glass.topLeft(), glass.bottomRight());
    sheen.setColorAt(0, QColor(255, 255, 255, 50));
    sheen.setColorAt(0.45, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawRect(glass);

    pads(p, QPointF(43, 108), QPointF(6, 0), 20);
}

void keypad(QPainter& p)
{
    const QStringList captions = {"1", "2", "3", "4", "5",  "6",  "7", "8",
                                  "9", "*", "0", "#", "13", "14", "15"};
    for (int i = 0; i < int(captions.size()); ++i) {
        const int row = i / 3;
        const int column = i % 3;
        // The last row stands apart, below the coupling LEDs.
        const QRectF key(12 + 21 * column, 116 + 15 * row + (row == 4 ? 11 : 0), 17, 12);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(10, 40, 20, 120));
        p.drawRoundedRect(key.translated(1, 1.5), 2, 2);
        QLinearGradient face(key.topLeft(), key.bottomLeft());
        face.setColorAt(0, QColor(232, 228, 214));
        face.setColorAt(1, QColor(190, 184, 168));
        p.setBrush(face);
        p.setPen(QPen(QColor(120, 116, 104), 0.8));
        p.drawRoundedRect(key, 2, 2);
        centredLabel(p, int(key.center().x()) + 1, int(key.top()) + 3, captions[i], QColor(40, 40, 40));
    }
    // Coupling LEDs, as on the front panel: channel B at the left, channel A at the right.
    for (const double x : {23.0, 61.0}) {
        QRadialGradient glow(QPointF(x, 180), 5);
        glow.setColorAt(0, QColor(255, 120, 100));
        glow.setColorAt(1, QColor(170, 20, 20));
        p.setPen(QPen(QColor(90, 10, 10), 0.8));
        p.setBrush(glow);
        p.drawEllipse(QPointF(x, 180), 3.2, 3.2);
    }
    label(p, 13, 177, QStringLiteral("B"));
    label(p, 67, 177, QStringLiteral("A"));
}

void dip(QPainter& p, const QRect& body, int pinsPerSide, const QString& marking)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kTin);
    for (int i = 0; i < pinsPerSide; ++i) {
        const double y = body.top() + 2.5 + 5 * i;
        p.drawRect(QRectF(body.left() - 3, y - 1, 3, 2));
        p.drawRect(QRectF(body.right() + 1, y - 1, 3, 2));
    }
    QLinearGradient plastic(body.topLeft(), body.topRight());
    plastic.setColorAt(0, QColor(44, 44, 46));
    plastic.setColorAt(0.5, QColor(28, 28, 30));
    plastic.setColorAt(1, QColor(18, 18, 20));
    p.setBrush(plastic);
    p.setPen(QPen(QColor(10, 10, 10), 0.8));
    p.drawRect(QRectF(body).adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 72));
    p.drawChord(QRectF(body.center().x() - 3.5, body.top() - 3, 7, 7), 180 * 16, 180 * 16);
    p.drawEllipse(QPointF(body.left() + 4.5, body.top() + 8), 1.5, 1.5);
    verticalLabel(p, body, marking, QColor(205, 205, 200));
}

void quartz(QPainter& p)
{
    const QRectF can(108, 200, 26, 10);
    QLinearGradient shine(can.topLeft(), can.bottomLeft());
    shine.setColorAt(0, QColor(235, 238, 240));
    shine.setColorAt(0.5, QColor(170, 174, 180));
    shine.setColorAt(1, QColor(120, 124, 130));
    p.setPen(QPen(QColor(90, 94, 100), 0.8));
    p.setBrush(shine);
    p.drawRoundedRect(can, 5, 5);
    label(p, 112, 202, QStringLiteral("20M"), QColor(60, 60, 64));
    label(p, 110, 212, QStringLiteral("X1"));
}

void smallParts(QPainter& p)
{
    // Decoupling capacitors and resistors beside the chips.
    p.setPen(QPen(QColor(120, 90, 40), 0.6));
    p.setBrush(QColor(200, 150, 60));
    for (const QRectF& r : {QRectF(92, 190, 4, 7), QRectF(100, 190, 4, 7), QRectF(118, 186, 7, 4)})
        p.drawRoundedRect(r, 1, 1);
    p.setBrush(QColor(70, 110, 170));
    for (const QRectF& r : {QRectF(176, 186, 5, 9), QRectF(176, 168, 5, 9), QRectF(176, 150, 5, 9)})
        p.drawRoundedRect(r, 1, 1);
    // Electrolytic capacitor of the supply.
    p.setPen(QPen(QColor(20, 20, 60), 0.8));
    p.setBrush(QColor(30, 40, 110));
    p.drawEllipse(QPointF(97, 248), 7, 7);
    p.setBrush(QColor(170, 170, 180));
    p.drawEllipse(QPointF(97, 248), 3, 3);
}

void bnc(QPainter& p, const QPointF& centre, const QString& name)
{
    QPolygonF nut;
    for (int i = 0; i < 6; ++i) {
        const double angle = (60.0 * i + 30.0) * 3.14159265358979 / 180.0;
        nut << centre + QPointF(std::cos(angle), std::sin(angle)) * 13.0;
    }
    p.setPen(QPen(QColor(90, 94, 100), 0.8));
    p.setBrush(QColor(168, 172, 178));
    p.drawPolygon(nut);
    QRadialGradient body(centre - QPointF(3, 3), 12);
    body.setColorAt(0, QColor(240, 242, 244));
    body.setColorAt(1, QColor(130, 134, 140));
    p.setBrush(body);
    p.drawEllipse(centre, 9.5, 9.5);
    p.setBrush(QColor(236, 232, 220));
    p.drawEllipse(centre, 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawEllipse(centre, 1.8, 1.8);
    p.setBrush(QColor(120, 124, 130));
    p.drawEllipse(centre + QPointF(-10.5, 0), 1.5, 1.5);
    p.drawEllipse(centre + QPointF(10.5, 0), 1.5, 1.5);
    centredLabel(p, int(centre.x()), 210, name);
}

void serialConnector(QPainter& p)
{
    const QRectF shell(110, 234, 78, 26);
    p.setPen(QPen(QColor(90, 94, 100), 0.8));
    p.setBrush(QColor(176, 180, 186));
    p.drawRect(shell);
    p.setBrush(QColor(120, 124, 130));
    p.drawEllipse(QPointF(116, 247), 3, 3);
    p.drawEllipse(QPointF(182, 247), 3, 3);
    QPainterPath d;
    d.moveTo(125, 238);
    d.lineTo(173, 238);
    d.lineTo(169, 256);
    d.lineTo(129, 256);
    d.closeSubpath();
    p.setBrush(QColor(40, 44, 60));
    p.drawPath(d);
    pads(p, QPointF(133, 243), QPointF(8, 0), 5);
    pads(p, QPointF(137, 251), QPointF(8, 0), 4);
    label(p, 134, 224, QStringLiteral("RS232"));
}

} // namespace

QImage boardPicture(const QImage& lcdScreen)
{
    QImage image(kBoardWidth, kBoardHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    board(p);
    traces(p);
    display(p, lcdScreen);
    keypad(p);
    dip(p, QRect(89, 124, 20, 60), 12, QStringLiteral("MAX114"));
    dip(p, QRect(141, 118, 28, 100), 20, QStringLiteral("PIC16F877"));
    label(p, 89, 114, QStringLiteral("U1"));
    label(p, 176, 200, QStringLiteral("U2"));
    quartz(p);
    smallParts(p);
    bnc(p, QPointF(26, 239), QStringLiteral("VOIE A"));
    bnc(p, QPointF(70, 239), QStringLiteral("VOIE B"));
    serialConnector(p);
    return image;
}

} // namespace artwork
