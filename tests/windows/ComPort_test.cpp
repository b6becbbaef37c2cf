// The port on Windows, through SerialLink as the window uses it. COM1 is the simulated board
// where the run provides one (VANTOR_TEST_COM1 set: the Wine run maps COM1 to its pty).
#include "acquisition/SerialDevices.h"
#include "acquisition/SerialLink.h"
#include "support/Wait.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using acquisition::SerialLink;
using testing_support::waitFor;

bool boardOnCom1()
{
    return !qgetenv("VANTOR_TEST_COM1").isEmpty();
}

TEST(ComPort, AMissingPortIsRefusedInTheSystemsWordsAndNotAsBusy)
{
    SerialLink link;
    link.setDevice(QStringLiteral("COM199"), QStringLiteral("COM199"));
    EXPECT_FALSE(link.setPortOpen(true));
    EXPECT_FALSE(link.PortOpen());
    EXPECT_FALSE(link.errorString().isEmpty());
    EXPECT_FALSE(link.refusedAsBusy());
    EXPECT_FALSE(link.refusedForRights());
    EXPECT_FALSE(acquisition::deviceThere(QStringLiteral("COM199")));
}

TEST(ComPort, TheBoardsFramesArriveAndAKeyIsSent)
{
    if (!boardOnCom1()) GTEST_SKIP() << "no board on COM1 in this run";
    ASSERT_TRUE(acquisition::deviceThere(QStringLiteral("COM1")));
    SerialLink link;
    link.setCommPort(1);
    QByteArray received;
    QObject::connect(&link, &SerialLink::OnComm, [&] { received += link.Input(); });
    QSignalSpy failed(&link, &SerialLink::writeFailed);
    ASSERT_TRUE(link.setPortOpen(true)) << qPrintable(link.errorString());
    // Whole frames: start code 4, the text, end code 27; channel A's volts per division at
    // 11 to 15 of the text.
    const auto lastGain = [&] {
        const qsizetype end = received.lastIndexOf('\x1b');
        const qsizetype start = received.lastIndexOf('\x04', end);
        return start >= 0 && end - start == 390 ? received.mid(start + 11, 5) : QByteArray();
    };
    ASSERT_TRUE(waitFor([&] { return !lastGain().isEmpty(); }, 5000)) << received.size();
    const QByteArray gain = lastGain();

    // Key 1 makes channel A's gain finer: the board's next frames say it came.
    ASSERT_TRUE(link.Output("1"));
    EXPECT_TRUE(waitFor([&] { return !lastGain().isEmpty() && lastGain() != gain; }, 5000))
        << gain.constData();
    link.setPortOpen(false);
    EXPECT_EQ(failed.count(), 0);
    const QList<acquisition::SerialDevice> listed = acquisition::systemDevices();
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const auto& d) { return d.name == "COM1"; }));
}

} // namespace
