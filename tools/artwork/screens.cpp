#include "tools/artwork/screens.h"

#include "tools/artwork/lcd.h"
#include "tools/artwork/pixel_font.h"

#include <QStringList>
#include <cmath>
#include <numbers>

namespace artwork {
namespace {

constexpr QRect kScreen(0, 0, Lcd::kWidth, Lcd::kHeight);
constexpr QRect kTitle(2, 2, Lcd::kWidth - 4, 10);

void titled(Lcd& lcd, const QString& title)
{
    lcd.frame(kScreen);
    lcd.bar(kTitle, (Lcd::kWidth - textWidth(title)) / 2, title);
}

} // namespace

QImage mainMenuScreen()
{
    Lcd lcd;
    titled(lcd, QStringLiteral("MENU PRINCIPAL"));
    const QStringList items = {QStringLiteral("Base de temps"), QStringLiteral("Gain voie A"),
                               QStringLiteral("Gain voie B"), QStringLiteral("D\u00e9clenchement")};
    constexpr int selected = 0;
    for (int i = 0; i < int(items.size()); ++i) {
        const int top = 15 + 12 * i;
        const QString line = QString::number(i + 1) + QStringLiteral(" ") + items[i];
        if (i == selected) {
            lcd.bar(QRect(4, top - 1, 112, 11), 8, line);
        } else {
            lcd.text(8, top + 1, line);
        }
    }
    // Scroll bar: four of six entries fit on the screen.
    lcd.dottedLine(121, 15, 121, 60);
    lcd.fill(QRect(120, 15, 3, 30));
    return lcd.image();
}

QImage timeBaseScreen()
{
    Lcd lcd;
    titled(lcd, QStringLiteral("BASE DE TEMPS"));
    const QStringList values = {QStringLiteral(" 50\u00b5s/div"), QStringLiteral("100\u00b5s/div"),
                                QStringLiteral("200\u00b5s/div"), QStringLiteral("500\u00b5s/div")};
    constexpr int selected = 2;
    for (int i = 0; i < int(values.size()); ++i) {
        const int top = 14 + 10 * i;
        if (i == selected)
            lcd.bar(QRect(2, top - 1, 65, 9), 6, values[i]);
        else
            lcd.text(6, top, values[i]);
    }
    lcd.line(69, 13, 69, 51);

    // One division of a square wave at the chosen base, with its width marked.
    lcd.text(74, 15, QStringLiteral("80 pts"));
    int x = 74;
    for (int period = 0; period < 3; ++period, x += 16) {
        lcd.line(x, 44, x, 32);
        lcd.line(x, 32, x + 8, 32);
        lcd.line(x + 8, 32, x + 8, 44);
        lcd.line(x + 8, 44, x + 16, 44);
    }
    lcd.line(74, 27, 90, 27);
    lcd.line(74, 25, 74, 29);
    lcd.line(90, 25, 90, 29);

    const QString keys = QStringLiteral("*:Retour  #:Valider");
    lcd.bar(QRect(2, 53, Lcd::kWidth - 4, 9), (Lcd::kWidth - textWidth(keys)) / 2, keys);
    return lcd.image();
}

QImage triggerScreen()
{
    Lcd lcd;
    titled(lcd, QStringLiteral("DECLENCHEMENT"));
    lcd.text(4, 15, QStringLiteral("Voie   A"));
    lcd.text(4, 26, QStringLiteral("Front"));
    // Rising-edge symbol after "Front".
    lcd.line(40, 32, 44, 32);
    lcd.line(44, 32, 44, 26);
    lcd.line(44, 26, 49, 26);
    for (const int side : {-1, 1}) {
        lcd.set(44 + side, 28);
        lcd.set(44 + 2 * side, 29);
    }
    lcd.bar(QRect(2, 36, 58, 10), 4, QStringLiteral("Niv.  128"));
    lcd.text(4, 50, QStringLiteral("Mode Auto"));

    // Preview: a sine crossing the dotted level line, the trigger point marked above it.
    const QRect box(63, 14, 62, 47);
    lcd.frame(box);
    const int level = box.top() + box.height() / 2 - 4;
    lcd.dottedLine(box.left() + 2, level, box.right() - 2, level);
    int previousY = 0;
    for (int x = box.left() + 2; x <= box.right() - 2; ++x) {
        const double phase = (x - box.left() - 2) * 2.0 * std::numbers::pi / 40.0;
        const int y = box.top() + box.height() / 2 - int(std::lround(17.0 * std::sin(phase - 0.9)));
        if (x > box.left() + 2) lcd.line(x - 1, previousY, x, y);
        previousY = y;
    }
    const int triggerX =
        box.left() + 2 + int(std::lround((0.9 + std::asin(4.0 / 17.0)) * 40.0 / (2 * std::numbers::pi)));
    lcd.dottedLine(triggerX, box.top() + 2, triggerX, box.bottom() - 2);
    lcd.line(triggerX - 2, box.top() + 2, triggerX + 2, box.top() + 2);
    lcd.line(triggerX - 1, box.top() + 3, triggerX + 1, box.top() + 3);
    return lcd.image();
}

} // namespace artwork
