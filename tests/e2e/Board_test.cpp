// The program against the simulated board on a real pseudo-terminal: the demo's path.
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Wait.h"
#include "ui/FormPrinc.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

TEST(EndToEnd, BoardAtTheLinkRateFillsThePanelAndAnswersTheKeypad)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("real")});
    ASSERT_FALSE(board.path().isEmpty());
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    ASSERT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1"));
    ASSERT_TRUE(waitFor([&] { return w.framesDecoded >= 3; }, 5000));
    EXPECT_EQ(w.gainCH1->text(), QStringLiteral("500mV/div"));
    EXPECT_EQ(w.gainCH2->text(), QStringLiteral("   2V/div"));
    EXPECT_EQ(w.lblTime->text(), QStringLiteral("100ms/div"));
    EXPECT_TRUE(w.lblTrig->text().startsWith(QStringLiteral("Auto"))) << w.lblTrig->text().toStdString();
    EXPECT_TRUE(w.CH(1)->isChecked() && w.CH(2)->isChecked());
    EXPECT_NE(w.lblCH1max->text(), QStringLiteral("0")) << "the sine was measured";

    // The cursor readouts take the board's time base and gains.
    w.ChkCursTemps->setChecked(true);
    w.Scope_MouseMove(1, 0, 987, 100); // a fifth of the width: 2 divisions
    EXPECT_EQ(w.LblCursT1->text(), QStringLiteral("200ms"));
    w.ChkCursTemps->setChecked(false);

    QTest::mouseClick(w.CmdClav(8), Qt::LeftButton); // time base slower
    EXPECT_TRUE(waitFor([&] { return w.lblTime->text() == QStringLiteral("200ms/div"); }, 3000))
        << w.lblTime->text().toStdString();
    QTest::mouseClick(w.CmdClav(3), Qt::LeftButton); // channel A coupling
    EXPECT_TRUE(waitFor([&] { return w.AC_CH(1)->isChecked(); }, 3000));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
    board.process().terminate();
    board.waitForExit(3000);
    EXPECT_EQ(board.received(), QByteArray("83"));
}

namespace {
struct Counts
{
    qint64 sent = -1, intact = -1, decoded = -1;
};

Counts run(QStringList faults)
{
    faults << QStringLiteral("--rate") << QStringLiteral("fast") << QStringLiteral("--count")
           << QStringLiteral("3000") << QStringLiteral("--chunks") << QStringLiteral("1:4096")
           << QStringLiteral("--coalesce") << QStringLiteral("3") << QStringLiteral("--seed")
           << QStringLiteral("7") << QStringLiteral("--linger") << QStringLiteral("1500");
    Board board(faults);
    if (board.path().isEmpty()) return {};
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    if (!w.MSComm1->PortOpen() || !waitFor([&] { return !board.running(); }, 60000)) return {};
    QCoreApplication::processEvents();
    return {board.stat(QStringLiteral("sent")), board.stat(QStringLiteral("intact")),
            qint64(w.framesDecoded)};
}
} // namespace

TEST(EndToEnd, GarbageAndStrayStartsLoseNoFrame)
{
    const Counts c = run({QStringLiteral("--garbage"), QStringLiteral("0.2"), QStringLiteral("--stray-start"),
                          QStringLiteral("0.1")});
    ASSERT_EQ(c.sent, 3000);
    EXPECT_EQ(c.intact, 3000);
    EXPECT_EQ(c.decoded, 3000);
}

TEST(EndToEnd, LostEndsCostOnlyTheirOwnFrames)
{
    const Counts c = run({QStringLiteral("--garbage"), QStringLiteral("0.1"), QStringLiteral("--stray-start"),
                          QStringLiteral("0.05"), QStringLiteral("--drop-end"), QStringLiteral("0.05")});
    ASSERT_EQ(c.sent, 3000);
    ASSERT_LT(c.intact, c.sent);
    // A frame whose end was lost is abandoned at the next start, unless an end code in the
    // garbage after it closes it first: then it counts as one frame more, never one less.
    EXPECT_GE(c.decoded, c.intact);
    EXPECT_LE(c.decoded, c.sent);
}

// A board silent at first on COM1: after 3 s the frame area says so and names the devices the
// menu Comport lists, and one plugged in meanwhile; the first frame takes it away, and frames
// keep it away.
TEST(EndToEnd, ASilentPortIsSaidUntilTheFirstFrame)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--silent-for"),
                 QStringLiteral("7000")});
    QTemporaryDir dev; // where COM1 is, and an adapter's node appears
    ASSERT_TRUE(QFile::link(board.path(), dev.filePath(QStringLiteral("ttyS0"))));
    qputenv("VANTOR_COM1", dev.filePath(QStringLiteral("ttyS0")).toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    QList<acquisition::SerialDevice> devices{{"ttyUSB0", "FT232R USB UART", "/dev/ttyUSB0", {}, {}}};
    w.serialDevices = [&] { return devices; };
    const auto hint = [&] {
        return w.lbl_debug1->text().startsWith(QStringLiteral("Rien ne vient de COM1"));
    };
    ASSERT_TRUE(waitFor(hint, 4000));
    EXPECT_TRUE(w.lbl_debug1->text().contains(QStringLiteral("ttyUSB0 \u2014 FT232R USB UART")));
    devices.append({"ttyACM0", {}, "/dev/ttyACM0", {}, {}});
    ASSERT_TRUE(QFile(dev.filePath(QStringLiteral("ttyACM0"))).open(QIODevice::WriteOnly));
    EXPECT_TRUE(waitFor([&] { return w.lbl_debug1->text().contains(QStringLiteral("ttyACM0")); }, 2500));
    ASSERT_TRUE(waitFor([&] { return w.framesDecoded > 0; }, 5000));
    EXPECT_FALSE(hint());
    ASSERT_TRUE(waitFor([&] { return w.framesDecoded > 100; }, 10000)) << "3.4 s of frames";
    EXPECT_FALSE(hint());
}
