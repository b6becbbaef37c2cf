// A long run of frames in random chunks with garbage, stray starts and lost ends.
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Wait.h"
#include "ui/FormPrinc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {
// AddressSanitizer keeps freed memory in quarantine, so resident memory says nothing there;
// its leak checker watches memory instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeaningful = false;
#else
constexpr bool kMemoryIsMeaningful = true;
#endif

// Inside the runner's 300 s per test, so that a run that does not finish fails with the
// counts rather than being killed.
constexpr int kRunLimitMs = 240000;

// The longest the window may go without serving its event loop. Far above what a chunk costs
// (at most a few frames, each decoded and drawn in well under a millisecond, tens under a
// sanitizer) and above what a loaded machine takes from a process now and then, yet a window
// this deaf is one a user sees frozen: this guards against a stall, it does not time the program.
constexpr qint64 kFrozenMs = 1000;

int frameCount()
{
    const int n = qEnvironmentVariableIntValue("VANTOR_STRESS_FRAMES");
    return n > 0 ? n : 100000;
}
} // namespace

TEST(Stress, EveryIntactFrameIsDecodedAndMemoryStaysFlat)
{
    const int frames = frameCount();
    Board board({QStringLiteral("--rate"), QStringLiteral("fast"), QStringLiteral("--count"),
                 QString::number(frames), QStringLiteral("--chunks"), QStringLiteral("1:4096"),
                 QStringLiteral("--garbage"), QStringLiteral("0.1"), QStringLiteral("--stray-start"),
                 QStringLiteral("0.05"), QStringLiteral("--seed"), QStringLiteral("99"),
                 QStringLiteral("--linger"), QStringLiteral("1000")});
    ASSERT_FALSE(board.path().isEmpty());
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    w.show();
    ASSERT_TRUE(w.MSComm1->PortOpen());

    // The window keeps answering: a timer's ticks get through all along.
    int ticks = 0;
    qint64 longestGapMs = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        longestGapMs = std::max(longestGapMs, sinceTick.restart());
    });
    tick.start(20);

    double rssAfterWarmUp = 0;
    waitFor(
        [&] {
            if (rssAfterWarmUp == 0 && w.framesDecoded >= quint64(frames / 10))
                rssAfterWarmUp = residentMiB();
            return !board.running();
        },
        kRunLimitMs);
    // The last frames may still wait at the port when the board has gone: a busy machine
    // leaves the program behind.
    const qint64 intact = board.stat(QStringLiteral("intact"));
    waitFor([&] { return qint64(w.framesDecoded) >= intact; }, 10000);
    longestGapMs = std::max(longestGapMs, sinceTick.elapsed()); // a tick that never came
    const double rssEnd = residentMiB();
    std::printf("stress: %d frames sent, %lld intact, %llu decoded; RSS %.1f -> %.1f MiB; %d ticks, longest "
                "gap %lld ms\n",
                frames, intact, static_cast<unsigned long long>(w.framesDecoded), rssAfterWarmUp, rssEnd,
                ticks, static_cast<long long>(longestGapMs));
    ASSERT_FALSE(board.running()) << "the board finished";
    EXPECT_EQ(board.stat(QStringLiteral("sent")), frames);
    EXPECT_EQ(qint64(w.framesDecoded), intact);
    if (kMemoryIsMeaningful) {
        EXPECT_LT(rssEnd - rssAfterWarmUp, 5.0) << "memory grows with the number of frames";
    }
    EXPECT_LT(longestGapMs, kFrozenMs) << "the window stopped answering";
}

TEST(Stress, EndlessFrameWithoutEndIsCappedAndAbandoned)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("fast"), QStringLiteral("--no-end-bytes"),
                 QStringLiteral("8000000"), QStringLiteral("--linger"), QStringLiteral("500")});
    ASSERT_FALSE(board.path().isEmpty());
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    const double before = residentMiB();
    qsizetype longest = 0;
    waitFor(
        [&] {
            longest = std::max(longest, w.rx.rxBuffer().size());
            return !board.running();
        },
        kRunLimitMs);
    QCoreApplication::processEvents();
    EXPECT_LE(longest, acquisition::FrameAssembler::kMaxFrame);
    EXPECT_EQ(w.rx.rxState(), acquisition::RxState::Waiting);
    EXPECT_EQ(w.framesDecoded, 0u);
    if (kMemoryIsMeaningful) {
        EXPECT_LT(residentMiB() - before, 8.0) << "8 MB of text must not stay in memory";
    }
}
