// End-to-end measurements against the simulated board on a pseudo-terminal.
//   vantor_e2e_bench fast N     the window, the board as fast as the pty goes: frames per second
//   vantor_e2e_bench real S [MS] the real program at the link rate for S seconds, the board
//                               writing every MS ms (2): CPU share (median second, mean), memory
//   vantor_e2e_bench startup    process start to the first shown window, and memory then
//   vantor_e2e_bench floor S [MS] a bare poll/read loop on the same stream: this machine's floor
//   vantor_e2e_bench lag S MS [offscreen|xcb]  the window, the board at the link rate writing
//                               every MS ms: from the board's write of a frame's end code to the
//                               end of that frame's redraw (xcb: on an Xvfb of its own, and the
//                               time to the screen's next paint event too)
//   vantor_e2e_bench lagrec S MS [offscreen|xcb]  the same while the window records the session,
//                               run with bench/slowsync preloaded so that every push to the disk
//                               takes 400 ms: the window must not wait for them
//   vantor_e2e_bench xreal S [MS] the real program on an Xvfb of its own at the link rate: CPU
//                               of the program and of the X server over the same seconds (each
//                               second's pair on stderr, where bursts show)
//   vantor_e2e_bench events S [MS] the window on an Xvfb of its own at the link rate: per second,
//                               chunks read, frames decoded, status changes and the events Qt
//                               delivers (paints by widget, update and layout requests, timers);
//                               each second's counts on stderr
// Prints "name value unit" lines.
#include "acquisition/Enregistrement.h"
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Frames.h"
#include "support/Wait.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/FormPrinc.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QMap>
#include <QPaintEvent>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace testing_support;

namespace {

// CPU seconds of a process, all its threads: the scheduler's nanosecond counts where there
// are some, else user plus system ticks.
double cpuSeconds(qint64 pid)
{
    double ns = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile sched(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!sched.open(QIODevice::ReadOnly)) continue;
        ns += sched.readAll().split(' ').value(0).toDouble();
    }
    if (ns > 0) return ns / 1e9;
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// A process's CPU share of one core, in per cent, second by second for `seconds`. This
// machine's neighbours steal whole seconds at random: the median second says what the
// program costs, the mean what the run cost.
struct CpuShare
{
    double median = 0, mean = 0;
};

std::vector<CpuShare> cpuShares(const std::vector<qint64>& pids, int seconds)
{
    const std::size_t k = pids.size();
    std::vector<std::vector<double>> shares(k);
    std::vector<double> cpu(k), cpuStart(k);
    QElapsedTimer t;
    t.start();
    for (std::size_t j = 0; j < k; ++j)
        cpu[j] = cpuStart[j] = cpuSeconds(pids[j]);
    double wall = 0;
    for (int i = 0; i < seconds; ++i) {
        QThread::sleep(1);
        const double wallNow = t.nsecsElapsed() / 1e9;
        for (std::size_t j = 0; j < k; ++j) {
            const double cpuNow = cpuSeconds(pids[j]);
            shares[j].push_back(100.0 * (cpuNow - cpu[j]) / (wallNow - wall));
            std::fprintf(stderr, "%s%.2f", j ? " " : "sec ", shares[j].back());
            cpu[j] = cpuNow;
        }
        wall = wallNow;
        std::fprintf(stderr, "\n");
    }
    std::vector<CpuShare> out(k);
    for (std::size_t j = 0; j < k && seconds > 0; ++j) {
        std::vector<double>& v = shares[j];
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        out[j].median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        out[j].mean = 100.0 * (cpu[j] - cpuStart[j]) / wall;
    }
    return out;
}

CpuShare cpuShare(qint64 pid, int seconds)
{
    return cpuShares({pid}, seconds).front();
}

void print(const char* name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// The window on the fast board sending `frames` frames; `watch` follows it from the first frame.
int onFastBoard(int frames, const std::function<void(ui::FormPrinc&, Board&)>& watch)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("fast"), QStringLiteral("--count"),
                 QString::number(frames), QStringLiteral("--linger"), QStringLiteral("500")});
    if (board.path().isEmpty()) return 1;
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    w.show();
    waitFor([&] { return w.framesDecoded > 0; }, 5000);
    watch(w, board);
    return 0;
}

