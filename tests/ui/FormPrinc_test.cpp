// The front panel: its start state, frames arriving through the real port, port management.
#include "support/Frames.h"
#include "support/Window.h"
#include "ui/Led.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using acquisition::RxState;
using namespace testing_support;

namespace {
constexpr auto kTimeout = acquisition::FrameAssembler::kTimeout;

class Panel : public WindowTest
{
protected:
    void deliver(const QByteArray& bytes)
    {
        com1.write(bytes);
        waitFor([&] { return w->MSComm1->PortOpen() && status() == QStringLiteral("Rx OK"); });
    }
};
} // namespace

TEST_F(Panel, StartState)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Vantor LCD"));
    EXPECT_TRUE(w->chkScope->isChecked());
    EXPECT_FALSE(w->chkXY->isChecked());
    EXPECT_TRUE(w->chkRunStop->isChecked());
    for (int n = 1; n <= 4; ++n) {
        EXPECT_FALSE(w->CH(n)->isChecked()) << n;
        EXPECT_FALSE(w->AC_CH(n)->isChecked()) << n;
        EXPECT_EQ(w->Slider2(n)->value(), Tracage::kDecalageNul) << n;
    }
    EXPECT_FALSE(w->ChkCursTemps->isChecked());
    EXPECT_FALSE(w->ChkCursTension->isChecked());
    for (QLabel* v : {w->lblCH1min, w->lblCH2delta, w->lblVa1, w->lblVbDiff, w->LblCursT1, w->lblCursFrq})
        EXPECT_EQ(v->text(), QStringLiteral("0")) << v->objectName().toStdString();
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("500mV/div"));
    EXPECT_EQ(w->lblTime->text(), QStringLiteral("100ms/div"));
    EXPECT_EQ(w->lblTrig->text(), QStringLiteral("Auto>128"));
    EXPECT_EQ(w->lbl_debug1->text(), QStringLiteral("Labeldebug1"));
    EXPECT_EQ(acquisition::timeBase(w->trameAffichee().trame), QStringLiteral("100ms"));
    EXPECT_EQ(w->trameAffichee().trame.gain1, "500mV");
    EXPECT_EQ(w->trameAffichee().trame.gain2, "   2V");
    EXPECT_TRUE(w->com(1)->isChecked());
    EXPECT_FALSE(w->com(2)->isChecked());
    EXPECT_EQ(status(), QStringLiteral("Etat"));
    EXPECT_EQ(comport(), QStringLiteral("COM1"));
    EXPECT_TRUE(w->MSComm1->PortOpen());
    EXPECT_TRUE(dialogs.warnings.isEmpty());
    EXPECT_EQ(w->Led1->color(), QColor(255, 0, 0));
    EXPECT_EQ(w->Led2->color(), QColor(128, 128, 0));
    EXPECT_EQ(w->Led3->color(), QColor(255, 0, 0));
    EXPECT_EQ(w->centralWidget()->size(), QSize(688, 482));
    EXPECT_EQ(w->Scope->Image().size(), QSize(329, 263));
    // The graticule alone: the black centre cross and nothing in a trace colour.
    const QImage& img = w->Scope->Image();
    EXPECT_EQ(img.pixel(display::twipsToPixel(w->Scope->ScaleWidth() / 2), 30), display::Surface::QBColor(0));
    int traceColoured = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            traceColoured += img.pixel(x, y) == display::Surface::QBColor(2);
    EXPECT_EQ(traceColoured, 0);
}

