// The port service on a pseudo-terminal: every byte the board writes is handed over once and in
// order, however the board paces its writes.
#include "acquisition/SerialLink.h"
#include "support/Pty.h"
#include "support/Wait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

using acquisition::SerialLink;
using testing_support::Pty;
using testing_support::waitFor;

struct Link
{
    explicit Link(const Pty& pty)
    {
        qputenv("VANTOR_COM3", pty.path().toLocal8Bit());
        link.setCommPort(3);
        QObject::connect(&link, &SerialLink::OnComm, [this] {
            ++events;
            received += link.Input();
        });
        QObject::connect(&link, &SerialLink::portLost, [this] { ++lost; });
    }
    ~Link() { qunsetenv("VANTOR_COM3"); }

    SerialLink link;
    QByteArray received;
    int events = 0;
    int lost = 0;
};

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + i / 256);
    return bytes;
}

// Writes `bytes` in pieces of `piece` bytes, one piece every `everyMs`, while the event loop runs.
void trickle(Pty& pty, const QByteArray& bytes, int piece, int everyMs)
{
    QElapsedTimer clock;
    clock.start();
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        pty.write(bytes.mid(at, piece));
        const qint64 next = clock.elapsed() + everyMs;
        while (clock.elapsed() < next)
            QCoreApplication::processEvents(QEventLoop::AllEvents, everyMs);
    }
}

// A board on a pty and the link open on it.
class SerialLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(l.link.setPortOpen(true)) << l.link.errorString().toStdString();
    }

    Pty pty;
    Link l{pty};
};

struct Trickle
{
    int piece, everyMs;
};

class SerialLinkTrickle : public SerialLinkTest, public ::testing::WithParamInterface<Trickle>
{
};

TEST_P(SerialLinkTrickle, EveryByteArrivesOnceAndInOrder)
{
    const QByteArray sent = pattern(4000);
    trickle(pty, sent, GetParam().piece, GetParam().everyMs);
    // A last byte behind them: once as many bytes as were sent are in, a byte that came twice
    // shows as a difference. The pattern holds '!' too, so its mere arrival at the end proves
    // nothing: a chunk may end at the pattern's own.
    pty.write("!");
    ASSERT_TRUE(waitFor([&] { return l.received.size() >= sent.size() + 1; }, 3000))
        << l.received.size() << " of " << sent.size() + 1 << " bytes arrived";
    EXPECT_EQ(l.received, sent + '!');
    EXPECT_EQ(l.lost, 0) << "a pty without modem lines is not a lost device";
}

INSTANTIATE_TEST_SUITE_P(Pieces, SerialLinkTrickle,
                         ::testing::Values(Trickle{1, 0}, Trickle{23, 2}, Trickle{184, 16}, Trickle{600, 1},
                                           Trickle{4000, 0}),
                         [](const auto& info) {
                             return "piece" + std::to_string(info.param.piece) + "every" +
                                    std::to_string(info.param.everyMs) + "ms";
                         });

TEST_F(SerialLinkTest, TheLastBytesOfABurstArriveWithoutMore)
{
    pty.write("#A");
    ASSERT_TRUE(waitFor([&] { return l.received == "#A"; }));
    // Straight after a small read: the last bytes of a frame, and then silence.
    pty.write("$");
    EXPECT_TRUE(waitFor([&] { return l.received == "#A$"; }, 1000)) << l.received.toStdString();
}

TEST_F(SerialLinkTest, ClosingAndReopeningReadsAgain)
{
    pty.write("ab");
    ASSERT_TRUE(waitFor([&] { return l.received == "ab"; }));
    l.link.setPortOpen(false);
    // Written while closed: the reopened port must read them, or at least what follows.
    pty.write("xy");
    ASSERT_TRUE(l.link.setPortOpen(true));
    pty.write("cd");
    EXPECT_TRUE(waitFor([&] { return l.received.endsWith("cd"); }, 1000)) << l.received.toStdString();
}

} // namespace

namespace {
// A line that takes nothing (output suspended, as flow control would): the key's byte is
// reported as not sent once the time limit has passed, not left queued unseen.
TEST(SerialLinkWrite, AByteTheLineDoesNotTakeIsReported)
{
    Pty pty;
    ASSERT_TRUE(pty.ok());
    const int line = ::open(QFile::encodeName(pty.path()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(line, 0);
    Link l(pty);
    ASSERT_TRUE(l.link.setPortOpen(true));
    QStringList failures;
    QObject::connect(&l.link, &SerialLink::writeFailed, [&](const QString& reason) { failures << reason; });
    ASSERT_EQ(::tcflow(line, TCOOFF), 0);
    ASSERT_TRUE(l.link.Output("5"));
    EXPECT_TRUE(waitFor([&] { return !failures.isEmpty(); }, 3000));
    EXPECT_EQ(l.lost, 0);
    ASSERT_TRUE(l.link.Output("6"));
    l.link.setPortOpen(false); // a press on the screen, another choice
    EXPECT_EQ(failures.size(), 2) << "a byte the close cut off is said at once";
    ::tcflow(line, TCOON);
    ::close(line);
}

TEST(SerialLinkMissing, AMissingDeviceFailsWithThePortsOwnMessage)
{
    const QString missing = QStringLiteral("/nonexistent-dir/vantor-no-such-device");
    QSerialPort direct(missing);
    ASSERT_FALSE(direct.open(QIODevice::ReadWrite));
    qputenv("VANTOR_COM4", missing.toLocal8Bit());
    SerialLink link;
    link.setCommPort(4);
    EXPECT_FALSE(link.setPortOpen(true));
    EXPECT_FALSE(link.PortOpen());
    EXPECT_EQ(link.errorString(), direct.errorString());
    qunsetenv("VANTOR_COM4");
}
} // namespace
