// Benchmarks of every path a frame or a drag takes, on the offscreen platform.
#include "acquisition/Chargement.h"
#include "acquisition/FrameAssembler.h"
#include "acquisition/PortLife.h"
#include "acquisition/PortWait.h"
#include "support/FakeDialogs.h"
#include "support/Frames.h"
#include "support/Pty.h"
#include "ui/Application.h"
#include "ui/FormPrinc.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

using namespace testing_support;

namespace {

// A window on no port (nothing else may feed it), with realistic board frames at hand.
struct Bench
{
    FakeDialogs dialogs;
    std::unique_ptr<ui::FormPrinc> w;
    QByteArray frames[2];

    Bench()
    {
        qputenv("VANTOR_COM1", "/nonexistent/vantor-bench");
        w = std::make_unique<ui::FormPrinc>(dialogs);
        for (int k = 0; k < 2; ++k) {
            FrameFields f;
            for (int i = 0; i < kSampleCount; ++i) {
                f.ch1[i] = std::uint8_t(128 + 100 * std::sin(i / 6.0 + k));
                f.ch2[i] = std::uint8_t(i % 20 < 10 ? 60 + k : 190);
            }
            frames[k] = onWire(frameText(f));
        }
        w->Reception(frames[0]);
    }
};

Bench& bench()
{
    static Bench b;
    return b;
}

// Argument 0: no past kept (a ring of no capacity), 1: the program's ring; side by side in one run.
void withRing(benchmark::State& state, Bench& b)
{
    b.w->affichage = acquisition::Affichage(state.range(0) ? acquisition::Historique::kCapacite : 0);
}

void BM_ReceiveNoRedraw(benchmark::State& state)
{
    Bench& b = bench();
    withRing(state, b);
    b.w->chkRunStop->setChecked(false);
    int k = 0;
    for (auto _ : state)
        b.w->Reception(b.frames[k ^= 1]);
    b.w->chkRunStop->setChecked(true);
}
BENCHMARK(BM_ReceiveNoRedraw)->Arg(0)->Arg(1);

// The same while a session is recorded: each frame also written to a file as it arrives.
void BM_ReceiveNoRedrawRecording(benchmark::State& state)
{
    Bench& b = bench();
    withRing(state, b);
    QTemporaryDir dir;
    if (!b.w->enregistreur->demarre(dir.filePath(QStringLiteral("session.csv")),
                                    QDateTime::currentMSecsSinceEpoch())) {
        state.SkipWithError("the recording does not start");
        return;
    }
    b.w->chkRunStop->setChecked(false);
    int k = 0;
    for (auto _ : state)
        b.w->Reception(b.frames[k ^= 1]);
    b.w->chkRunStop->setChecked(true);
    const qint64 frames = b.w->enregistreur->trames();
    b.w->enregistreur->arrete();
    // What a frame costs on the disk, for the size of an hour.
    state.counters["bytes_per_frame"] =
        double(QFileInfo(dir.filePath(QStringLiteral("session.csv"))).size()) /
        double(std::max<qint64>(1, frames));
}
BENCHMARK(BM_ReceiveNoRedrawRecording)->Arg(1);

void BM_ReceiveWithRedraw(benchmark::State& state)
{
    Bench& b = bench();
    withRing(state, b);
    int k = 0;
    for (auto _ : state)
        b.w->Reception(b.frames[k ^= 1]);
}
BENCHMARK(BM_ReceiveWithRedraw)->Arg(0)->Arg(1);

struct NullSink final : acquisition::FrameAssembler::Sink
{
    qint64 frames = 0;
    void rxStart() override {}
    void rxStop() override {}
    void rxOverflow() override {}
    void bufferShown(const QByteArray&) override {}
    void frame(const QByteArray& f) override { frames += f.size() > 0; }
};

void BM_Framing(benchmark::State& state)
{
    QByteArray stream;
    for (int i = 0; i < 20000; ++i)
        stream += bench().frames[i & 1];
    std::vector<qsizetype> cuts;
    QRandomGenerator random(42);
    for (qsizetype at = 0; at < stream.size(); at += 1 + random.bounded(4096))
        cuts.push_back(at);
    cuts.push_back(stream.size());
    acquisition::FrameAssembler rx;
    NullSink sink;
    for (auto _ : state) {
        for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
            rx.Reception(QByteArrayView(stream).sliced(cuts[i], cuts[i + 1] - cuts[i]), sink);
    }
    benchmark::DoNotOptimize(sink.frames);
    state.SetBytesProcessed(qint64(state.iterations()) * stream.size());
}
BENCHMARK(BM_Framing)->Unit(benchmark::kMillisecond);

// "Ouvrir" on a recorded session as large as the history: one slice, the window's longest step
// while the file loads, and the whole file. Its frames are the benchmark's two, in turn.
void BM_OpenSession(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.csv"));
    {
        acquisition::Enregistreur r;
        const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
        r.demarre(path, t0);
        for (int i = 0; i < acquisition::Historique::kCapacite; ++i)
            r.ecrit({acquisition::decodeFrame(QByteArrayView(bench().frames[i & 1]).sliced(1)), t0 + 34 * i});
    }
    double slices = 0, longest = 0;
    for (auto _ : state) {
        acquisition::Chargement c;
        c.ouvre(path);
        QElapsedTimer t;
        for (bool more = true; more; ++slices) {
            t.start();
            more = c.avance();
            auto session = c.session();
            benchmark::DoNotOptimize(session);
            longest = std::max(longest, double(t.nsecsElapsed()) / 1e6);
        }
    }
    state.counters["longest_slice_ms"] = longest;
    state.counters["slices"] = slices / double(state.iterations());
}
BENCHMARK(BM_OpenSession)->Unit(benchmark::kMillisecond);

// The receive path while a button is held on the screen: frames decoded, kept (and drawn not),
// the port left open. Beside BM_ReceiveNoRedraw, which does the same work with the picture free.
void BM_ReceiveDuringADrag(benchmark::State& state)
{
    Bench& b = bench();
    b.w->Scope_MouseDown(1, 0, 1000, 1000);
    int k = 0;
    for (auto _ : state)
        b.w->Reception(b.frames[k ^= 1]);
    b.w->Scope_MouseUp(1, 0, 1000, 1000);
}
BENCHMARK(BM_ReceiveDuringADrag)->Unit(benchmark::kMicrosecond);

void fourChannelsAndCursors(ui::FormPrinc& w)
{
    for (int n = 1; n <= 4; ++n)
        w.CH(n)->setChecked(true);
    w.ChkCursTemps->setChecked(true);
    w.ChkCursTension->setChecked(true);
    w.curseurs = {1000, 3000, 900, 2900};
}

void BM_DrawGraphTimeDomain(benchmark::State& state)
{
    Bench& b = bench();
    fourChannelsAndCursors(*b.w);
    b.w->cmdScope_Click();
    for (auto _ : state)
        b.w->DrawGraph();
}
BENCHMARK(BM_DrawGraphTimeDomain);

// The same redraw on a screen of device pixel ratio 2 (a desktop at 200 %).
void BM_DrawGraphTimeDomainAt2x(benchmark::State& state)
{
    Bench& b = bench();
    fourChannelsAndCursors(*b.w);
    b.w->cmdScope_Click();
    b.w->Scope->setDeviceRatio(2);
    for (auto _ : state)
        b.w->DrawGraph();
    b.w->Scope->setDeviceRatio(0);
}
BENCHMARK(BM_DrawGraphTimeDomainAt2x);

// At 2x, a redraw then the 1x picture a save writes, drawn again from the redraw's operations.
void BM_SavedPictureAt2x(benchmark::State& state)
{
    Bench& b = bench();
    fourChannelsAndCursors(*b.w);
    b.w->cmdScope_Click();
    b.w->Scope->setDeviceRatio(2);
    for (auto _ : state) {
        b.w->DrawGraph();
        benchmark::DoNotOptimize(b.w->Scope->Image().constBits());
    }
    b.w->Scope->setDeviceRatio(0);
}
BENCHMARK(BM_SavedPictureAt2x);

void BM_DrawGraphXY(benchmark::State& state)
{
    Bench& b = bench();
    b.w->CmdXY_Click();
    for (auto _ : state)
        b.w->DrawGraph();
    b.w->cmdScope_Click();
}
BENCHMARK(BM_DrawGraphXY);
// One Page Up or Page Down while frozen: a kept frame taken out of the ring and redrawn.
void BM_StepThroughThePast(benchmark::State& state)
{
    Bench& b = bench();
    withRing(state, b);
    fourChannelsAndCursors(*b.w);
    for (int k = 0; k < 100; ++k)
        b.w->Reception(b.frames[k % 2]);
    b.w->chkRunStop->setChecked(false);
    int k = 0;
    for (auto _ : state)
        b.w->Historique_Pas(++k % 2 ? acquisition::Historique::Pas::Precedente
                                    : acquisition::Historique::Pas::Suivante);
    b.w->chkRunStop->setChecked(true);
}
BENCHMARK(BM_StepThroughThePast)->Arg(1);

void BM_DragMove(benchmark::State& state)
{
    Bench& b = bench();
    fourChannelsAndCursors(*b.w);
    float x = 0;
    for (auto _ : state) {
        x = x > 4900 ? 0 : x + 37;
        b.w->Scope_MouseMove(1, 0, x, 1000);
    }
}
BENCHMARK(BM_DragMove);

void BM_DragMoveAt2x(benchmark::State& state)
{
    Bench& b = bench();
    fourChannelsAndCursors(*b.w);
    b.w->Scope->setDeviceRatio(2);
    float x = 0;
    for (auto _ : state) {
        x = x > 4900 ? 0 : x + 37;
        b.w->Scope_MouseMove(1, 0, x, 1000);
    }
    b.w->Scope->setDeviceRatio(0);
}
BENCHMARK(BM_DragMoveAt2x);

void BM_DragPress(benchmark::State& state)
{
    Bench& b = bench();
    fourChannelsAndCursors(*b.w);
    float y = 0;
    for (auto _ : state) {
        y = y > 3900 ? 0 : y + 29;
        b.w->Scope_MouseDown(2, 1, 1000, y);
    }
}
BENCHMARK(BM_DragPress);

// One look of the wait for a lost port, made four times a second while waiting: a device known
// by its path is one stat; an adapter known by its USB identity (and no by-id link) asks for the
// system's whole list of ports.
void BM_LookForLostPort(benchmark::State& state)
{
    acquisition::PortWait wait;
    acquisition::PortChoice wanted;
    wanted.device.location = QStringLiteral("/nonexistent/vantor-lost");
    if (state.range(0) == 1)
        wanted.device.usb = acquisition::UsbIdentity{0x0403, 0x6001, QStringLiteral("LOST")};
    for (auto _ : state)
        benchmark::DoNotOptimize(wait.locate(wanted));
}
BENCHMARK(BM_LookForLostPort)->Arg(0)->Arg(1);

// One second of the wait for a port that another program holds, tried again every second until
// it is let go: argument 0, a device known by its path (a stat and an open); 1, a USB adapter
// without a serial number, which only the system's list finds, asked once a second besides.
// The CPU time is what the wait costs per second, the counter how often it lists.
void BM_WaitForBusyPort(benchmark::State& state)
{
    Pty board;
    QTemporaryDir dir;
    acquisition::SerialDevice device{
        QStringLiteral("ttyUSB0"), {}, dir.filePath(QStringLiteral("ttyUSB0")), {}, {}};
    if (state.range(0) == 1) {
        device.usb = acquisition::UsbIdentity{0x1a86, 0x7523, {}};
        device.byPath = QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0");
    }
    QFile::link(board.path(), device.location);
    QSerialPort other(device.location);
    if (!other.open(QIODevice::ReadWrite)) state.SkipWithError("the other program could not take the port");
    acquisition::SerialLink link;
    acquisition::PortLife life(link);
    int listed = 0;
    life.devices = [&] {
        ++listed;
        return acquisition::systemDevices() << device;
    };
    life.open({0, device});
    for (auto _ : state) {
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (link.PortOpen()) state.SkipWithError("opened while another program held it");
    state.counters["listings"] = benchmark::Counter(listed, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_WaitForBusyPort)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows here start as a fresh user's, never on the port the user chose.
    QStandardPaths::setTestModeEnabled(true);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ui::setUpApplication(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    bench().w.reset();
    benchmark::Shutdown();
    return 0;
}
