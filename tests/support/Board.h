#pragma once

// The simulated board as a separate process on its own pseudo-terminal.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

namespace testing_support {

class Board
{
public:
    explicit Board(QStringList arguments)
    {
        statsPath_ = dir_.filePath(QStringLiteral("stats"));
        rxPath_ = dir_.filePath(QStringLiteral("rx"));
        arguments << QStringLiteral("--stats-file") << statsPath_ << QStringLiteral("--log-rx") << rxPath_;
        process_.setProgram(QStringLiteral(VANTOR_BOARDSIM));
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000))
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~Board()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(1000);
    }
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    QString path() const { return path_; }
    bool running() const { return process_.state() == QProcess::Running; }
    bool waitForExit(int ms) { return process_.waitForFinished(ms); }
    QProcess& process() { return process_; }

    // The counters the board wrote at exit: sent, intact, bytes, rx.
    qint64 stat(const QString& name) const
    {
        QFile f(statsPath_);
        if (!f.open(QIODevice::ReadOnly)) return -1;
        const QRegularExpression re(name + QStringLiteral("=(\\d+)"));
        const auto m = re.match(QString::fromLatin1(f.readAll()));
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    }
    QByteArray received() const
    {
        QFile f(rxPath_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
    QString statsPath_, rxPath_, path_;
    QProcess process_;
};

} // namespace testing_support