TEST_F(Panel, EveryControlHasItsNameAndAnAccessibleName)
{
    const char* names[] = {"Scope",
                           "CmdSave",
                           "cmdScope",
                           "chkScope",
                           "CmdXY",
                           "chkXY",
                           "CH(1)",
                           "CH(4)",
                           "AC_CH(2)",
                           "Slider2(3)",
                           "CmdResetOffset(4)",
                           "gainCH1",
                           "gainCH4",
                           "lblTime",
                           "lblTrig",
                           "chkRunStop",
                           "CmdClav(10)",
                           "CmdClav(15)",
                           "Led1",
                           "Led2",
                           "Led3",
                           "lblCH1moy",
                           "lblCH2delta",
                           "lblVa1",
                           "lblVbDiff",
                           "LblCursT1",
                           "lblCursTdiff",
                           "lblCursFrq",
                           "ChkCursTemps",
                           "ChkCursTension",
                           "lbl_debug1",
                           "lblOffset"};
    for (const char* name : names) {
        auto* widget = w->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << name;
    }
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lblCH1min"))->accessibleName(),
              QStringLiteral("CH1 min"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lblCursTdiff"))->accessibleName(),
              QStringLiteral("T2-T1"));
    // A screen reader can name everything on the panel.
    for (QWidget* child : w->centralWidget()->findChildren<QWidget*>()) {
        // What a standard widget makes for itself and keeps hidden (a text box's scroll bars).
        if (child->objectName().startsWith(QLatin1String("qt_")) || !child->isVisibleTo(w.get())) continue;
        EXPECT_FALSE(child->accessibleName().isEmpty())
            << child->metaObject()->className() << " " << child->objectName().toStdString();
    }
    EXPECT_EQ(w->CmdClav(10)->text(), QStringLiteral("0"));
    EXPECT_EQ(w->CmdClav(11)->text(), QStringLiteral("*"));
    EXPECT_EQ(w->CmdClav(11)->x() < w->CmdClav(10)->x(), true) << "the row reads *, 0, #";
}

TEST_F(Panel, FrameSetsTheIndicators)
{
    FrameFields f;
    f.gain1 = "200mV";
    f.coupling1 = "ac";
    f.gain2 = "   5V";
    f.time = " 20u";
    f.trig = "Norm B   <";
    f.level = "80";
    w->CH(1)->setChecked(false); // the next frame ticks it again
    deliver(onWire(frameText(f)));
    EXPECT_EQ(status(), QStringLiteral("Rx OK"));
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("200mV/div"));
    EXPECT_EQ(w->gainCH2->text(), QStringLiteral("   5V/div"));
    EXPECT_EQ(w->lblTime->text(), QStringLiteral(" 20us/div"));
    EXPECT_EQ(acquisition::timeBase(w->trameAffichee().trame), QStringLiteral(" 20us"));
    EXPECT_EQ(w->lblTrig->text(), QStringLiteral("Norm B   <128"));
    EXPECT_TRUE(w->AC_CH(1)->isChecked());
    EXPECT_FALSE(w->AC_CH(2)->isChecked());
    EXPECT_EQ(w->Led3->FillColor(), 0) << "CHA ac: black";
    EXPECT_EQ(w->Led1->FillColor(), 255) << "CHB dc: red";
    EXPECT_TRUE(w->CH(1)->isChecked());
    EXPECT_TRUE(w->CH(2)->isChecked());
    EXPECT_EQ(w->rx.rxState(), RxState::Waiting);
    EXPECT_FALSE(w->Timer1->isActive());
}

// The diagnostic label follows the frames at its own pace, in rows of one width, shows each
// character as it came (a frame may carry '<'), and ends on the whole last frame even when
// the next one has begun.
TEST_F(Panel, DiagnosticLabelEndsOnTheWholeFrame)
{
    FrameFields f;
    f.gain1 = "<b>x<";
    const QByteArray frame = onWire(frameText(f));
    com1.write(frame + QByteArray(1, '\x04') + "next");
    ASSERT_TRUE(waitFor([&] { return w->trame() == frame.sliced(1); })) << w->trame().toStdString();
    const QStringList rows = w->lbl_debug1->text().split(QLatin1Char('\n'));
    EXPECT_EQ(rows.join(QString()), QString::fromLatin1(frame.sliced(1)));
    ASSERT_GT(rows.size(), 2);
    for (const QString& row : rows.first(rows.size() - 1))
        EXPECT_EQ(row.size(), rows.first().size());
    EXPECT_EQ(w->lbl_debug1->textFormat(), Qt::PlainText);
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("<b>x</div"));
    EXPECT_EQ(w->gainCH1->textFormat(), Qt::PlainText);
    // Then, with nothing more coming, the frame that began.
    EXPECT_TRUE(waitFor([&] { return w->lbl_debug1->text() == QStringLiteral("next"); }));
}

TEST_F(Panel, TimeBaseTwelveShowsChannelOneOnly)
{
    const struct
    {
        const char* time;
        bool ch2;
    } cases[] = {{" 12u", false}, {"120m", true}, {"12.0", false}, {"  1 ", true}};
    for (const auto& c : cases) {
        FrameFields f;
        f.time = c.time;
        w->Reception(onWire(frameText(f)));
        EXPECT_TRUE(w->CH(1)->isChecked()) << c.time;
        EXPECT_EQ(w->CH(2)->isChecked(), c.ch2) << c.time;
    }
}

