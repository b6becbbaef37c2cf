#pragma once

// Waiting on the event loop, and reading this process's memory, for tests and benchmarks.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QTimer>

namespace testing_support {

// Lets the event loop run until `done` holds or `ms` have passed; false on time-out. It sleeps
// until the next event (a 10 ms tick at the latest) rather than polling, so waiting takes no
// CPU from the program under test and the process's CPU time stays the program's own.
template <class Pred> bool waitFor(Pred done, int ms = 3000)
{
    const QDeadlineTimer deadline(ms);
    QTimer tick;
    tick.start(10);
    QEventLoop loop;
    while (!done()) {
        if (deadline.hasExpired()) return false;
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Resident memory of a process (this one by default), in MiB; -1 when unknown.
inline double residentMiB(const QString& pid = QStringLiteral("self"))
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

} // namespace testing_support