// `recording`: the session recorded to a file from the first frame on, every frame written, and
// what an hour of the board at its fastest takes on the disk.
int fast(int frames, bool recording)
{
    return onFastBoard(frames, [frames, recording](ui::FormPrinc& w, Board& board) {
        const QTemporaryDir dir;
        const QString session = dir.filePath(QStringLiteral("session.csv"));
        if (recording && !w.enregistreur->demarre(session, QDateTime::currentMSecsSinceEpoch())) return;
        const std::string run = recording ? "record_" : "fast_";
        QElapsedTimer t;
        t.start();
        const quint64 first = w.framesDecoded;
        waitFor([&] { return w.framesDecoded >= quint64(frames) || !board.running(); }, 120000);
        const double seconds = t.nsecsElapsed() / 1e9;
        waitFor([&] { return !board.running(); }, 5000);
        print((run + "frames_per_second").c_str(), double(w.framesDecoded - first) / seconds, "frames/s");
        print((run + "frames_sent").c_str(), double(board.stat(QStringLiteral("sent"))), "frames");
        print((run + "frames_decoded").c_str(), double(w.framesDecoded), "frames");
        if (!recording) return;
        const qint64 written = w.enregistreur->trames();
        w.enregistreur->arrete();
        print("record_frames_not_written", double(w.framesDecoded - first - quint64(written)), "frames");
        print("record_bytes_per_frame",
              double(QFileInfo(session).size()) / double(std::max<qint64>(1, written)), "bytes");
    });
}

// The fast board sending `frames` frames, the ring wrapping over and over: resident memory once
// the ring is full and at the end, against the ring's own size.
int ring(int frames)
{
    return onFastBoard(frames, [frames](ui::FormPrinc& w, Board& board) {
        const double before = residentMiB();
        const int capacity = w.historique.capacity();
        waitFor([&] { return w.framesDecoded >= quint64(capacity) || !board.running(); }, 120000);
        const double full = residentMiB();
        waitFor([&] { return w.framesDecoded >= quint64(frames) || !board.running(); }, 600000);
        waitFor([&] { return !board.running(); }, 5000);
        const double end = residentMiB();
        print("ring_bytes", double(capacity) * acquisition::Historique::octetsParTrame() / (1024.0 * 1024.0),
              "MiB");
        print("ring_frames_decoded", double(w.framesDecoded), "frames");
        print("ring_rss_first_frame", before, "MiB");
        print("ring_rss_full", full, "MiB");
        print("ring_rss_end", end, "MiB");
        print("ring_rss_growth_while_full", end - full, "MiB");
    });
}

// A two-hour session at the board's fastest, made here, opened in a fresh window: the time until
// its first frame shows, until every row is found, End, one step, and the memory it takes.
int session(int frames)
{
    const QTemporaryDir dir;
    const QString chemin = dir.filePath(QStringLiteral("deux-heures.csv"));
    {
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        const acquisition::Enregistrement::Ecriture e(0, QLocale());
        QByteArray tampon = e.entete();
        testing_support::FrameFields fields;
        for (int k = 0; k < frames; ++k) {
            fields.ch1 = testing_support::ramp(k % 256, 1);
            fields.ch2 = testing_support::ramp(255 - k % 256, -2);
            tampon +=
                e.ligne({acquisition::decodeFrame(QByteArray(testing_support::frameText(fields)).sliced(1)),
                         k * 1000LL / 29});
            if (tampon.size() > (1 << 20)) f.write(std::exchange(tampon, {}));
        }
        f.write(tampon);
    }
    qputenv("VANTOR_COM1", "/nonexistent/vantor-bench-session");
    FakeDialogs dialogs;
    dialogs.openNames = {chemin};
    ui::FormPrinc w(dialogs);
    w.show();
    dialogs.warnings.clear(); // COM1 absent
    const double avant = residentMiB();
    QElapsedTimer t;
    t.start();
    w.Open_Click();
    waitFor([&] { return w.affichage.sessionOuverte() != nullptr; }, 10000);
    print("session_first_frame_ms", double(t.nsecsElapsed()) / 1e6, "ms");
    waitFor([&] { return !w.chargementEnCours(); }, 600000);
    print("session_index_ms", double(t.nsecsElapsed()) / 1e6, "ms");
    print("session_frames", double(w.affichage.sessionOuverte()->taille()), "frames");
    t.start();
    w.Historique_Pas(acquisition::Historique::Pas::PlusRecente);
    print("session_end_ms", double(t.nsecsElapsed()) / 1e6, "ms");
    t.start();
    w.Historique_Pas(acquisition::Historique::Pas::Precedente);
    print("session_step_ms", double(t.nsecsElapsed()) / 1e6, "ms");
    print("session_at_end", double(w.affichage.place() == frames - 2), "bool");
    print("session_file_mb", double(QFileInfo(chemin).size()) / 1e6, "MB");
    print("session_rss_before_mib", avant, "MiB");
    print("session_rss_mib", residentMiB(), "MiB");
    return dialogs.warnings.isEmpty() ? 0 : 1;
}

