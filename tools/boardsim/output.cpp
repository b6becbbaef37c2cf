#include "output.h"

#include <algorithm>

namespace boardsim {

std::string counterLine(const Counters& c)
{
    return "boardsim: sent=" + std::to_string(c.sent) + " intact=" + std::to_string(c.intact) +
           " bytes=" + std::to_string(c.bytes) + " rx=" + std::to_string(c.rx);
}

void OutputQueue::addFrame(const std::string& bytes, bool hasEnd, std::uint64_t id)
{
    if (bytes.empty()) return;
    marks_.push_back({produced_, produced_ + bytes.size() - 1, hasEnd, id});
    addRaw(bytes);
}

void OutputQueue::addRaw(const std::string& bytes)
{
    if (head_ > 65536 && head_ * 2 > buf_.size()) {
        buf_.erase(0, head_);
        head_ = 0;
    }
    buf_ += bytes;
    produced_ += bytes.size();
}

void OutputQueue::consume(std::size_t n, bool written)
{
    n = std::min(n, size());
    if (n == 0) return;
    const std::uint64_t from = consumed_, to = consumed_ + n; // [from, to)
    if (written) c_.bytes += n;
    for (Mark& m : marks_) {
        if (m.first >= to) break;
        if (m.last < from) continue;
        if (written && m.first >= from) // its start code goes out now
            ++c_.sent;
        if (!written) m.damaged = true;
    }
    while (!marks_.empty() && marks_.front().last < to) {
        if (marks_.front().hasEnd && !marks_.front().damaged) ++c_.intact;
        marks_.pop_front();
    }
    head_ += n;
    consumed_ = to;
}

std::vector<std::uint64_t> OutputQueue::endsWithin(std::size_t n) const
{
    std::vector<std::uint64_t> ids;
    const std::uint64_t to = consumed_ + std::min(n, size());
    for (const Mark& m : marks_) {
        if (m.last >= to) break;
        if (m.hasEnd && m.last >= consumed_) ids.push_back(m.id);
    }
    return ids;
}

} // namespace boardsim
