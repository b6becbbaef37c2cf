#include "ui/DebugLabel.h"

#include <QImage>
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
