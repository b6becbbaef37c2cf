#pragma once

// Waiting on the event loop, and reading this process's memory, for tests and benchmarks.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

namespace testing_support {

// Lets the event loop run until `done` holds or `ms` have passed; false on time-out.
template <class Pred> bool waitFor(Pred done, int ms = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
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
