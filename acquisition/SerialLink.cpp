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
    connect(&port_, &SerialPort::readyRead, this, [this] {
        commEvent_ = kEventReceive;
        emit OnComm();
    });
    connect(&port_, &SerialPort::errorOccurred, this, &SerialLink::onError);
    watch_.setInterval(kWatchMs);
    connect(&watch_, &QTimer::timeout, this, &SerialLink::watch);
    connect(&port_, &SerialPort::bytesWritten, this, &SerialLink::written);
    writeLimit_.setSingleShot(true);
    writeLimit_.setInterval(kWriteLimitMs);
    connect(&writeLimit_, &QTimer::timeout, this, [this] {
        // What never went is not sent late, when the board no longer expects it.
        port_.clear(SerialPort::Output);
        writeFailedWith(
            QStringLiteral("le port %1 n'a rien envoyé en %2 ms").arg(caption()).arg(kWriteLimitMs));
    });
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
    device_ = {};
}

void SerialLink::setDevice(const QString& device, const QString& name)
{
    setDevice(SerialDevice{name, {}, device, {}, {}});
}

void SerialLink::setDevice(const SerialDevice& device)
{
    commPort_ = 0;
    device_ = device;
    if (device_.name.isEmpty()) device_.name = QFileInfo(device.location).fileName();
}

PortChoice SerialLink::choice() const
{
    if (commPort_ > 0) return {commPort_, SerialDevice{caption(), {}, device(), {}, {}}};
    return {0, device_};
}

QString SerialLink::caption() const
{
    return commPort_ > 0 ? QStringLiteral("COM%1").arg(commPort_) : device_.name;
}

bool SerialLink::setPortOpen(bool open)
{
    if (!open) {
        closePort(QStringLiteral("le port %1 a été fermé avant de l'envoyer").arg(caption()));
        return true;
    }
    if (port_.isOpen()) return true;
    refusedForRights_ = false;
    refusedAsBusy_ = false;
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
    port_.setDataBits(SerialPort::Data8);
    port_.setParity(SerialPort::NoParity);
    port_.setStopBits(SerialPort::OneStop);
    port_.setFlowControl(SerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        error_ = port_.errorString();
        // Qt words a device held by another program as a permission error too.
        const bool refused = port_.error() == SerialPort::PermissionError;
        refusedForRights_ = refused && closedToUs(name);
        refusedAsBusy_ = refused && !refusedForRights_;
        port_.clearError();
        return false;
    }
    error_.clear();
    watch_.start();
    return true;
}

void SerialLink::closePort(const QString& why)
{
    watch_.stop();
    const bool unsent = pending_ > 0;
    if (port_.isOpen()) port_.close();
    // Whatever closes the port (a new choice, a loss, the window closing), a key that did not go is said.
    if (unsent) writeFailedWith(why);
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
    probe([this] { port_.waitForReadyRead(0); });
}

template <class Probe> void SerialLink::probe(Probe ask)
{
    // An error the port met before is not this probe's to clear; onError has seen it anyway.
    const bool clean = port_.error() == SerialPort::NoError;
    ask();
    if (clean && port_.isOpen() && port_.error() != SerialPort::NoError) port_.clearError();
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
    pending_ += bytes.size();
    // Counted from the oldest byte still waiting: keys pressed on a stuck line do not put off
    // its report.
    if (!writeLimit_.isActive()) writeLimit_.start();
    return true;
}

void SerialLink::written(qint64 bytes)
{
    pending_ -= bytes;
    if (pending_ <= 0) {
        pending_ = 0;
        writeLimit_.stop();
    } else {
        writeLimit_.start(); // the line moves: the rest gets its own time
    }
}

void SerialLink::writeFailedWith(const QString& reason)
{
    pending_ = 0;
    writeLimit_.stop();
    error_ = reason;
    emit writeFailed(reason);
}

void SerialLink::onError(SerialPort::SerialPortError error)
{
    if (!port_.isOpen()) return;
    if (error == SerialPort::WriteError) {
        const QString reason = port_.errorString();
        port_.clearError();
        writeFailedWith(reason);
        return;
    }
    // A vanished device shows as a resource error, or (a pty whose other end closed) as a
    // read that finds the end of the file: either way the port is dead.
    if (error != SerialPort::ResourceError && error != SerialPort::ReadError) return;
    // Closing at once also stops the port watching a dead device.
    const QString reason = port_.errorString();
    closePort(reason);
    port_.clearError();
    error_ = reason;
    emit portLost();
}

// Since Qt 6.8 a hung-up tty's endless empty reads pass as "no data": no error, no readyRead,
// and the port's notifier keeps firing, so a vanished device would go unnoticed with the
// program spinning. Asking for the line signals fails with EIO on a hung-up tty, which the
// port reports as a resource error (handled by onError); a pty without modem lines refuses
// the question as unsupported, which is not a loss.
void SerialLink::watch()
{
    probe([this] { port_.pinoutSignals(); });
}

} // namespace acquisition
