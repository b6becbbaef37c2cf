#include "acquisition/SerialLink.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace acquisition {
namespace {

// Whether the device, or a folder on its way, is closed to this user. A device that is busy
// also opens with a permission error, but rights would not help there.
bool closedToUs([[maybe_unused]] const QString& device)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES;
#else
    return false;
#endif
}

} // namespace

SerialLink::SerialLink(QObject* parent) : QObject(parent)
{
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        commEvent_ = kEventReceive;
        emit OnComm();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::onError);
    watch_.setInterval(kWatchMs);
    connect(&watch_, &QTimer::timeout, this, &SerialLink::watch);
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

void SerialLink::setCommPort(int n)
{
    commPort_ = n;
    device_.clear();
    name_.clear();
}

void SerialLink::setDevice(const QString& device, const QString& name)
{
    commPort_ = 0;
    device_ = device;
    name_ = name.isEmpty() ? QFileInfo(device).fileName() : name;
}

QString SerialLink::caption() const
{
    return commPort_ > 0 ? QStringLiteral("COM%1").arg(commPort_) : name_;
}

bool SerialLink::setPortOpen(bool open)
{
    if (!open) {
        closePort();
        return true;
    }
    if (port_.isOpen()) return true;
    refusedForRights_ = false;
    const QString name = device();
#ifdef Q_OS_UNIX
    // A device that is not there (an adapter unplugged) fails here, before the port writes
    // its lock file and syncs it to disk, as it would on every retry. Opening it as a file
    // fails the same way and words it as the port would.
    if (!QFileInfo::exists(name)) {
        QFile missing(name);
        if (!missing.open(QIODevice::ReadOnly)) {
            error_ = missing.errorString();
            refusedForRights_ = closedToUs(name);
            return false;
        }
    }
#endif
    port_.setPortName(name);
    port_.setReadBufferSize(0);
    port_.setBaudRate(115200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        refusedForRights_ = port_.error() == QSerialPort::PermissionError && closedToUs(name);
        port_.clearError();
        return false;
    }
    error_.clear();
    watch_.start();
    return true;
}

void SerialLink::closePort()
{
    watch_.stop();
    if (port_.isOpen()) port_.close();
}

QByteArray SerialLink::Input()
{
    commEvent_ = 0;
    return port_.readAll();
}

void SerialLink::collect()
{
    if (!port_.isOpen()) return;
    // Nothing waiting is reported as a timeout, which is no fault of the port.
    if (!port_.waitForReadyRead(0) && port_.isOpen()) port_.clearError();
}

bool SerialLink::Output(QByteArrayView bytes)
{
    if (!port_.isOpen()) {
        error_ = QStringLiteral("le port %1 n'est pas ouvert").arg(caption());
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
    // read that finds the end of the file: either way the port is dead.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen()) return;
    // Closing at once also stops the port watching a dead device.
    error_ = port_.errorString();
    closePort();
    port_.clearError();
    emit portLost();
}

// Since Qt 6.8 a hung-up tty's endless empty reads pass as "no data": no error, no readyRead,
// and the port's notifier keeps firing, so a vanished device would go unnoticed with the
// program spinning. Asking for the line signals fails with EIO on a hung-up tty, which the
// port reports as a resource error (handled by onError); a pty without modem lines refuses
// the question as unsupported, which is not a loss.
void SerialLink::watch()
{
    port_.pinoutSignals();
    if (port_.isOpen() && port_.error() != QSerialPort::NoError) port_.clearError();
}

} // namespace acquisition
