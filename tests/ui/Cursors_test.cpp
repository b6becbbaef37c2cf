// Dragging the cursors with real mouse events on the screen, and their readouts.
#include "support/Frames.h"
#include "support/Window.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

using namespace testing_support;
using display::Surface;

namespace {
class Cursors : public WindowTest
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        WindowTest::SetUp();
    }

    // A mouse event at a pixel of the picture (its inner area), with buttons and keys held.
    void send(QEvent::Type type, QPointF pixel, Qt::MouseButton button, Qt::MouseButtons held,
              Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const QPointF local = pixel + QPointF(w->Scope->contentsRect().topLeft());
        QMouseEvent e(type, local, w->Scope->mapToGlobal(local), button, held, mods);
        QApplication::sendEvent(w->Scope, &e);
    }
    void drag(QPointF from, QPointF to, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        send(QEvent::MouseButtonPress, from, button, button, mods);
        send(QEvent::MouseMove, to, Qt::NoButton, button, mods);
        send(QEvent::MouseButtonRelease, to, button, Qt::NoButton, mods);
    }
    static QPointF px(double twipsX, double twipsY) { return {twipsX / 15, twipsY / 15}; }
    int invertedInColumn(int x) const
    {
        const QImage& img = w->Scope->Image();
        int n = 0;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb c = img.pixel(x, y);
            n += c == (w->Scope->backColor().rgb() ^ 0x00FFFFFF);
        }
        return n;
    }
};
} // namespace

TEST_F(Cursors, LeftAndRightDragsMoveTheTimeCursors)
{
    w->ChkCursTemps->setChecked(true);
    drag(px(1200, 500), px(1230, 700), Qt::LeftButton);
    drag(px(3000, 500), px(3690, 700), Qt::RightButton);
    EXPECT_EQ(w->curseurs.oldX, 1230);
    EXPECT_EQ(w->curseurs.oldX2, 3690);
    // 100 ms per division over 4935 twips of width.
    EXPECT_EQ(w->LblCursT1->text(), QStringLiteral("249.2ms"));
    EXPECT_EQ(w->LblCursT2->text(), QStringLiteral("747.7ms"));
    EXPECT_EQ(w->lblCursTdiff->text(), QStringLiteral("498.5ms"));
    EXPECT_EQ(w->lblCursFrq->text(), QStringLiteral("2.01Hz"));
    EXPECT_EQ(invertedInColumn(1230 / 15) > 100, true) << "line drawn for cursor 1";
    EXPECT_EQ(invertedInColumn(3690 / 15) > 100, true) << "line drawn for cursor 2";
    EXPECT_EQ(w->lblVa1->text(), QStringLiteral("0")) << "voltage readouts untouched";
}

