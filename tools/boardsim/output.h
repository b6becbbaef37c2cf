// The byte stream waiting to go on the wire, with the bookkeeping that turns
// written and lost bytes into the frame counters.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace boardsim {

struct Counters
{
    std::uint64_t sent = 0;   // frames whose start code was written to the pty
    std::uint64_t intact = 0; // frames written whole, end code included
    std::uint64_t bytes = 0;  // bytes written to the pty
    std::uint64_t rx = 0;     // bytes received from the PC
};

std::string counterLine(const Counters& c); // "boardsim: sent=.. intact=.. bytes=.. rx=.."

class OutputQueue
{
public:
    // A frame beginning with its start code; hasEnd tells whether it ends with
    // the end code. id names it in endsWithin().
    void addFrame(const std::string& bytes, bool hasEnd, std::uint64_t id = 0);
    void addRaw(const std::string& bytes); // bytes outside any frame
    std::size_t size() const { return buf_.size() - head_; }
    bool empty() const { return size() == 0; }
    const char* data() const { return buf_.data() + head_; }
    // The next n bytes left the queue: written to the pty, or lost.
    void consume(std::size_t n, bool written);
    // Ids of the frames whose end code is among the next n bytes, in stream order.
    std::vector<std::uint64_t> endsWithin(std::size_t n) const;
    const Counters& counters() const { return c_; }
    Counters& counters() { return c_; }

private:
    struct Mark
    {
        std::uint64_t first, last; // stream positions of its first and last byte
        bool hasEnd;
        std::uint64_t id = 0;
        bool damaged = false;
    };
    std::string buf_;
    std::size_t head_ = 0;
    std::uint64_t consumed_ = 0; // stream position of data()[0]
    std::uint64_t produced_ = 0;
    std::deque<Mark> marks_;
    Counters c_;
};

} // namespace boardsim
