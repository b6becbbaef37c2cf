// The window moved from screen to screen, on two screens of different ratios (the ctest entry
// ShownScreen.FollowsTheWindowAcrossScreens.OnTwoScreens gives the offscreen platform two such
// screens).
#include "display/Surface.h"
#include "display/Tracage.h"
#include "support/Wait.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using display::Surface;

namespace {

void draw(Surface& s)
{
    Tracage::TraceGrille(s);
    s.setDrawMode(Surface::Invert);
    s.setDrawStyle(Surface::Dashed);
    s.PSet(300, 200);
    s.Line(4500, 3100);
}

struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

// Moved to a screen of another ratio, the screen's picture is drawn again at that ratio as Qt
// reports the move, not at the next paint: with the window's updates held off nothing paints.
// (Qt 6.4 reports it within the move, Qt 6.8 from the event loop.)
TEST(ShownScreen, FollowsTheWindowAcrossScreens)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) GTEST_SKIP() << "one screen: tests/support/two_screens.json gives two";
    ASSERT_NE(screens[0]->devicePixelRatio(), screens[1]->devicePixelRatio());
    QWidget window;
    auto* const s = new Surface(QSize(329, 263), &window);
    window.move(screens[0]->geometry().topLeft() + QPoint(40, 40));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    draw(*s);
    window.setUpdatesEnabled(false);
    PaintCounter counter;
    s->installEventFilter(&counter);
    for (QScreen* to : {screens[1], screens[0], screens[1]}) {
        window.move(to->geometry().topLeft() + QPoint(40, 40));
        ASSERT_TRUE(testing_support::waitFor([&] { return window.windowHandle()->screen() == to; }));
        Surface expected(QSize(329, 263));
        expected.setDeviceRatio(to->devicePixelRatio());
        draw(expected);
        EXPECT_TRUE(testing_support::waitFor([&] { return s->deviceRatio() == to->devicePixelRatio(); }))
            << qPrintable(to->name()) << ": still at " << s->deviceRatio();
        EXPECT_TRUE(s->screenImage() == expected.screenImage()) << qPrintable(to->name());
    }
    EXPECT_EQ(counter.paints, 0);
}
