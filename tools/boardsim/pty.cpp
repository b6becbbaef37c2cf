#include "pty.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace boardsim {

bool Pty::open(std::string& err)
{
    close();
    int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        err = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    const char* name = nullptr;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0 || (name = ptsname(fd)) == nullptr) {
        err = std::string("grantpt/unlockpt/ptsname: ") + std::strerror(errno);
        ::close(fd);
        return false;
    }
    std::string slave = name;
    // The terminal settings belong to the pty and outlive this open of the
    // slave, so whoever opens it later finds a raw line unless they change it.
    int s = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
    if (s < 0) {
        err = "open " + slave + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    termios tio{};
    bool ok = tcgetattr(s, &tio) == 0;
    if (ok) {
        cfmakeraw(&tio); // no echo, no line editing, no signals, no CR/LF mapping
        tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CREAD | CLOCAL;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        cfsetispeed(&tio, B115200);
        cfsetospeed(&tio, B115200);
        ok = tcsetattr(s, TCSANOW, &tio) == 0;
    }
    if (!ok) {
        err = "tcsetattr " + slave + ": " + std::strerror(errno);
        ::close(s);
        ::close(fd);
        return false;
    }
    ::close(s);
    fd_ = fd;
    slave_ = slave;
    return true;
}

void Pty::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool Pty::peerConnected() const
{
    if (fd_ < 0) return false;
    pollfd p{fd_, 0, 0};
    return poll(&p, 1, 0) == 0 || !(p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

int Pty::unreadBytes() const
{
    // The master cannot tell; a second descriptor on the slave can, without
    // disturbing the peer's.
    int s = fd_ < 0 ? -1 : ::open(slave_.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s < 0) return -1;
    int n = -1;
    if (ioctl(s, FIONREAD, &n) != 0) n = -1;
    ::close(s);
    return n;
}

void Pty::discardUnread() const
{
    int s = fd_ < 0 ? -1 : ::open(slave_.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (s >= 0) {
        tcflush(s, TCIFLUSH);
        ::close(s);
    }
}

bool pointLink(const std::string& link, const std::string& target, std::string& err)
{
    std::string tmp = link + ".boardsim-" + std::to_string(getpid());
    ::unlink(tmp.c_str());
    if (symlink(target.c_str(), tmp.c_str()) != 0 || rename(tmp.c_str(), link.c_str()) != 0) {
        err = "symlink " + link + " -> " + target + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

void removeLink(const std::string& link, const std::string& target)
{
    std::vector<char> buf(4096);
    ssize_t n = readlink(link.c_str(), buf.data(), buf.size() - 1);
    if (n >= 0 && std::string(buf.data(), std::size_t(n)) == target) ::unlink(link.c_str());
}

} // namespace boardsim
