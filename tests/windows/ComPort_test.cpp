// The port on Windows, through SerialLink as the window uses it. COM1 is the simulated board
// where the run provides one (VANTOR_TEST_COM1 set: the Wine run maps COM1 to its pty).
#include "acquisition/PortLife.h"
#include "acquisition/SerialDevices.h"
#include "acquisition/SerialLink.h"
#include "acquisition/win/WinSerialPort.h"
#include "support/Wait.h"

#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <windows.h>

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

// Which refusals of an open say another program holds the port (the busy sentence): Wine
// opens a port twice, so they are checked from the system's codes.
TEST(ComPort, TheSystemsRefusalsAreToldApart)
{
    using P = acquisition::WinSerialPort;
    const std::pair<DWORD, P::SerialPortError> rows[] = {
        {ERROR_ACCESS_DENIED, P::PermissionError},
        {ERROR_SHARING_VIOLATION, P::PermissionError},
        {ERROR_FILE_NOT_FOUND, P::DeviceNotFoundError},
        {ERROR_PATH_NOT_FOUND, P::DeviceNotFoundError},
        {ERROR_GEN_FAILURE, P::OpenError},
    };
    for (const auto& [code, kind] : rows)
        EXPECT_EQ(P::openFailure(code), kind) << code;
}

// The port's life on Windows, as its table on Linux where Wine can play it (it lets a second
// handle open a COM port, so a busy port is not played here): a port the system lacks is
// refused, not as busy, and waited for; a board that goes away is said lost and is opened again
// by its name when it comes back. The run takes the board away and brings it back when asked,
// by files in the folder VANTOR_TEST_BOARD names.
TEST(ComPort, AMissingPortIsWaitedForAndALostOneOpenedAgain)
{
    using S = acquisition::PortLife::State;
    SerialLink link;
    acquisition::PortLife life(link);
    QStringList boxes;
    QObject::connect(&life, &acquisition::PortLife::warning, [&](const QString& t) { boxes << t; });
    // Opened as the menu opens, without keeping the choice: a test never writes the registry.
    EXPECT_FALSE(life.open({0, {QStringLiteral("COM199"), {}, QStringLiteral("COM199"), {}, {}}}));
    EXPECT_EQ(life.state(), S::Waiting);
    EXPECT_EQ(life.panel(), QStringLiteral("COM199 erreur"));
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_FALSE(life.reason().contains(QStringLiteral("Un autre programme"))) << qPrintable(life.reason());

    const QString control = qEnvironmentVariable("VANTOR_TEST_BOARD");
    if (control.isEmpty()) GTEST_SKIP() << "no board this run can take away";
    QByteArray received;
    QObject::connect(&link, &SerialLink::OnComm, [&] { received += link.Input(); });
    const auto frame = [&] {
        received.clear();
        return waitFor([&] { return received.count('\x1b') >= 2; }, 5000);
    };
    const auto ask = [&](const char* what) { return QFile(control + '/' + what).open(QIODevice::WriteOnly); };
    ASSERT_TRUE(life.open({1, {}})) << qPrintable(life.reason());
    ASSERT_TRUE(frame());
    ASSERT_TRUE(ask("lose"));
    EXPECT_TRUE(waitFor([&] { return life.state() == S::Waiting; }, 10000));
    EXPECT_EQ(life.panel(), QStringLiteral("COM1 erreur"));
    ASSERT_TRUE(ask("back"));
    EXPECT_TRUE(waitFor([&] { return life.state() == S::Open; }, 15000)) << qPrintable(life.reason());
    EXPECT_EQ(life.panel(), QStringLiteral("COM1"));
    EXPECT_TRUE(frame()) << "the board's frames again";
}

} // namespace
