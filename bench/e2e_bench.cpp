// End-to-end measurements against the simulated board on a pseudo-terminal.
//   vantor_e2e_bench fast N     the window, the board as fast as the pty goes: frames per second
//   vantor_e2e_bench real S [MS] the real program at the link rate for S seconds, the board
//                               writing every MS ms (2): CPU share (median second, mean), memory
//   vantor_e2e_bench startup    process start to the first shown window, and memory then
//   vantor_e2e_bench floor S [MS] a bare poll/read loop on the same stream: this machine's floor
// Prints "name value unit" lines.
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Wait.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/FormPrinc.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

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

CpuShare cpuShare(qint64 pid, int seconds)
{
    std::vector<double> shares;
    QElapsedTimer t;
    t.start();
    double cpu = cpuSeconds(pid), wall = 0;
    const double cpuStart = cpu;
    for (int i = 0; i < seconds; ++i) {
        QThread::sleep(1);
        const double cpuNow = cpuSeconds(pid), wallNow = t.nsecsElapsed() / 1e9;
        shares.push_back(100.0 * (cpuNow - cpu) / (wallNow - wall));
        cpu = cpuNow;
        wall = wallNow;
    }
    CpuShare share;
    if (shares.empty()) return share;
    std::sort(shares.begin(), shares.end());
    const std::size_t n = shares.size();
    share.median = n % 2 ? shares[n / 2] : (shares[n / 2 - 1] + shares[n / 2]) / 2;
    share.mean = 100.0 * (cpu - cpuStart) / wall;
    return share;
}

void print(const char* name, double value, const char* unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

int fast(int frames)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("fast"), QStringLiteral("--count"),
                 QString::number(frames), QStringLiteral("--linger"), QStringLiteral("500")});
    if (board.path().isEmpty()) return 1;
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    w.show();
    QElapsedTimer t;
    waitFor([&] { return w.framesDecoded > 0; }, 5000);
    t.start();
    const quint64 first = w.framesDecoded;
    waitFor([&] { return w.framesDecoded >= quint64(frames) || !board.running(); }, 120000);
    const double seconds = t.nsecsElapsed() / 1e9;
    waitFor([&] { return !board.running(); }, 5000);
    print("fast_frames_per_second", double(w.framesDecoded - first) / seconds, "frames/s");
    print("fast_frames_sent", double(board.stat(QStringLiteral("sent"))), "frames");
    print("fast_frames_decoded", double(w.framesDecoded), "frames");
    return 0;
}

int real(int seconds, int sliceMs)
{
    Board board({QStringLiteral("--rate"), QStringLiteral("real"), QStringLiteral("--slice-ms"),
                 QString::number(sliceMs)});
    if (board.path().isEmpty()) return 1;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VANTOR_COM1"), board.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VANTOR_PROGRAM), {});
    if (!program.waitForStarted(5000)) return 1;
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

int startup(const char* self)
{
    QElapsedTimer t;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("fast");
    if (mode == "startup-child") return startupChild(argc, argv);
    if (mode == "floor-child" && argc > 2) return floorChild(argv[2]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    ui::setUpApplication(app);
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == "fast") return fast(n > 0 ? n : 20000);
    if (mode == "real") return real(n > 0 ? n : 30, argc > 3 ? std::max(1, std::atoi(argv[3])) : 2);
    if (mode == "startup") return startup(argv[0]);
    if (mode == "floor")
        return floorRun(n > 0 ? n : 30, argc > 3 ? std::max(1, std::atoi(argv[3])) : 2, argv[0]);
    std::fprintf(stderr, "usage: vantor_e2e_bench fast [N] | real [SECONDS [SLICE_MS]] | startup\n");
    return 2;
}
