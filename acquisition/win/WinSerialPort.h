#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

class QWinEventNotifier;

namespace acquisition {

// A COM port through Windows' communications API, with the calls, signals and error kinds of
// Qt SerialPort that SerialLink uses, so that nothing above it knows the system.
// Reads and writes are overlapped: each has an event the event loop watches
// (QWinEventNotifier), so the UI thread never waits on the line. A read is always pending
// while the port is open; it ends as soon as bytes came (or after an idle second, and is
// issued again). Errors carry the system's own message, in the user's language.
class WinSerialPort : public QIODevice
{
    Q_OBJECT
public:
    enum SerialPortError {
        NoError,
        DeviceNotFoundError,
        PermissionError,
        OpenError,
        WriteError,
        ReadError,
        ResourceError,
        UnsupportedOperationError,
        TimeoutError,
        NotOpenError,
        UnknownError,
    };
    Q_ENUM(SerialPortError)
    // The line settings the program uses; the port takes no others.
    enum DataBits { Data8 = 8 };
    enum Parity { NoParity };
    enum StopBits { OneStop = 1 };
    enum FlowControl { NoFlowControl };
    enum Direction { Input = 1, Output = 2, AllDirections = Input | Output };
    // The modem lines; a port without them (a virtual one) refuses the question.
    enum PinoutSignal {
        NoSignal = 0,
        ClearToSendSignal = 1,
        DataSetReadySignal = 2,
        RingIndicatorSignal = 4,
        DataCarrierDetectSignal = 8
    };

    explicit WinSerialPort(QObject* parent = nullptr);
    ~WinSerialPort() override;

    // Why an open failed, from the system's code: no such port, or another program holds it
    // (Windows opens a COM port for one program at a time, and says so as a refusal).
    static SerialPortError openFailure(unsigned long code);

    // "COM3", as the system names it.
    void setPortName(const QString& name) { name_ = name; }
    QString portName() const { return name_; }
    void setBaudRate(qint32 rate) { baudRate_ = rate; }
    void setDataBits(DataBits) {}
    void setParity(Parity) {}
    void setStopBits(StopBits) {}
    void setFlowControl(FlowControl) {}
    // What was read and not yet taken waits in memory without bound: nothing to set.
    void setReadBufferSize(qint64) {}

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override { return queued_.size() + inFlight_.size(); }

    SerialPortError error() const { return error_; }
    void clearError() { setError(NoError, {}); }
    // Drops what waits to be sent (and what the port holds of it).
    bool clear(Direction directions = AllDirections);
    // The modem lines; a port that vanished fails with a resource error.
    int pinoutSignals();
    // Takes in a read that has ended but whose event the loop has not seen yet.
    bool waitForReadyRead(int msecs);

signals:
    void errorOccurred(WinSerialPort::SerialPortError error);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    struct Overlapped;

    void setError(SerialPortError error, const QString& text);
    // An error of that kind, in the words the system has for its code.
    void failWith(SerialPortError error, unsigned long code);
    void startRead();
    void readEnded();
    void startWrite();
    void writeEnded();
    void release();

    QString name_;
    qint32 baudRate_ = 115200;
    void* handle_;
    std::unique_ptr<Overlapped> read_;
    std::unique_ptr<Overlapped> write_;
    std::unique_ptr<QWinEventNotifier> readDone_;
    std::unique_ptr<QWinEventNotifier> writeDone_;
    QByteArray received_;
    QByteArray queued_;   // to be sent after the write in flight
    QByteArray inFlight_; // the bytes the pending write holds
    bool reading_ = false;
    bool writing_ = false;
    SerialPortError error_ = NoError;
};

} // namespace acquisition
