#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

namespace acquisition {

// The serial port to the board, as the window uses it: open/close a numbered port, a
// notification whenever bytes wait, read them all, write a few.
// 115200 bit/s, 8 data bits, no parity, 1 stop bit, no flow control; the input buffer is
// unbounded so that no byte is dropped while the window is busy drawing.
class SerialLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int kEventReceive = 2;
    // A UART hands over a few bytes every couple of milliseconds, a USB adapter a packet every
    // 16 ms: waking for each would cost hundreds of wakeups a second for a screen that
    // changes 29 times. A read of fewer than kPaceBelow bytes that came less than
    // kTrickleGapMs after the port was last looked at means a trickle: the port is then read
    // every kPaceMs instead, about once per frame (the link carries some 370 bytes in that
    // time), until a look finds nothing or finds a backlog. A larger read means a backlog or
    // a faster source, and reads further apart are already few: their bytes are taken at once.
    static constexpr int kPaceMs = 32;
    static constexpr int kTrickleGapMs = 20;
    static constexpr qsizetype kPaceBelow = 1024;

    explicit SerialLink(QObject* parent = nullptr);

    bool PortOpen() const { return port_.isOpen(); }
    // Opening reports failure with the platform's description in errorString().
    bool setPortOpen(bool open);
    void setCommPort(int n) { commPort_ = n; }
    int CommPort() const { return commPort_; }
    int CommEvent() const { return commEvent_; }
    QByteArray Input();
    // Queues the bytes; false (and errorString()) while the port is closed.
    bool Output(QByteArrayView bytes);
    QString errorString() const { return error_; }

    // COMn as this platform names it: "COMn" on Windows; elsewhere /dev/ttyS(n-1), unless
    // the environment variable VANTOR_COMn names another device (a USB adapter, a pty).
    static QString deviceName(int n);

signals:
    void OnComm();
    // The open port went away (a USB adapter unplugged, the other end of a pty closed).
    void portLost();

private:
    void onError(QSerialPort::SerialPortError error);
    void setReadNotification(bool enabled);
    void deliver();
    void readOnClock();
    void watch();
    void readOnTime();

    QSerialPort port_;
    QTimer pace_;        // reading on the clock while it runs
    QByteArray clocked_; // read on the clock, not yet taken by Input()
    QElapsedTimer listening_; // since the port was last looked at again
    qsizetype lastInput_ = 0;
    int commPort_ = 1;
    int commEvent_ = 0;
    QString error_;
};

} // namespace acquisition