TEST_F(Panel, EmptyFrame)
{
    w->Reception("\x04\x1b");
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("/div"));
    EXPECT_EQ(w->lblTime->text(), QStringLiteral("s/div"));
    EXPECT_EQ(acquisition::timeBase(w->trameAffichee().trame), QStringLiteral("s"));
    EXPECT_EQ(w->lblTrig->text(), QStringLiteral("0"));
    EXPECT_TRUE(w->CH(1)->isChecked() && w->CH(2)->isChecked());
    EXPECT_EQ(status(), QStringLiteral("Rx OK"));
}

TEST_F(Panel, MarkupFromTheWireIsShownAsText)
{
    FrameFields f;
    f.gain1 = "<b>x";
    w->Reception(onWire(frameText(f)));
    EXPECT_EQ(w->gainCH1->textFormat(), Qt::PlainText);
}

TEST_F(Panel, StoppedDisplayUpdatesEverythingButThePicture)
{
    w->chkRunStop->setChecked(false);
    const QImage before = w->Scope->Image().copy();
    FrameFields f;
    f.gain1 = "  5mV";
    f.ch1 = ramp(0, 3);
    w->Reception(onWire(frameText(f)));
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("  5mV/div"));
    EXPECT_EQ(w->historique.at(w->historique.size() - 1).trame.ch1, f.ch1);
    EXPECT_EQ(w->Scope->Image(), before);
    w->chkRunStop->setChecked(true);
    w->Reception(onWire(frameText(f)));
    EXPECT_NE(w->Scope->Image(), before);
}

TEST_F(Panel, StatusTextsAndTheTimeout)
{
    QSignalSpy ticks(w->Timer1, &QTimer::timeout); // after the window's own handler
    w->Reception("\x04partial");
    EXPECT_EQ(status(), QStringLiteral("Rx Start"));
    EXPECT_TRUE(w->Timer1->isActive());
    EXPECT_EQ(w->Timer1->intervalAsDuration(), kTimeout);
    ASSERT_TRUE(ticks.wait());
    EXPECT_EQ(status(), QStringLiteral("Rx TimeOut"));
    ASSERT_TRUE(ticks.wait()) << "it goes on firing until the next end";

    // A new frame gets the full period: a start half way through the running one restarts
    // it, so its tick comes after a mark set three quarters of a period after the start.
    // Expired timers fire in the order of their deadlines, however late the loop is.
    std::vector<std::string> order;
    QObject::connect(w->Timer1, &QTimer::timeout, w.get(), [&] {
        if (!order.empty()) order.push_back("tick");
    });
    QTimer::singleShot(kTimeout / 2, Qt::PreciseTimer, w.get(), [&] {
        w->Reception("\x04"
                     "abc");
        order.push_back(status().toStdString());
        QTimer::singleShot(kTimeout * 3 / 4, Qt::PreciseTimer, w.get(), [&] { order.push_back("mark"); });
    });
    ASSERT_TRUE(waitFor([&] { return order.size() >= 3; }));
    EXPECT_EQ(order, (std::vector<std::string>{"Rx Start", "mark", "tick"}));
    w->Reception("\x04"
                 "abcd;\x1b");
    EXPECT_EQ(status(), QStringLiteral("Rx OK"));
    EXPECT_FALSE(w->Timer1->isActive());
}

// Through the port: a frame cut short ends at the tick, and what follows is noise up to the
// next start.
TEST_F(Panel, RealTimeoutFires)
{
    QSignalSpy ticks(w->Timer1, &QTimer::timeout);
    com1.write("\x04no end");
    ASSERT_TRUE(ticks.wait());
    EXPECT_EQ(status(), QStringLiteral("Rx TimeOut"));
    EXPECT_EQ(w->rx.rxState(), RxState::Waiting);
    FrameFields f;
    f.gain1 = "  1V ";
    com1.write("late;\x1b" + onWire(frameText(f)));
    ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Rx OK"); }));
    EXPECT_EQ(w->framesDecoded, 1u) << "the late end completed nothing";
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("  1V /div"));
}

