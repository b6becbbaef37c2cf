// Run/Stop unticked, keys step through the past whatever has the focus, each frame as it was live.
#include "support/Frames.h"
#include "support/Window.h"

#include <QCheckBox>
#include <QImage>
#include <QSlider>
#include <QTest>

using namespace testing_support;

TEST_F(WindowTest, PageUpAndDownShowThePastAsItLookedLive)
{
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    std::vector<std::pair<QImage, QString>> live;
    const auto receive = [&](int k) {
        FrameFields f;
        f.ch1 = ramp(10 + 50 * k, 1);
        f.ch2 = ramp(240 - 30 * k, -2);
        f.time = k % 2 ? " 20u" : "100m";
        com1.write(onWire(frameText(f)));
        ASSERT_TRUE(waitFor([&] { return w->framesDecoded == quint64(k + 1); }));
        live.emplace_back(w->Scope->Image(), w->lblCH1moy->text());
    };
    for (int k = 0; k < 4; ++k)
        receive(k);
    w->chkRunStop->click();
    w->Slider2(1)->setFocus();
    const auto shows = [&](Qt::Key key, int k) {
        QTest::keyClick(w->Slider2(1), key);
        EXPECT_EQ(std::make_pair(w->Scope->Image(), w->lblCH1moy->text()), live[std::size_t(k)]) << k;
    };
    shows(Qt::Key_PageUp, 2);
    shows(Qt::Key_PageUp, 1);
    EXPECT_EQ(w->Slider2(1)->value(), 128) << "the keys are the window's, not the slider's";
    shows(Qt::Key_PageDown, 2);
    receive(4);
    EXPECT_EQ(w->Scope->Image(), live[2].first) << "a frame arriving changes nothing on the screen";
    EXPECT_TRUE(w->passePanel->text().endsWith(QStringLiteral(" \u2014 \u22122")));
    shows(Qt::Key_Home, 0);
    QTest::keyClick(w->Slider2(1), Qt::Key_End);
    EXPECT_EQ(w->trameAffichee(), w->historique.at(4));
    w->chkRunStop->click();
    receive(5);
    EXPECT_EQ(w->trameAffichee(), w->historique.at(5)) << "live again";
    QTest::keyClick(w->Slider2(1), Qt::Key_PageUp);
    EXPECT_NE(w->Slider2(1)->value(), 128) << "running, the keys are the slider's again";
}
