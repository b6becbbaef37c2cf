#include "acquisition/SerialLink.h"

#include <QSocketNotifier>

namespace acquisition {

SerialLink::SerialLink(QObject* parent) : QObject(parent)
{
    pace_.setSingleShot(true);
    pace_.setInterval(kPaceMs);
    connect(&pace_, &QTimer::timeout, this, [this] {
        setReadNotification(true);
        listening_.start();
    });
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        commEvent_ = kEventReceive;
        lastInput_ = 0;
        emit OnComm();
        if (lastInput_ <= 0) return;
        // Reading re-arms the port's notifier. Hold it back only when small reads follow each
        // other closely: for reads far apart, switching it off and on costs more wakeups than
        // it saves.
        const bool trickle = listening_.isValid() && listening_.elapsed() < kTrickleGapMs;
        listening_.start();
        if (trickle && port_.isOpen() && lastInput_ < kPaceBelow) {
            setReadNotification(false);
            pace_.start();
        }
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::onError);
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
        pace_.stop();
        if (port_.isOpen()) port_.close();
        return true;
    }
    if (port_.isOpen()) return true;
    port_.setPortName(deviceName(commPort_));
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
    QByteArray bytes = port_.readAll();
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