// The program is busy past the deadline while the rest of the frame already waits at the port.
TEST_F(Panel, TheTimeoutTickTakesInWhatWaitsAtThePortFirst)
{
    // Our own look at the device, opened before the port makes it exclusive, tells when the
    // bytes written have reached it.
    w->MSComm1->setPortOpen(false);
    const int look = ::open(com1.path().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(look, 0);
    const auto closeLook = qScopeGuard([look] { ::close(look); });
    ASSERT_TRUE(w->MSComm1->setPortOpen(true));

    const QByteArray wire = onWire(frameText(FrameFields{}));
    struct Case
    {
        const char* why;
        QByteArray waiting;
        const char* status;
        RxState state;
    };
    const Case cases[] = {
        {"the frame's end: it is decoded, not timed out", wire.mid(100), "Rx OK", RxState::Waiting},
        {"its end and the next start: the new frame goes on",
         wire.mid(100) + "\x04"
                         "ab",
         "Rx Start", RxState::Receiving},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        w->Reception(wire.first(100));
        ASSERT_EQ(w->rx.rxState(), RxState::Receiving);
        com1.write(c.waiting);
        pollfd p{look, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 5000), 1);
        w->Timer1_Timer();
        EXPECT_EQ(status(), QString::fromLatin1(c.status));
        EXPECT_EQ(w->rx.rxState(), c.state);
    }
}

TEST_F(Panel, FramesThroughThePortInAwkwardChunks)
{
    FrameFields f;
    f.ch1 = ramp(5, 2);
    f.gain1 = "100mV";
    const QByteArray wire = onWire(frameText(f));
    // Byte by byte, then split around the delimiters.
    for (char c : wire)
        com1.write(QByteArray(1, c));
    ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Rx OK"); }));
    EXPECT_EQ(w->historique.at(w->historique.size() - 1).trame.ch1, f.ch1);
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral("100mV/div"));
}

TEST_F(Panel, FailingPortShowsTheErrorAndKeepsTheTick)
{
    EXPECT_EQ(w->open_com(3), 1);
    EXPECT_EQ(comport(), QStringLiteral("COM3 erreur"));
    ASSERT_EQ(dialogs.warnings.size(), 1);
    EXPECT_FALSE(dialogs.warnings.first().isEmpty());
    EXPECT_FALSE(w->MSComm1->PortOpen()) << "COM1 was closed first and stays closed";
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(w->com(n)->isChecked(), n == 3) << n;
}

// A device this user may not open gets, after the system's reason, how to get the right; one
// another program holds, that it is in use; a port that fails for any other reason shows the
// reason alone. Root opens everything: the
// cases that need an ordinary user run as one in the suite's AsOrdinaryUser entry.
TEST_F(Panel, OnlyAPortRefusedForRightsSaysHowToGetThem)
{
    Pty closed, busy;
    ASSERT_TRUE(closed.ok() && busy.ok());
    ASSERT_EQ(::chmod(QFile::encodeName(closed.path()).constData(), 0), 0);
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_TRUE(QFile::link(com2.path(), locked + QStringLiteral("/tty")));
    ASSERT_TRUE(QFile::setPermissions(locked, {}));
    const auto unlock = qScopeGuard([&] { QFile::setPermissions(locked, QFile::permissions(dir.path())); });
    QSerialPort holder(busy.path()); // another program has it
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite)) << holder.errorString().toStdString();
    const bool rightsStopUs = ::access(QFile::encodeName(closed.path()).constData(), R_OK | W_OK) != 0;

    struct Case
    {
        const char* reason;
        QString device;
        bool hint;
        const char* sentence; // what the box adds to the system's reason
    };
    const Case cases[] = {
        {"no rights on the device", closed.path(), true, "dialout"},
        {"a folder on the way is closed (the check before opening)", locked + QStringLiteral("/tty"), true,
         "dialout"},
        {"missing", QStringLiteral("/nonexistent/vantor-com3"), false, nullptr},
        {"busy: a permission error, but rights would not help", busy.path(), false,
         "Un autre programme utilise"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.hint && !rightsStopUs) {
            std::printf("not shown as root, see AsOrdinaryUser: %s\n", c.reason);
            continue;
        }
        qputenv("VANTOR_COM3", QFile::encodeName(c.device));
        dialogs.warnings.clear();
        EXPECT_EQ(w->open_com(3), 1);
        EXPECT_EQ(comport(), QStringLiteral("COM3 erreur"));
        ASSERT_EQ(dialogs.warnings.size(), 1);
        const QString reason = w->MSComm1->errorString();
        EXPECT_FALSE(reason.isEmpty());
        if (c.sentence) {
            EXPECT_TRUE(dialogs.warnings[0].startsWith(reason + QStringLiteral("\n\n")))
                << dialogs.warnings[0].toStdString();
            EXPECT_TRUE(dialogs.warnings[0].contains(QString::fromUtf8(c.sentence)))
                << dialogs.warnings[0].toStdString();
            EXPECT_EQ(dialogs.warnings[0].contains(QStringLiteral("dialout")), c.hint);
        } else {
            EXPECT_EQ(dialogs.warnings[0], reason);
        }
    }
}