TEST_F(Cursors, ShiftDragMovesTheVoltageCursors)
{
    w->ChkCursTension->setChecked(true);
    w->ChkCursTemps->setChecked(true);
    drag(px(100, 100), px(100, 986), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(w->curseurs.oldY, 986);
    EXPECT_EQ(w->curseurs.oldX, 0) << "Shift leaves the time cursors";
    // d1 = 4 - 8 * 986 / 3945 = 2.0 divisions of 500 mV and of 2 V.
    EXPECT_EQ(w->lblVa1->text(), QStringLiteral("1000mV"));
    EXPECT_EQ(w->lblVb1->text(), QStringLiteral("4V"));
    EXPECT_EQ(w->LblCursT1->text(), QStringLiteral("0"));
}

TEST_F(Cursors, CtrlOrAltMoveNothingButStillRedraw)
{
    w->ChkCursTemps->setChecked(true);
    w->ChkCursTension->setChecked(true);
    for (Qt::KeyboardModifiers mods :
         {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers(Qt::AltModifier),
          Qt::ShiftModifier | Qt::ControlModifier}) {
        w->Scope->Cls();
        drag(px(900, 900), px(2000, 2000), Qt::LeftButton, mods);
        EXPECT_EQ(w->curseurs.oldX, 0);
        EXPECT_EQ(w->curseurs.oldY, 0);
        EXPECT_EQ(w->Scope->Image().pixel(display::twipsToPixel(w->Scope->ScaleWidth() / 2), 30),
                  Surface::QBColor(0))
            << "redrawn";
    }
}

TEST_F(Cursors, FarOutsideTheScreenClampsWithoutOverflow)
{
    w->ChkCursTemps->setChecked(true);
    w->ChkCursTension->setChecked(true);
    send(QEvent::MouseButtonPress, px(2000, 2000), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, QPointF(5000, 9000), Qt::NoButton, Qt::LeftButton); // 75000 twips away
    EXPECT_EQ(w->curseurs.oldX, 4935);
    send(QEvent::MouseMove, QPointF(-4000, -9000), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w->curseurs.oldX, 0);
    send(QEvent::MouseMove, QPointF(100, 9000), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(w->curseurs.oldY, 3945);
    send(QEvent::MouseButtonRelease, QPointF(100, 9000), Qt::LeftButton, Qt::NoButton);
}

TEST_F(Cursors, MovingWithoutAButtonChangesNothing)
{
    w->ChkCursTemps->setChecked(true);
    w->Scope->Cls();
    const QImage before = w->Scope->Image().copy();
    send(QEvent::MouseMove, px(2000, 2000), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w->curseurs.oldX, 0);
    EXPECT_EQ(w->Scope->Image(), before);
    EXPECT_EQ(w->LblCursT1->text(), QStringLiteral("0"));
}

TEST_F(Cursors, ADragHoldsThePictureNotThePort)
{
    send(QEvent::MouseButtonPress, px(100, 100), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(w->MSComm1->PortOpen());
    const QImage held = w->Scope->Image();
    w->Reception(onWire(frameText(FrameFields{})));
    EXPECT_EQ(w->framesDecoded, 1u);
    EXPECT_EQ(w->Scope->Image(), held) << "not drawn under the drag";
    send(QEvent::MouseButtonRelease, px(100, 100), Qt::LeftButton, Qt::NoButton);
    EXPECT_NE(w->Scope->Image(), held) << "the release shows the newest";
    EXPECT_EQ(comport(), QStringLiteral("COM1"));
    // A box takes the release: it ends the drag, and the next frame is drawn.
    send(QEvent::MouseButtonPress, px(100, 100), Qt::LeftButton, Qt::LeftButton);
    w->open_com(3);
    ASSERT_EQ(dialogs.warnings.size(), 1);
    const QImage boxed = w->Scope->Image();
    FrameFields other;
    other.ch1 = ramp(5, 2);
    w->Reception(onWire(frameText(other)));
    EXPECT_NE(w->Scope->Image(), boxed);
}

TEST_F(Cursors, LinesSurviveAModeSwitchAndANewFrame)
{
    w->ChkCursTemps->setChecked(true);
    drag(px(100, 100), px(1500, 100), Qt::LeftButton);
    const int column = 1500 / 15;
    EXPECT_GT(invertedInColumn(column), 100);
    w->CmdXY->click();
    EXPECT_EQ(invertedInColumn(column), 0) << "XY redraws without cursor lines";
    drag(px(100, 100), px(1500, 100), Qt::LeftButton);
    EXPECT_GT(invertedInColumn(column), 100) << "in XY the drag draws them after its redraw";
    w->cmdScope->click();
    w->Reception(onWire(frameText(FrameFields{})));
    EXPECT_GT(invertedInColumn(column), 100) << "a time-domain frame redraws them";
    EXPECT_EQ(w->curseurs.oldX, 1500);
}

TEST_F(Cursors, ReadoutsFollowTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    w->ChkCursTemps->setChecked(true);
    drag(px(100, 100), px(0, 100), Qt::LeftButton);
    drag(px(100, 100), px(987, 100), Qt::RightButton); // a fifth of the width: 2 divisions
    EXPECT_EQ(w->LblCursT2->text(), QStringLiteral("200ms"));
    EXPECT_EQ(w->lblCursTdiff->text(), QStringLiteral("200,0ms"));
    EXPECT_EQ(w->lblCursFrq->text(), QStringLiteral("5,00Hz"));
    drag(px(100, 100), px(1234, 100), Qt::LeftButton);
    EXPECT_EQ(w->LblCursT1->text(), QStringLiteral("250,1ms"));
    QLocale::setDefault(saved);
}
