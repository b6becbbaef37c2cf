#include "acquisition/win/WinSerialPort.h"

#include "acquisition/win/WinSystem.h"

#include <QWinEventNotifier>
#include <windows.h>

namespace acquisition {

namespace {
// A read ends as soon as a byte came; an idle line ends it after this, and it is issued again.
constexpr DWORD kIdleReadMs = 1000;
constexpr DWORD kReadChunk = 4096;

// An open port's question that fails: a port that cannot answer it (a virtual one without
// modem lines), or else a device gone (an adapter unplugged, a driver stopped).
WinSerialPort::SerialPortError lineFailure(DWORD code)
{
    switch (code) {
    case ERROR_INVALID_FUNCTION:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return WinSerialPort::UnsupportedOperationError;
    default:
        return WinSerialPort::ResourceError;
    }
}
// Whether the read or write just asked for is under way (ended at once or later, its event
// says so): ERROR_SUCCESS; otherwise its event is reset and the system's code returned.
DWORD underWay(BOOL done, OVERLAPPED& ov)
{
    const DWORD code = done ? ERROR_SUCCESS : GetLastError();
    if (code == ERROR_SUCCESS || code == ERROR_IO_PENDING) return ERROR_SUCCESS;
    ResetEvent(ov.hEvent);
    return code;
}

// Whether the operation under way on `ov` has ended, and is then no longer: `n` bytes moved,
// and `code` is its error (ERROR_SUCCESS when none).
bool ended(HANDLE h, bool& underWay, OVERLAPPED& ov, DWORD& n, DWORD& code)
{
    if (!underWay) return false;
    code = GetOverlappedResult(h, &ov, &n, FALSE) ? ERROR_SUCCESS : GetLastError();
    if (code == ERROR_IO_INCOMPLETE) return false;
    underWay = false;
    return true;
}
} // namespace

struct WinSerialPort::Overlapped
{
    Overlapped() { ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() { CloseHandle(ov.hEvent); }
    OVERLAPPED ov = {};
    char buffer[kReadChunk];
};

WinSerialPort::SerialPortError WinSerialPort::openFailure(unsigned long code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return DeviceNotFoundError;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return PermissionError;
    default:
        return OpenError;
    }
}

WinSerialPort::WinSerialPort(QObject* parent)
    : QIODevice(parent), handle_(INVALID_HANDLE_VALUE), read_(std::make_unique<Overlapped>()),
      write_(std::make_unique<Overlapped>()),
      readDone_(std::make_unique<QWinEventNotifier>(read_->ov.hEvent)),
      writeDone_(std::make_unique<QWinEventNotifier>(write_->ov.hEvent))
{
    readDone_->setEnabled(false);
    writeDone_->setEnabled(false);
    connect(readDone_.get(), &QWinEventNotifier::activated, this, &WinSerialPort::readEnded);
    connect(writeDone_.get(), &QWinEventNotifier::activated, this, &WinSerialPort::writeEnded);
}

WinSerialPort::~WinSerialPort()
{
    release();
}

void WinSerialPort::setError(SerialPortError error, const QString& text)
{
    error_ = error;
    setErrorString(text);
    if (error != NoError) emit errorOccurred(error);
}

void WinSerialPort::failWith(SerialPortError error, unsigned long code)
{
    setError(error, systemMessage(code));
}

bool WinSerialPort::open(OpenMode mode)
{
    if (isOpen()) return false;
    // "\\.\" reaches COM10 and above too, which the plain name does not.
    const std::wstring path = (QStringLiteral("\\\\.\\") + name_).toStdWString();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        failWith(openFailure(code), code);
        return false;
    }
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts = {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kIdleReadMs;
    bool set = GetCommState(h, &dcb);
    if (set) {
        dcb.BaudRate = DWORD(baudRate_);
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        // No parity check, no flow control of any kind, nothing dropped, no stop on an error.
        dcb.fParity = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = dcb.fInX = dcb.fNull = dcb.fAbortOnError = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        set = SetCommState(h, &dcb) && SetCommTimeouts(h, &timeouts);
    }
    if (!set) {
        const DWORD code = GetLastError();
        CloseHandle(h);
        failWith(openFailure(code), code);
        return false;
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    handle_ = h;
    received_.clear();
    queued_.clear();
    inFlight_.clear();
    QIODevice::open(mode | QIODevice::Unbuffered);
    error_ = NoError;
    startRead();
    return isOpen();
}

void WinSerialPort::release()
{
    if (handle_ == INVALID_HANDLE_VALUE) return;
    HANDLE h = handle_;
    // What is pending writes into our buffers: it must have ended before they go.
    CancelIoEx(h, nullptr);
    DWORD n = 0;
    if (reading_) GetOverlappedResult(h, &read_->ov, &n, TRUE);
    if (writing_) GetOverlappedResult(h, &write_->ov, &n, TRUE);
    reading_ = writing_ = false;
    readDone_->setEnabled(false);
    writeDone_->setEnabled(false);
    ResetEvent(read_->ov.hEvent);
    ResetEvent(write_->ov.hEvent);
    CloseHandle(h);
    handle_ = INVALID_HANDLE_VALUE;
}

void WinSerialPort::close()
{
    release();
    queued_.clear();
    inFlight_.clear();
    QIODevice::close();
    received_.clear();
}

qint64 WinSerialPort::bytesAvailable() const
{
    return received_.size() + QIODevice::bytesAvailable();
}

qint64 WinSerialPort::readData(char* data, qint64 maxSize)
{
    const qint64 n = qMin<qint64>(maxSize, received_.size());
    memcpy(data, received_.constData(), size_t(n));
    received_.remove(0, n);
    return n;
}

void WinSerialPort::startRead()
{
    if (handle_ == INVALID_HANDLE_VALUE || reading_) return;
    read_->ov.Offset = read_->ov.OffsetHigh = 0;
    const DWORD code = underWay(ReadFile(handle_, read_->buffer, kReadChunk, nullptr, &read_->ov), read_->ov);
    if (code != ERROR_SUCCESS) return failWith(ResourceError, code);
    reading_ = true;
    readDone_->setEnabled(true);
}

void WinSerialPort::readEnded()
{
    DWORD n = 0, code = 0;
    if (!ended(handle_, reading_, read_->ov, n, code)) return;
    if (code != ERROR_SUCCESS) {
        ResetEvent(read_->ov.hEvent);
        // A read that fails is a port that no longer answers: not issued again.
        return failWith(ResourceError, code);
    }
    if (n > 0) {
        received_.append(read_->buffer, qsizetype(n));
        emit readyRead();
    } else {
        // An idle second, or a line that hung up and reads nothing at once: the modem lines
        // tell (a vanished device fails the question, and the error says it is lost).
        pinoutSignals();
    }
    if (isOpen() && error_ != ResourceError) startRead();
}

bool WinSerialPort::waitForReadyRead(int msecs)
{
    if (!reading_) return false;
    if (WaitForSingleObject(read_->ov.hEvent, msecs < 0 ? INFINITE : DWORD(msecs)) == WAIT_OBJECT_0) {
        const qint64 before = received_.size();
        readEnded();
        if (received_.size() > before) return true;
    }
    setError(TimeoutError, QString());
    return false;
}

qint64 WinSerialPort::writeData(const char* data, qint64 maxSize)
{
    queued_.append(data, qsizetype(maxSize));
    startWrite();
    return maxSize;
}

void WinSerialPort::startWrite()
{
    if (handle_ == INVALID_HANDLE_VALUE || writing_ || queued_.isEmpty()) return;
    inFlight_.swap(queued_);
    queued_.clear();
    write_->ov.Offset = write_->ov.OffsetHigh = 0;
    const DWORD code = underWay(
        WriteFile(handle_, inFlight_.constData(), DWORD(inFlight_.size()), nullptr, &write_->ov), write_->ov);
    if (code != ERROR_SUCCESS) {
        inFlight_.clear();
        return failWith(WriteError, code);
    }
    writing_ = true;
    writeDone_->setEnabled(true);
}

void WinSerialPort::writeEnded()
{
    DWORD n = 0, code = 0;
    if (!ended(handle_, writing_, write_->ov, n, code)) return;
    ResetEvent(write_->ov.hEvent);
    writeDone_->setEnabled(false);
    const QByteArray rest = inFlight_.mid(qsizetype(n));
    inFlight_.clear();
    // Aborted by clear(): what was dropped is no error of the line, and what was queued since
    // goes now.
    if (code != ERROR_SUCCESS && code != ERROR_OPERATION_ABORTED) return failWith(WriteError, code);
    if (code == ERROR_SUCCESS) queued_.prepend(rest);
    if (n > 0) emit bytesWritten(qint64(n));
    startWrite();
}

bool WinSerialPort::clear(Direction directions)
{
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    DWORD flags = 0;
    if (directions & Output) {
        flags |= PURGE_TXABORT | PURGE_TXCLEAR;
        queued_.clear();
    }
    if (directions & Input) {
        flags |= PURGE_RXCLEAR;
        received_.clear();
    }
    if (PurgeComm(handle_, flags)) return true;
    const DWORD code = GetLastError();
    failWith(UnknownError, code);
    return false;
}

int WinSerialPort::pinoutSignals()
{
    DWORD status = 0;
    if (handle_ == INVALID_HANDLE_VALUE) {
        setError(NotOpenError, QString());
        return NoSignal;
    }
    if (!GetCommModemStatus(handle_, &status)) {
        const DWORD code = GetLastError();
        failWith(lineFailure(code), code);
        return NoSignal;
    }
    int lines = NoSignal;
    if (status & MS_CTS_ON) lines |= ClearToSendSignal;
    if (status & MS_DSR_ON) lines |= DataSetReadySignal;
    if (status & MS_RING_ON) lines |= RingIndicatorSignal;
    if (status & MS_RLSD_ON) lines |= DataCarrierDetectSignal;
    return lines;
}

} // namespace acquisition