// The real program on the board's pty, on the given platform (and X display).
bool startProgram(QProcess& program, const Board& board, const char* platform, const QByteArray& display = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTOR_COM1"), board.path());
    // A fresh user's start, whatever port the user running the benchmark chose.
    static const QTemporaryDir config;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(platform));
    if (!display.isEmpty()) {
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        env.remove(QStringLiteral("XAUTHORITY"));
    }
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VANTOR_PROGRAM), {});
    return program.waitForStarted(5000);
}

int real(int seconds, int sliceMs)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--slice-ms"),
                 QString::number(sliceMs)});
    if (board.path().isEmpty()) return 1;
    QProcess program;
    if (!startProgram(program, board, "offscreen")) return 1;
    const QString pid = QString::number(program.processId());
    QThread::sleep(2); // start-up and the first frames
    const double rssStart = residentMiB(pid);
    const CpuShare cpu = cpuShare(program.processId(), seconds);
    const double rssEnd = residentMiB(pid);
    program.terminate();
    program.waitForFinished(5000);
    print("real_cpu_share_of_one_core", cpu.median, "%");
    print("real_cpu_mean_share_of_one_core", cpu.mean, "%");
    print("real_rss_start", rssStart, "MiB");
    print("real_rss_end", rssEnd, "MiB");
    print("real_rss_growth", rssEnd - rssStart, "MiB");
    return 0;
}

// What any reader of this stream costs on this machine: poll and read, nothing else.
int floorChild(const char* path)
{
    const int fd = ::open(path, O_RDWR | O_NOCTTY);
    if (fd < 0) return 1;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    char buf[4096];
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, -1) >= 0)
        if (::read(fd, buf, sizeof buf) <= 0) return 0;
    return 0;
}

int floorRun(int seconds, int sliceMs, const char* self)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--slice-ms"),
                 QString::number(sliceMs)});
    if (board.path().isEmpty()) return 1;
    QProcess reader;
    reader.start(QString::fromLocal8Bit(self), {QStringLiteral("floor-child"), board.path()});
    if (!reader.waitForStarted(5000)) return 1;
    QThread::sleep(1);
    const CpuShare cpu = cpuShare(reader.processId(), seconds);
    reader.kill();
    reader.waitForFinished(2000);
    print("floor_cpu_share_of_one_core", cpu.median, "%");
    print("floor_cpu_mean_share_of_one_core", cpu.mean, "%");
    return 0;
}

