#include "ui/DebugLabel.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {
// What the label shows, as pixels.
QImage shot(ui::DebugLabel& l)
{
    QImage img(l.size(), QImage::Format_RGB32);
    l.render(&img);
    return img;
}
} // namespace

TEST(DebugLabel, KeepsTheWholeTextAndShowsWhatFits)
{
    ui::DebugLabel l(QStringLiteral("Labeldebug1"));
    l.resize(129, 129);
    l.setVisibleHeight(120);
    const QString frame = QString(388, QLatin1Char('A'));
    l.setText(frame.left(50));
    l.flush();
    const QImage partial = shot(l);
    l.setText(frame);
    l.flush();
    EXPECT_EQ(l.text(), frame);
    const QImage full = shot(l);
    l.setText(frame + QStringLiteral("BBBB"));
    l.flush();
    EXPECT_EQ(shot(l), full) << "text beyond the visible rows changes nothing";
    l.setText(QStringLiteral("short"));
    l.flush();
    EXPECT_NE(shot(l), full);
    EXPECT_NE(partial, full) << "a longer text fills more rows";
}

TEST(DebugLabel, NeverDrawsBelowTheVisibleHeight)
{
    ui::DebugLabel l{QString()};
    l.resize(129, 129);
    l.setVisibleHeight(60);
    const QImage blank = shot(l);
    l.setText(QString(2000, QLatin1Char('W')));
    const QImage img = shot(l);
    EXPECT_EQ(img.copy(0, 60, 129, 69), blank.copy(0, 60, 129, 69));
    EXPECT_NE(img.copy(0, 0, 129, 60), blank.copy(0, 0, 129, 60));
}

// The label keeps what it measured of the text before and redraws only what changed; after
// any run of changes its picture must be that of a label given the final text at once.
TEST(DebugLabel, AnyRunOfChangesShowsWhatAFreshLabelShows)
{
    {
        // The character that opened the second line becomes one that fits on the first.
        ui::DebugLabel l{QString()}, fresh{QString()};
        for (ui::DebugLabel* d : {&l, &fresh})
            d->resize(129, 129);
        QString text = QString(40, QLatin1Char('W'));
        l.setText(text);
        for (int i = 0; i < text.size(); ++i) {
            QString edited = text;
            edited[i] = QLatin1Char('i');
            l.setText(edited);
            l.flush();
            fresh.setText(edited);
            fresh.flush();
            ASSERT_EQ(shot(l), shot(fresh)) << "narrow character at " << i;
            l.setText(text);
        }
    }
    const QString alphabet = QStringLiteral("iW m#\x04\x1b\xe9.0");
    quint32 seed = 12345;
    const auto next = [&](quint32 n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (int run = 0; run < 300; ++run) {
        ui::DebugLabel l{QString()};
        l.resize(129, 129);
        l.setVisibleHeight(120 - 7 * (run % 5));
        QString text;
        for (int change = 0; change < 30; ++change) {
            switch (next(6)) {
            case 0: // a frame begins
                text.clear();
                break;
            case 1: // a character somewhere is replaced
            case 2:
            case 3:
                if (!text.isEmpty()) text[next(quint32(text.size()))] = alphabet[next(quint32(alphabet.size()))];
                break;
            case 4: // cut back
                text.truncate(qsizetype(next(quint32(text.size()) + 1)));
                break;
            default: // a chunk arrives
                for (quint32 n = next(60) + 1; n > 0; --n)
                    text += alphabet[next(quint32(alphabet.size()))];
            }
            l.setText(text);
            if (next(3) == 0) l.flush();
        }
        l.flush();
        ui::DebugLabel fresh{text};
        fresh.resize(l.size());
        fresh.setVisibleHeight(120 - 7 * (run % 5));
        ASSERT_EQ(shot(l), shot(fresh)) << "run " << run << ", text \"" << text.toStdString() << '"';
    }
}

// Characters narrow and wide (in a large font, wider than any fixed-size copy) land where a
// painter drawing them one after the other puts them, and nothing else is on the line.
TEST(DebugLabel, ShowsEachCharacterAsAPainterDrawsIt)
{
    const QString text = QStringLiteral("CH-A gain:500m W@i|");
    for (const int pointSize : {0, 40}) {
        ui::DebugLabel l{QString()};
        QFont font = l.font();
        if (pointSize > 0) font.setPointSize(pointSize);
        l.setFont(font);
        l.resize(2000, 100);
        l.setText(text);
        l.flush();
        QImage expected(l.size(), QImage::Format_RGB32);
        expected.fill(l.palette().color(QPalette::Window));
        {
            QPainter p(&expected);
            p.setFont(font);
            p.setPen(l.palette().color(QPalette::WindowText));
            const QFontMetrics metrics(font);
            int x = 0;
            for (const QChar c : text) {
                // Each character is drawn on its own background, so clip it to its advance.
                p.setClipRect(x, 0, metrics.horizontalAdvance(c), metrics.lineSpacing());
                p.drawText(x, metrics.ascent(), QString(c));
                x += metrics.horizontalAdvance(c);
            }
            ASSERT_LT(x, l.width()) << "the text must fit on one line";
        }
        EXPECT_EQ(shot(l), expected) << "point size " << pointSize;
    }
}
