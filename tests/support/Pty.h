#pragma once

// A pseudo-terminal pair for tests: the program opens the slave path as its serial port,
// the test plays the board on the master side.
#include <QByteArray>
#include <QString>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace testing_support {

class Pty
{
public:
    Pty()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        path_ = QString::fromLocal8Bit(ptsname(master_));
        // Raw from the start, so nothing the test writes is echoed back or translated.
        const int slave = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            termios t{};
            tcgetattr(slave, &t);
            cfmakeraw(&t);
            tcsetattr(slave, TCSANOW, &t);
            ::close(slave);
        }
    }
    ~Pty()
    {
        if (master_ >= 0) ::close(master_);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && !path_.isEmpty(); }
    QString path() const { return path_; }

    void write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return;
            } else {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }

    // What the program has sent so far.
    QByteArray readAvailable()
    {
        QByteArray out;
        char buf[256];
        while (true) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0) break;
            out.append(buf, n);
        }
        return out;
    }

private:
    int master_ = -1;
    QString path_;
};

} // namespace testing_support