// The clock the board stamps its writes with.
qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// An X server of our own: Xvfb picks a free display and says which through -displayfd,
// so nothing guesses a number another server might be using.
class Xvfb
{
public:
    Xvfb()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        char fdText[16];
        std::snprintf(fdText, sizeof fdText, "%d", fds[1]);
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec.
            ::fcntl(fds[1], F_SETFD, 0);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fdText, "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (pid_ < 0) {
            ::close(fds[0]);
            return;
        }
        QByteArray number;
        pollfd p{fds[0], POLLIN, 0};
        char c;
        while (!number.endsWith('\n') && ::poll(&p, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1)
            number += c;
        ::close(fds[0]);
        if (number.endsWith('\n')) display_ = ":" + number.trimmed();
    }
    ~Xvfb()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 300; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            ::usleep(10000);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool ok() const { return !display_.isEmpty(); }
    QByteArray display() const { return display_; }
    qint64 pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    QByteArray display_;
};

struct Spread
{
    double median = NAN, p90 = NAN, p99 = NAN, max = NAN;
};

// Nearest-rank percentiles.
Spread spread(std::vector<double> v)
{
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto rank = [&](double p) {
        return v[std::size_t(std::max(1.0, std::ceil(p / 100.0 * double(v.size())))) - 1];
    };
    s.median = rank(50);
    s.p90 = rank(90);
    s.p99 = rank(99);
    s.max = v.back();
    return s;
}

// The number the board puts in a frame's first 10 characters ("#000000042"), or -1.
qint64 frameNumber(const QByteArray& text)
{
    if (text.size() < 10 || text[0] != '#') return -1;
    bool ok = false;
    const qint64 n = text.mid(1, 9).toLongLong(&ok);
    return ok ? n : -1;
}

// Watches the window after each chunk it handled. The window's own handler decodes and
// redraws synchronously, so when the decoded count has grown the redraw is over. The
// assembler's buffer then holds the text of the frame just decoded, unless the same chunk
// also began the next frame: its buffer then holds the start of frame n+1, and the decoded
// one is n (bytes within one chunk are contiguous on the wire). If fewer than 10
// characters of that next frame came, its number is read on a later chunk.
class LagProbe : public QObject
{
public:
    explicit LagProbe(ui::FormPrinc& w) : w_(w), seen_(w.framesDecoded) {}

    void afterChunk()
    {
        const qint64 now = monotonicNs();
        const quint64 decoded = w_.framesDecoded - seen_;
        seen_ = w_.framesDecoded;
        const bool receiving = w_.rx.rxState() == acquisition::RxState::Receiving;
        const qint64 number = frameNumber(w_.rx.rxBuffer());
        if (pending_ && decoded == 0 && receiving && number >= 0) {
            record(number - 1, pendingAt_);
            pending_ = false;
        } else if (pending_ && decoded > 0) {
            // The frame after the pending one completed before its number could be read
            // (or several did): the pending one cannot be told for sure.
            if (decoded == 1 && !receiving && number >= 0)
                record(number - 1, pendingAt_);
            else
                ++unknown_;
            pending_ = false;
        }
        if (decoded == 0) return;
        extra_ += decoded - 1; // more than one frame in a chunk: only the last is timed
        if (!receiving) {
            if (number >= 0)
                record(number, now);
            else
                ++unknown_;
        } else if (number >= 0) {
            record(number - 1, now);
        } else {
            pending_ = true;
            pendingAt_ = now;
        }
    }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (recording && e->type() == QEvent::Paint) paints.push_back(monotonicNs());
        return false;
    }

    bool recording = false;
    QHash<qint64, qint64> redrawn; // frame number -> end of its redraw
    std::vector<qint64> paints;    // screen paint events, in order
    quint64 extra_ = 0, unknown_ = 0;

private:
    void record(qint64 number, qint64 at)
    {
        if (recording) redrawn.insert(number, at);
    }

    ui::FormPrinc& w_;
    quint64 seen_;
    bool pending_ = false;
    qint64 pendingAt_ = 0;
};

void runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// How long one fdatasync takes in this process: a preloaded slow sync shows here.
double syncMs(const QString& chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly) || f.write("x", 1) != 1 || !f.flush()) return -1;
    const qint64 debut = monotonicNs();
    ::fdatasync(f.handle());
    return (monotonicNs() - debut) / 1e6;
}

