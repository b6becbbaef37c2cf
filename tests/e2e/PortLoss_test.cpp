// The board's end vanishes mid-frame (an unplugged USB adapter) and comes back later.
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
#include <gtest/gtest.h>

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
} // namespace

TEST(PortLoss, UnpluggedMidFrameThenBack)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("com1"));
    Board board(unpluggedAfter30Frames(link, 1500));
    ASSERT_FALSE(board.path().isEmpty());
    qputenv("VANTOR_COM1", link.toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    ASSERT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1"));
    QSignalSpy lost(w.MSComm1, &acquisition::SerialLink::portLost);
    QSignalSpy notified(w.MSComm1, &acquisition::SerialLink::OnComm);

    ASSERT_TRUE(waitFor([&] { return !w.MSComm1->PortOpen(); }, 5000)) << "the loss is noticed";
    EXPECT_GT(w.framesDecoded, 10u);
    EXPECT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1 erreur"));
    EXPECT_TRUE(waitFor(
        [&] { return w.panel(QStringLiteral("Status"))->text() == QStringLiteral("Rx TimeOut"); }, 1000))
        << "the half frame ends in the timeout";
    EXPECT_TRUE(dialogs.warnings.isEmpty()) << "no box in the middle of a measurement";

    // Gone: reported once, and no more notifications from the dead descriptor.
    const qsizetype notifications = notified.count();
    QTest::qWait(500);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(notified.count(), notifications);

    // Back: the user chooses the port again.
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(link); }, 5000)) << "the board reappeared";
    const quint64 seen = w.framesDecoded;
    w.com1_Click();
    EXPECT_EQ(w.panel(QStringLiteral("comport"))->text(), QStringLiteral("COM1"));
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded >= seen + 2; }, 5000)) << w.framesDecoded;
}

TEST(PortLoss, MouseReleaseReopensAReturnedPort)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("com1"));
    Board board(unpluggedAfter30Frames(link, 300));
    ASSERT_FALSE(board.path().isEmpty());
    qputenv("VANTOR_COM1", link.toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    ASSERT_TRUE(waitFor([&] { return !w.MSComm1->PortOpen(); }, 5000));
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(link); }, 5000));
    w.Scope_MouseUp(1, 0, 100, 100);
    EXPECT_TRUE(w.MSComm1->PortOpen());
    const quint64 seen = w.framesDecoded;
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded > seen + 1; }, 5000));
}
