// The board's end vanishes mid-frame (an unplugged USB adapter) and comes back later: the
// program waits for it without spinning and takes it up again by itself.
#include "acquisition/PortMemory.h"
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Wait.h"
#include "ui/FormPrinc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <time.h>

using namespace testing_support;

namespace {
// A board at the link rate behind `link` that is unplugged mid-frame after 30 frames and
// comes back `backAfterMs` later.
QStringList unpluggedAfter30Frames(const QString& link, int backAfterMs)
{
    return {QStringLiteral("--rate"),           QStringLiteral("real"),
            QStringLiteral("--link"),           link,
            QStringLiteral("--hangup-after"),   QStringLiteral("30"),
            QStringLiteral("--reappear-after"), QString::number(backAfterMs)};
}

// CPU time of this whole process, in ms.
double processCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
} // namespace

TEST(PortLoss, UnpluggedMidFrameThenBack)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("com1"));
    Board board(unpluggedAfter30Frames(link, 2000));
    ASSERT_FALSE(board.path().isEmpty());
    qputenv("VANTOR_COM1", link.toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    ASSERT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1"));
    QSignalSpy lost(w.MSComm1, &acquisition::SerialLink::portLost);
    QSignalSpy notified(w.MSComm1, &acquisition::SerialLink::OnComm);

    ASSERT_TRUE(waitFor([&] { return !w.MSComm1->PortOpen(); }, 5000)) << "the loss is noticed";
    const double cpuAtLoss = processCpuMs();
    QElapsedTimer sinceLoss;
    sinceLoss.start();
    const qsizetype notifications = notified.count();
    EXPECT_GT(w.framesDecoded, 10u);
    EXPECT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1 erreur"));
    EXPECT_TRUE(waitFor(
        [&] { return w.panel(QStringLiteral("Status"))->text() == QStringLiteral("Rx TimeOut"); }, 1000))
        << "the half frame ends in the timeout";
    EXPECT_TRUE(dialogs.warnings.isEmpty()) << "no box in the middle of a measurement";

    // Gone until the board comes back: reported once, no more notifications from the dead
    // descriptor, and no spinning while waiting for it (a spin takes a whole core; the bound
    // is generous).
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(link); }, 5000)) << "the board reappeared";
    QElapsedTimer sinceBack;
    sinceBack.start();
    const double cpuMs = processCpuMs() - cpuAtLoss;
    const double wallMs = double(sinceLoss.elapsed());
    std::printf("port loss: %.0f ms of CPU in the %.0f ms after the loss\n", cpuMs, wallMs);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_GT(wallMs, 1000.0) << "the board came back too early to tell a spin";
    EXPECT_LT(cpuMs, wallMs / 2) << "CPU " << cpuMs << " ms in " << wallMs << " ms after the loss";

    // Back: taken up again with no click and no box.
    const quint64 seen = w.framesDecoded;
    ASSERT_TRUE(
        waitFor([&] { return w.panel(QStringLiteral("comport"))->text() == QStringLiteral("COM1"); }, 5000));
    const qint64 reopenedMs = sinceBack.elapsed();
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded > seen; }, 5000));
    const qint64 decodedMs = sinceBack.elapsed();
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded >= seen + 2; }, 5000)) << w.framesDecoded;
    std::printf("port back: reopened %lld ms, first frame decoded %lld ms after the link reappeared\n",
                static_cast<long long>(reopenedMs), static_cast<long long>(decodedMs));
    EXPECT_TRUE(w.MSComm1->PortOpen());
    EXPECT_GT(notified.count(), notifications);
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

TEST(PortLoss, ARememberedBoardAbsentAtStartIsTakenUpWhenItComes)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("board"));
    acquisition::rememberPort({0, {QStringLiteral("board"), {}, link, {}, {}}});
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    EXPECT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("board erreur"));
    EXPECT_TRUE(dialogs.warnings.isEmpty()) << "no box at start for a board not plugged in yet";

    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--link"), link});
    ASSERT_FALSE(board.path().isEmpty());
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded >= 2; }, 5000)) << w.framesDecoded;
    EXPECT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("board"));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

// Unplugged during a drag (the port left open by the press), back at its path after the release.
TEST(PortLoss, UnpluggedDuringADragIsWaitedForAfterTheRelease)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("com1"));
    Board board(unpluggedAfter30Frames(link, 1500));
    qputenv("VANTOR_COM1", link.toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    ASSERT_TRUE(waitFor([&] { return w.framesDecoded >= 2; }, 5000));
    w.Scope_MouseDown(1, 0, 100, 100);
    ASSERT_TRUE(waitFor([&] { return !QFileInfo::exists(link); }, 10000)) << "unplugged under the drag";
    w.Scope_MouseUp(1, 0, 100, 100);
    // The port stayed open: the loss comes with the port's own notification, whenever it arrives.
    EXPECT_TRUE(waitFor(
        [&] { return w.panel(QStringLiteral("comport"))->text() == QStringLiteral("COM1 erreur"); }, 5000));
    const quint64 seen = w.framesDecoded;
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded > seen + 1; }, 5000)) << "taken up with no click";
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}