int lag(int seconds, int sliceMs, bool xcb, bool recording = false)
{
    QTemporaryDir dir;
    const QString endsLog = dir.filePath(QStringLiteral("ends"));
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--slice-ms"),
                 QString::number(sliceMs), QStringLiteral("--log-ends"), endsLog});
    if (board.path().isEmpty()) return 1;
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    LagProbe probe(w);
    // Connected after the window's own handler, so it runs once that one has returned.
    QObject::connect(w.MSComm1, &acquisition::SerialLink::OnComm, &probe, [&] { probe.afterChunk(); });
    w.Scope->installEventFilter(&probe);
    w.show();
    if (!waitFor([&] { return w.framesDecoded > 0; }, 5000)) return 1;
    const QString session = dir.filePath(QStringLiteral("session.csv"));
    if (recording) {
        print("lag_one_sync", syncMs(dir.filePath(QStringLiteral("sync"))), "ms");
        if (!w.enregistreur->demarre(session, QDateTime::currentMSecsSinceEpoch())) return 1;
    }
    runEventLoop(1000); // settle: the window shown, the first frames drawn
    probe.recording = true;
    const quint64 decodedBefore = w.framesDecoded;
    const qint64 writtenBefore = w.enregistreur->trames();
    runEventLoop(seconds * 1000);
    probe.recording = false;
    const quint64 decoded = w.framesDecoded - decodedBefore;
    if (recording) {
        print("lag_frames_recorded", double(w.enregistreur->trames() - writtenBefore), "frames");
        if (!w.enregistreur->arrete()) return 1;
    }
    board.process().terminate(); // the board's log is complete once it has exited
    board.waitForExit(5000);

    QHash<qint64, qint64> ends;
    QFile f(endsLog);
    if (!f.open(QIODevice::ReadOnly)) return 1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2) ends.insert(words[0].toLongLong(), words[1].toLongLong());
    }
    std::vector<double> redraw, paint;
    qint64 lo = -1, hi = -1;
    quint64 noEnd = 0;
    std::sort(probe.paints.begin(), probe.paints.end());
    for (auto it = probe.redrawn.cbegin(); it != probe.redrawn.cend(); ++it) {
        const auto end = ends.constFind(it.key());
        if (end == ends.cend()) {
            ++noEnd;
            continue;
        }
        lo = lo < 0 ? it.key() : std::min(lo, it.key());
        hi = std::max(hi, it.key());
        redraw.push_back((it.value() - end.value()) / 1e6);
        const auto next = std::lower_bound(probe.paints.begin(), probe.paints.end(), it.value());
        if (next != probe.paints.end()) paint.push_back((*next - end.value()) / 1e6);
    }
    // Frames the board finished during the recorded stretch that were not timed: lost,
    // or sharing a chunk with a later frame.
    qint64 missed = 0;
    for (qint64 n = lo; lo >= 0 && n <= hi; ++n)
        missed += ends.contains(n) && !probe.redrawn.contains(n);
    const Spread r = spread(redraw);
    print("lag_frames_matched", double(redraw.size()), "frames");
    print("lag_frames_unmatched", double(missed + noEnd), "frames");
    print("lag_frames_decoded", double(decoded), "frames");
    print("lag_frames_shared_chunk", double(probe.extra_), "frames");
    print("lag_frames_untold", double(probe.unknown_), "frames");
    print("lag_median", r.median, "ms");
    print("lag_p90", r.p90, "ms");
    print("lag_p99", r.p99, "ms");
    print("lag_max", r.max, "ms");
    if (xcb) {
        const Spread p = spread(paint);
        print("lag_paint_median", p.median, "ms");
        print("lag_paint_p90", p.p90, "ms");
        print("lag_paint_p99", p.p99, "ms");
        print("lag_paint_max", p.max, "ms");
    }
    return redraw.size() >= 500 ? 0 : 1;
}

// Counts, second by second, what the window does at the link rate: chunks read, frames
// decoded, status and read-out text changes, and the events Qt delivers (paints per widget,
// layout and update requests, timers). Counts repeat where CPU figures on a shared machine do not.
class EventCount : public QObject
{
public:
    explicit EventCount(ui::FormPrinc& w) : w_(w), decoded_(w.framesDecoded) {}

