#pragma once

#include "acquisition/PortMemory.h"
#include "acquisition/SerialPort.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace acquisition {

// The serial port to the board, as the window uses it: open/close a port, a notification
// whenever bytes wait, read them all, write a few.
// 115200 bit/s, 8 data bits, no parity, 1 stop bit, no flow control; the input buffer is
// unbounded so that no byte is dropped while the window is busy drawing.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int kEventReceive = 2;
    // How often an open port is asked whether its device is still there: the longest a
    // vanished device can go unnoticed.
    static constexpr int kWatchMs = 100;
    // A keypad byte the port has not sent by then is reported as not sent (at the link's rate
    // one byte takes a tenth of a millisecond).
    static constexpr int kWriteLimitMs = 500;

    explicit SerialLink(QObject* parent = nullptr);

    bool PortOpen() const { return port_.isOpen(); }
    // Opening reports failure with the system's description in errorString().
    bool setPortOpen(bool open);
    // COMn for the next open.
    void setCommPort(int n);
    int CommPort() const { return commPort_; }
    // Any other device for the next open (a USB adapter picked from the system's list), and
    // the name the panel gives it; CommPort() is then 0.
    void setDevice(const QString& device, const QString& name);
    void setDevice(const SerialDevice& device);
    // The device the next open opens.
    QString device() const { return commPort_ > 0 ? deviceName(commPort_) : device_.location; }
    // The port as chosen: COMn, or the device with its identity.
    PortChoice choice() const;
    // How the panel names the port: "COM3", or the device's own name ("ttyUSB0").
    QString caption() const;
    int CommEvent() const { return commEvent_; }
    QByteArray Input();
    // Takes in at once what the device holds but has not announced yet (the program was busy
    // meanwhile): OnComm is raised for it before this returns.
    void collect();
    // Queues the bytes; false (and errorString()) while the port is closed. Bytes that do not
    // reach the port later (a write error, the port closed or lost, kWriteLimitMs passed since
    // the oldest of them) are reported once by writeFailed(), with the reason.
    bool Output(QByteArrayView bytes);
    QString errorString() const { return error_; }
    // The last open failed because this user may not use the device (on Debian: not yet in
    // the dialout group), not because it is missing or busy.
    bool refusedForRights() const { return refusedForRights_; }
    // The last open failed because another program holds the device.
    bool refusedAsBusy() const { return refusedAsBusy_; }

    // COMn as this platform names it: "COMn" on Windows; elsewhere /dev/ttyS(n-1), unless
    // the environment variable VANTOR_COMn names another device (a USB adapter, a pty).
    static QString deviceName(int n);

signals:
    void OnComm();
    // The open port went away (a USB adapter unplugged, the other end of a pty closed).
    void portLost();
    void writeFailed(const QString& reason);

private:
    void onError(SerialPort::SerialPortError error);
    void watch();
    void closePort(const QString& why);
    void written(qint64 bytes);
    void writeFailedWith(const QString& reason);
    // Asks the port something it may answer with an error, and clears only that error.
    template <class Probe> void probe(Probe ask);

    SerialPort port_;
    QTimer watch_;
    QTimer writeLimit_;
    qint64 pending_ = 0;  // bytes queued and not yet written
    SerialDevice device_; // when not a COMn
    int commPort_ = 1;
    int commEvent_ = 0;
    QString error_;
    bool refusedForRights_ = false;
    bool refusedAsBusy_ = false;
};

} // namespace acquisition