TEST_F(Panel, ChoosingAnotherPort)
{
    w->com(2)->trigger();
    EXPECT_EQ(comport(), QStringLiteral("COM2"));
    EXPECT_TRUE(w->MSComm1->PortOpen());
    EXPECT_EQ(w->MSComm1->CommPort(), 2);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(w->com(n)->isChecked(), n == 2) << n;
    FrameFields f;
    f.gain1 = " 50mV";
    com2.write(onWire(frameText(f)));
    ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Rx OK"); }));
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral(" 50mV/div"));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

TEST_F(Panel, ReselectingTheOpenPortReopensIt)
{
    EXPECT_EQ(w->open_com(1), 0);
    EXPECT_TRUE(w->MSComm1->PortOpen());
    EXPECT_EQ(comport(), QStringLiteral("COM1"));
}

TEST(PanelStartUp, AbsentComOneIsReportedAtStart)
{
    FakeDialogs dialogs;
    qputenv("VANTOR_COM1", "/nonexistent/vantor-com1");
    // A frame decoded while the box is open (a board on another port, say) is not overwritten by
    // the defaults once it closes.
    FrameFields f;
    f.gain1 = "100mV";
    dialogs.whileWarned = [&](QWidget* parent) {
        static_cast<ui::FormPrinc*>(parent)->Reception(onWire(frameText(f)));
    };
    ui::FormPrinc w(dialogs);
    EXPECT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1 erreur"));
    EXPECT_EQ(dialogs.warnings.size(), 1);
    EXPECT_TRUE(w.com(1)->isChecked());
    EXPECT_FALSE(w.MSComm1->PortOpen());
    EXPECT_EQ(w.gainCH1->text(), QStringLiteral("100mV/div"));
    EXPECT_EQ(w.affichage.trame().trame.gain1, "100mV");
}

TEST_F(Panel, KeypadSendsOneCharacterPerKey)
{
    com1.readAvailable();
    for (int i = 1; i <= 15; ++i)
        QTest::mouseClick(w->CmdClav(i), Qt::LeftButton);
    QByteArray sent;
    waitFor([&] {
        sent += com1.readAvailable();
        return sent.size() >= 15;
    });
    EXPECT_EQ(sent, QByteArray("123456789:;<=>?")) << "\"0\" sends ':', \"*\" ';', \"#\" '<', \"15\" '?'";
    QTest::mouseClick(w->CmdClav(10), Qt::LeftButton);
    QTest::mouseClick(w->CmdClav(10), Qt::LeftButton);
    sent.clear();
    waitFor([&] {
        sent += com1.readAvailable();
        return sent.size() >= 2;
    });
    EXPECT_EQ(sent, QByteArray("::"));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

TEST_F(Panel, KeypadWithThePortClosedWarnsInFrench)
{
    w->open_com(3);
    dialogs.warnings.clear();
    QTest::mouseClick(w->CmdClav(5), Qt::LeftButton);
    ASSERT_EQ(dialogs.warnings.size(), 1);
    EXPECT_TRUE(dialogs.warnings.first().contains(QStringLiteral("COM3")))
        << dialogs.warnings.first().toStdString();
    EXPECT_TRUE(dialogs.warnings.first().startsWith(QStringLiteral("La touche")))
        << dialogs.warnings.first().toStdString();
}

TEST_F(Panel, OpenCancelledChangesNothingAndQuitCloses)
{
    w->show();
    const QImage before = w->Scope->Image().copy();
    w->Open->trigger();
    EXPECT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->Scope->Image(), before);
    w->Quit->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->MSComm1->PortOpen()) << "the port is released";
}