    void afterChunk()
    {
        add(QStringLiteral("chunks"));
        add(QStringLiteral("frames"), int(w_.framesDecoded - decoded_));
        decoded_ = w_.framesDecoded;
        // What the status panel shows once the chunk is handled, when it changed.
        if (w_.statusPanel->text() != status_) {
            status_ = w_.statusPanel->text();
            add(QStringLiteral("status:") + status_);
        }
    }

    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (!recording) return false;
        const QString name =
            o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
        switch (e->type()) {
        case QEvent::Paint: {
            add(QStringLiteral("paint:") + name);
            const QRect r = static_cast<QPaintEvent*>(e)->rect();
            add(QStringLiteral("paint_px"), r.width() * r.height());
            break;
        }
        case QEvent::LayoutRequest:
            add(QStringLiteral("layout:") + name);
            break;
        case QEvent::UpdateRequest:
            add(QStringLiteral("update:") + name);
            break;
        case QEvent::Timer:
            add(QStringLiteral("timer:") + name);
            break;
        case QEvent::Resize:
            add(QStringLiteral("resize:") + name);
            break;
        case QEvent::Move:
            add(QStringLiteral("move:") + name);
            break;
        default:
            break;
        }
        return false;
    }

    void add(const QString& what, int n = 1)
    {
        if (!recording || n == 0) return;
        const int second = int(clock.elapsed() / 1000);
        if (int(perSecond.size()) <= second) perSecond.resize(second + 1);
        perSecond[second][what] += n;
    }

    bool recording = false;
    QElapsedTimer clock;
    std::vector<QMap<QString, qint64>> perSecond;

private:
    ui::FormPrinc& w_;
    quint64 decoded_;
    QString status_;
};

int events(int seconds, int sliceMs)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--slice-ms"),
                 QString::number(sliceMs)});
    if (board.path().isEmpty()) return 1;
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    EventCount count(w);
    QObject::connect(w.MSComm1, &acquisition::SerialLink::OnComm, &count, [&] { count.afterChunk(); });
    qApp->installEventFilter(&count);
    w.show();
    if (!waitFor([&] { return w.framesDecoded > 0; }, 5000)) return 1;
    runEventLoop(1000);
    count.clock.start();
    count.recording = true;
    runEventLoop(seconds * 1000);
    count.recording = false;
    QMap<QString, qint64> total;
    const int n = std::min<int>(seconds, int(count.perSecond.size()));
    for (int i = 0; i < n; ++i)
        for (auto it = count.perSecond[i].cbegin(); it != count.perSecond[i].cend(); ++it)
            total[it.key()] += it.value();
    // Second by second on stderr, the mean per second on stdout.
    const QStringList keys = total.keys();
    for (int i = 0; i < n; ++i) {
        QString row = QStringLiteral("second %1:").arg(i);
        for (const QString& k : keys)
            if (count.perSecond[i].value(k))
                row += QStringLiteral(" %1=%2").arg(k).arg(count.perSecond[i].value(k));
        std::fprintf(stderr, "%s\n", qPrintable(row));
    }
    for (const QString& k : keys) {
        QString key = k;
        key.replace(QLatin1Char(' '), QLatin1Char('_'));
        std::printf("events_%s %.2f /s\n", qPrintable(key), double(total[k]) / n);
    }
    return 0;
}

