// Display mode and offsets, and the full time-domain picture, through the window.
#include "support/Frames.h"
#include "support/Window.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

using namespace testing_support;
using display::Surface;

namespace {
class Mode : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        FrameFields f;
        f.ch1.fill(200);
        f.ch2.fill(60);
        w->Reception(onWire(frameText(f)));
    }
    QImage picture() const { return w->Scope->Image().copy(); }
    int count(QRgb c) const
    {
        const QImage& img = w->Scope->Image();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixel(x, y) == c;
        return n;
    }
    // Row of the flat channel-1 trace in the middle of the screen.
    int rowOfChannel(int channel) const
    {
        const QImage& img = w->Scope->Image();
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(150, y) == Surface::QBColor(channel)) return y;
        return -1;
    }
};
} // namespace

TEST_F(Mode, FrameDrawsTracesLegendAndMeasurements)
{
    const double h = w->Scope->ScaleHeight();
    EXPECT_EQ(rowOfChannel(1), display::twipsToPixel(float(h * (255 - 200) / 255)));
    EXPECT_EQ(rowOfChannel(2), display::twipsToPixel(float(h * (255 - 60) / 255)));
    EXPECT_EQ(w->lblCH1moy->text(), QStringLiteral("200"));
    EXPECT_EQ(w->lblCH2min->text(), QStringLiteral("60"));
    EXPECT_EQ(w->lblCH2delta->text(), QStringLiteral("0"));
    EXPECT_GT(count(Surface::QBColor(5)), 20) << "the time base and trigger legend";
}

TEST_F(Mode, OptionButtonAloneChangesTheModeWithoutRedrawing)
{
    const QImage before = picture();
    QTest::mouseClick(w->chkXY, Qt::LeftButton);
    EXPECT_TRUE(w->chkXY->isChecked());
    EXPECT_FALSE(w->chkScope->isChecked());
    EXPECT_EQ(picture(), before);
    w->Slider2_Click(3); // any redraw now draws XY
    EXPECT_EQ(rowOfChannel(2), -1) << "no channel-2 trace in XY";
    EXPECT_GT(count(Surface::QBColor(1)), 0) << "the XY point";
}

TEST_F(Mode, ModeButtonsRedrawEvenInTheirOwnMode)
{
    w->Scope->Cls();
    QTest::mouseClick(w->cmdScope, Qt::LeftButton);
    EXPECT_NE(rowOfChannel(1), -1);
    QTest::mouseClick(w->CmdXY, Qt::LeftButton);
    EXPECT_TRUE(w->chkXY->isChecked());
    w->Scope->Cls();
    QTest::mouseClick(w->CmdXY, Qt::LeftButton);
    EXPECT_GT(count(Surface::QBColor(1)), 0);
    QTest::mouseClick(w->cmdScope, Qt::LeftButton);
    EXPECT_TRUE(w->chkScope->isChecked());
    EXPECT_NE(rowOfChannel(2), -1) << "the time-domain redraw replaces the XY picture";
}

TEST_F(Mode, SliderShiftsItsChannelAndRedraws)
{
    const int before = rowOfChannel(1);
    w->Slider2(1)->setValue(138); // the user moved the thumb down by 10
    const double h = w->Scope->ScaleHeight();
    EXPECT_EQ(rowOfChannel(1),
              display::twipsToPixel(float(h * (138 + 55 - Tracage::kDecalageNul) / kCodeMax)));
    EXPECT_GT(rowOfChannel(1), before);
    QTest::mouseClick(w->CmdResetOffset(1), Qt::LeftButton);
    EXPECT_EQ(w->Slider2(1)->value(), Tracage::kDecalageNul);
    EXPECT_EQ(rowOfChannel(1), before);
}

TEST_F(Mode, ResetAtCentreStillRedraws)
{
    w->Scope->Cls();
    QTest::mouseClick(w->CmdResetOffset(2), Qt::LeftButton);
    EXPECT_NE(rowOfChannel(2), -1);
}

TEST_F(Mode, TickingABoxShowsAtTheNextRedrawOnly)
{
    const QImage before = picture();
    w->CH(4)->setChecked(true);
    EXPECT_EQ(picture(), before);
    QTest::mouseClick(w->cmdScope, Qt::LeftButton);
    EXPECT_GT(count(Surface::QBColor(4)), 80) << "the red test sine";
}

TEST_F(Mode, XYLeavesMeasurementsAsTheLastTimeDomainRedrawLeftThem)
{
    QTest::mouseClick(w->CmdXY, Qt::LeftButton);
    FrameFields f;
    f.ch1.fill(10);
    w->Reception(onWire(frameText(f)));
    EXPECT_EQ(w->lblCH1moy->text(), QStringLiteral("200"));
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("500mV/div"));
}

TEST_F(Mode, XYOffsetsShiftTheFigure)
{
    QTest::mouseClick(w->CmdXY, Qt::LeftButton);
    const double ww = w->Scope->ScaleWidth(), h = w->Scope->ScaleHeight();
    // Both channels are constant: the figure is one point, in the colour the graticule left.
    const auto pointAt = [&](int o1, int o2) {
        const float x = float(ww * 0.1 + ww * (0.8 * (200 - o1 + Tracage::kDecalageNul) / kCodeMax));
        const float y = float(h * (o2 + (kCodeMax - 60) - Tracage::kDecalageNul) / kCodeMax);
        return w->Scope->Image().pixel(display::twipsToPixel(x), display::twipsToPixel(y)) ==
               Surface::QBColor(9);
    };
    EXPECT_TRUE(pointAt(Tracage::kDecalageNul, Tracage::kDecalageNul));
    w->Slider2(1)->setValue(100);
    w->Slider2(2)->setValue(150);
    EXPECT_TRUE(pointAt(100, 150));
    EXPECT_FALSE(pointAt(Tracage::kDecalageNul, Tracage::kDecalageNul));
}
