#include "acquisition/SerialLink.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace acquisition {

SerialLink::SerialLink(QObject* parent) : QObject(parent)
{
    pace_.setInterval(kPaceMs);
    connect(&pace_, &QTimer::timeout, this, &SerialLink::readOnTime);
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        deliver();
        if (lastInput_ <= 0 || !port_.isOpen()) return;
        // Small reads following each other closely are a trickle: from now on the port is
        // read on the clock.
        const bool trickle = listening_.isValid() && listening_.elapsed() < kTrickleGapMs;
        listening_.start();
        if (trickle && lastInput_ < kPaceBelow) readOnClock();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::onError);
}

void SerialLink::deliver()
{
    commEvent_ = kEventReceive;
    lastInput_ = 0;
    emit OnComm();
}

// On the clock the port's notifier stays off for as long as the stream lasts, and each tick
// reads the descriptor itself: the port would switch its notifier back on at every read
// through it, and each switch wakes the event loop once more.
void SerialLink::readOnClock()
{
#ifdef Q_OS_UNIX
    setReadNotification(false);
    pace_.start();
#endif
}

void SerialLink::watch()
{
    pace_.stop();
    setReadNotification(true);
    listening_.start();
}

void SerialLink::readOnTime()
{
#ifdef Q_OS_UNIX
    if (!port_.isOpen()) {
        pace_.stop();
        return;
    }
    char chunk[kPaceBelow];
    const ssize_t n = ::read(int(port_.handle()), chunk, sizeof chunk);
    // A full chunk: more may wait, a backlog for the notifier to take at once. Nothing (the
    // stream paused) or an error (the port gone): the notifier takes over too, and the port
    // then reports itself what went wrong.
    if (n <= 0 || n == qsizetype(sizeof chunk)) watch();
    if (n <= 0) return;
    clocked_.append(chunk, qsizetype(n));
    deliver();
#endif
}

QString SerialLink::deviceName(int n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    const QByteArray custom = qgetenv(QStringLiteral("VANTOR_COM%1").arg(n).toLatin1().constData());
    if (!custom.isEmpty()) return QString::fromLocal8Bit(custom);
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

bool SerialLink::setPortOpen(bool open)
{
    if (!open) {
        pace_.stop(); // a port opened again starts with its notifier on
        clocked_.clear();
        if (port_.isOpen()) port_.close();
        return true;
    }
    if (port_.isOpen()) return true;
    const QString device = deviceName(commPort_);
#ifdef Q_OS_UNIX
    // A device that is not there (an adapter unplugged) fails here without the port's lock
    // file, which would be written and synced to disk on every retry before the device is
    // even tried. The message is the one the port gives.
    if (!QFileInfo::exists(device)) {
        error_ = qt_error_string(ENOENT);
        return false;
    }
#endif
    port_.setPortName(device);
    port_.setReadBufferSize(0);
    port_.setBaudRate(115200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        port_.clearError();
        return false;
    }
    error_.clear();
    return true;
}

QByteArray SerialLink::Input()
{
    commEvent_ = 0;
    // Only what the port has buffered: reading through it when it has nothing makes it
    // switch its notifier back on, which would undo reading on the clock.
    QByteArray bytes = port_.bytesAvailable() > 0 ? port_.readAll() : QByteArray();
    if (bytes.isEmpty())
        bytes.swap(clocked_);
    else
        bytes += std::exchange(clocked_, QByteArray()); // the port's own bytes are the older
    lastInput_ = bytes.size();
    return bytes;
}

// The port watches its descriptor with a read notifier of its own (a child object); where it
// has none, nothing is paced and every byte is still read at once.
void SerialLink::setReadNotification(bool enabled)
{
    if (!port_.isOpen()) return;
    for (QSocketNotifier* n : port_.findChildren<QSocketNotifier*>())
        if (n->type() == QSocketNotifier::Read) n->setEnabled(enabled);
}

bool SerialLink::Output(QByteArrayView bytes)
{
    if (!port_.isOpen()) {
        error_ = QStringLiteral("le port COM%1 n'est pas ouvert").arg(commPort_);
        return false;
    }
    if (port_.write(bytes.data(), bytes.size()) != bytes.size()) {
        error_ = port_.errorString();
        return false;
    }
    return true;
}

void SerialLink::onError(QSerialPort::SerialPortError error)
{
    // A vanished device shows as a resource error, or (a pty whose other end closed) as a
    // read that finds the end of the file: either way the descriptor is dead.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen()) return;
    // Closing at once also stops the notifier, which would otherwise fire on the dead fd.
    error_ = port_.errorString();
    pace_.stop();
    port_.close();
    port_.clearError();
    emit portLost();
}

} // namespace acquisition