// The real program on an X server of its own: its CPU and the server's, the same seconds.
int xreal(int seconds, int sliceMs)
{
    Xvfb x;
    if (!x.ok()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--slice-ms"),
                 QString::number(sliceMs)});
    if (board.path().isEmpty()) return 1;
    QProcess program;
    if (!startProgram(program, board, "xcb", x.display())) return 1;
    QThread::sleep(2); // start-up and the first frames
    const std::vector<CpuShare> cpu = cpuShares({program.processId(), x.pid()}, seconds);
    const bool alive = program.state() == QProcess::Running;
    program.terminate();
    program.waitForFinished(5000);
    board.process().terminate();
    board.waitForExit(5000);
    if (!alive) {
        std::fprintf(stderr, "the program stopped during the run\n");
        return 1;
    }
    print("xreal_cpu_share_of_one_core", cpu[0].median, "%");
    print("xreal_cpu_mean_share_of_one_core", cpu[0].mean, "%");
    print("xserver_cpu_share_of_one_core", cpu[1].median, "%");
    print("xserver_cpu_mean_share_of_one_core", cpu[1].mean, "%");
    // The board only counts what the program's port took: this says it was reading.
    print("xreal_frames_delivered", double(board.stat(QStringLiteral("intact"))), "frames");
    return 0;
}

// The child: what main() does, then report once the window has been painted.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !done) {
            done = true;
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::printf("shown %.3f\n", residentMiB());
                    std::fflush(stdout);
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }
    bool done = false;
};

int startupChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    FakeDialogs dialogs; // no box may wait for a person if COM1 is absent
    ui::FormPrinc window(dialogs);
    FirstPaint watcher;
    window.installEventFilter(&watcher);
    window.show();
    return app.exec();
}

// scale: the desktop's, as QT_SCALE_FACTOR gives it to the program (1 for none).
int startup(const char* self, const char* scale)
{
    QElapsedTimer t;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLocal8Bit(scale));
    child.setProcessEnvironment(env);
    t.start();
    child.start(QString::fromLocal8Bit(self), {QStringLiteral("startup-child")});
    if (!child.waitForReadyRead(10000)) return 1;
    const double ms = t.nsecsElapsed() / 1e6;
    const QList<QByteArray> words = child.readLine().trimmed().split(' ');
    child.waitForFinished(5000);
    print("startup_to_shown_window", ms, "ms");
    print("startup_rss", words.value(1).toDouble(), "MiB");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The windows here start as a fresh user's, never on the port the user chose.
    QStandardPaths::setTestModeEnabled(true);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("fast");
    if (mode == "startup-child") return startupChild(argc, argv);
    if (mode == "floor-child" && argc > 2) return floorChild(argv[2]);
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    const int sliceMs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2;
    const bool xcb =
        ((mode == "lag" || mode == "lagrec") && argc > 4 && QByteArray(argv[4]) == "xcb") || mode == "events";
    std::optional<Xvfb> x;
    if (xcb) {
        x.emplace();
        if (!x->ok()) {
            std::fprintf(stderr, "Xvfb did not start\n");
            return 1;
        }
        qputenv("DISPLAY", x->display());
        qunsetenv("XAUTHORITY");
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ui::setUpApplication(app);
    if (mode == "fast") return fast(n > 0 ? n : 20000, false);
    if (mode == "record") return fast(n > 0 ? n : 20000, true);
    if (mode == "real") return real(n > 0 ? n : 30, sliceMs);
    if (mode == "ring") return ring(n > 0 ? n : 100000);
    if (mode == "session") return session(n > 0 ? n : 212400);
    if (mode == "startup") return startup(argv[0], argc > 2 ? argv[2] : "1");
    if (mode == "floor") return floorRun(n > 0 ? n : 30, sliceMs, argv[0]);
    if (mode == "lag") return lag(n > 0 ? n : 30, sliceMs, xcb);
    if (mode == "lagrec") return lag(n > 0 ? n : 30, sliceMs, xcb, true);
    if (mode == "xreal") return xreal(n > 0 ? n : 30, sliceMs);
    if (mode == "events") return events(n > 0 ? n : 20, sliceMs);
    std::fprintf(stderr,
                 "usage: vantor_e2e_bench fast [N] | record [N] | ring [N] | session [N] | real [SECONDS "
                 "[SLICE_MS]] | startup [SCALE] | floor "
                 "[SECONDS [SLICE_MS]] | lag|lagrec [SECONDS [SLICE_MS [offscreen|xcb]]] | xreal [SECONDS "
                 "[SLICE_MS]] | events [SECONDS [SLICE_MS]]\n");
    return 2;
}
