// The pseudo-terminal that plays the serial cable, and the optional stable
// symlink to its slave side.
#pragma once

#include <string>

namespace boardsim {

class Pty
{
public:
    Pty() = default;
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty() { close(); }

    // Opens a new master (non-blocking), sets the slave raw 115200 8N1 without
    // echo. Returns false and sets err on failure.
    bool open(std::string& err);
    void close();

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& slavePath() const { return slave_; }

    // True while some process has the slave side open (the master reports no
    // hang-up).
    bool peerConnected() const;
    // Bytes written but not yet read by the peer (-1 if it cannot be told).
    // Closing the master discards them, so a hang-up waits for this to be 0.
    int unreadBytes() const;
    // Drops what the last peer left unread, so that the next one does not get
    // stale bytes (a real port opened later never sees them).
    void discardUnread() const;

private:
    int fd_ = -1;
    std::string slave_;
};

// Creates or atomically replaces the symlink link -> target.
bool pointLink(const std::string& link, const std::string& target, std::string& err);
// Removes the symlink if it still points at target.
void removeLink(const std::string& link, const std::string& target);

} // namespace boardsim
