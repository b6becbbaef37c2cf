// boardsim: plays the Vantor acquisition board on a pseudo-terminal.
// See README.md and --help.

#include "frame.h"
#include "keys.h"
#include "options.h"
#include "output.h"
#include "pty.h"
#include "rng.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace boardsim;

namespace {

volatile std::sig_atomic_t gStop = 0;
volatile std::sig_atomic_t gReport = 0;

void onSignal(int sig)
{
    if (sig == SIGUSR1)
        gReport = 1;
    else
        gStop = 1;
}

void installSignals()
{
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: a signal wakes poll()
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGUSR1, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

long long nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void writeAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        p += w;
        n -= std::size_t(w);
    }
}

class Simulator
{
public:
    explicit Simulator(const Options& o)
        : o_(o), signalRng_(o.seed), faultRng_(hash64(o.seed ^ 0xFA017ull)),
          chunkRng_(hash64(o.seed ^ 0xC4C4ull))
    {
        if (o.waveA) state_.a.wave = *o.waveA;
        if (o.waveB) state_.b.wave = *o.waveB;
        if (o.freqA) state_.a.frequency = *o.freqA;
        if (o.freqB) state_.b.frequency = *o.freqB;
        noEndLeft_ = o.noEndBytes.value_or(0);
    }

    int run();

private:
    bool openPty();
    bool produce(double t);
    bool produceFrame();
    std::string randomBytes(std::size_t n, bool allowEnd);
    void readInput();
    void pickUnit();
    void writeReal(double t, bool connected);
    void writeFast();
    ssize_t writeLogged(std::size_t n);
    void hangup(double t);
    void wait(double t, bool connected);
    void finish();

    const Options& o_;
    BoardState state_;
    Pty pty_;
    OutputQueue out_;
    Rng signalRng_, faultRng_, chunkRng_;
    int logFd_ = -1;
    FILE* endsLog_ = nullptr; // --log-ends

    double boardTime_ = 0;     // the board's signal clock, seconds
    std::uint64_t frames_ = 0; // frames produced
    std::uint64_t noEndLeft_ = 0;
    bool noEndStarted_ = false;
    bool producing_ = true;
    bool hangupPending_ = false; // close the pty when the queue has drained
    double drainStart_ = -1;     // when the queue emptied before the hang-up
    bool wasConnected_ = false;
    bool hungUpOnce_ = false;
    bool unplugged_ = false; // between a hang-up and the reappearance
    double reappearAt_ = 0;
    double nextProduceAt_ = 0;
    double lingerUntil_ = -1;
    double lineTime_ = 0;  // real mode: the wire is busy until this time
    std::size_t unit_ = 0; // size of the current write, 0 = free
};

bool Simulator::openPty()
{
    std::string err;
    if (!pty_.open(err)) {
        std::fprintf(stderr, "boardsim: %s\n", err.c_str());
        return false;
    }
    if (!o_.link.empty() && !pointLink(o_.link, pty_.slavePath(), err))
        std::fprintf(stderr, "boardsim: %s\n", err.c_str());
    std::printf("%s\n", pty_.slavePath().c_str());
    std::fflush(stdout);
    unit_ = 0;
    lineTime_ = now();
    return true;
}

std::string Simulator::randomBytes(std::size_t n, bool allowEnd)
{
    std::string s;
    while (s.size() < n) {
        char c = char(faultRng_.next() & 0xFF);
        if (c != kStart && (allowEnd || c != kEnd)) s += c;
    }
    return s;
}

// One acquisition; false when the trigger holds it back (nothing queued).
bool Simulator::produceFrame()
{
    std::optional<double> trig;
    if (state_.trigMode != TriggerMode::Single || state_.singleArmed) trig = findTrigger(state_, boardTime_);
    if (!trig && state_.trigMode != TriggerMode::Auto) {
        boardTime_ += kFrameSeconds;
        return false;
    }
    Record r = acquire(state_, trig.value_or(boardTime_), signalRng_, o_.noiseCodes);
    boardTime_ += kFrameSeconds;
    if (state_.trigMode == TriggerMode::Single) state_.singleArmed = false;

    if (faultRng_.chance(o_.garbage)) out_.addRaw(randomBytes(faultRng_.range(1, 64), true));
    if (faultRng_.chance(o_.strayStart)) {
        // A start, then text; inserted rather than concatenated, which GCC 12 wrongly warns about.
        std::string stray = randomBytes(faultRng_.range(1, 64), false);
        stray.insert(stray.begin(), kStart);
        out_.addRaw(stray);
    }
    bool withEnd = !faultRng_.chance(o_.dropEnd);
    std::string frame = buildFrame(state_, r, withEnd);
    ++frames_;
    if (endsLog_) {
        // The frame's number where the program shows but never reads the text (positions 1-10).
        char id[16];
        std::snprintf(id, sizeof id, "#%09llu", static_cast<unsigned long long>(frames_ % 1000000000));
        frame.replace(1, 10, id, 10);
    }
    if (o_.hangupAfter && !hungUpOnce_ && frames_ == *o_.hangupAfter + 1) {
        frame.resize(1 + kTextLength / 2); // unplugged in the middle of this frame
        withEnd = false;
        hangupPending_ = hungUpOnce_ = true;
    }
    out_.addFrame(frame, withEnd, frames_);
    return true;
}

// Queues one batch (--coalesce frames, or a block of --no-end text).
bool Simulator::produce(double t)
{
    if (o_.noEnd) {
        if (!noEndStarted_) {
            out_.addFrame(std::string(1, kStart), false);
            noEndStarted_ = true;
        }
        std::size_t n = 4096;
        if (o_.noEndBytes) {
            n = std::size_t(std::min<std::uint64_t>(n, noEndLeft_));
            noEndLeft_ -= n;
            producing_ = noEndLeft_ > 0;
        }
        std::string text;
        for (std::size_t i = 0; i < n; ++i)
            text += char(32 + faultRng_.range(0, 94)); // printable, never 4 or 27
        out_.addRaw(text);
        return n > 0;
    }
    int made = 0;
    while (made < o_.coalesce && !hangupPending_) {
        if (o_.count && frames_ >= *o_.count) {
            producing_ = false;
            break;
        }
        if (!produceFrame()) break;
        ++made;
    }
    if (made == 0 && producing_)
        nextProduceAt_ = t + kFrameSeconds; // the trigger is waiting: try again later
    return made > 0;
}

void Simulator::readInput()
{
    char buf[512];
    for (;;) {
        ssize_t n = ::read(pty_.fd(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // EAGAIN, or EIO when the slave is closed
        if (logFd_ >= 0) writeAll(logFd_, buf, std::size_t(n));
        out_.counters().rx += std::uint64_t(n);
        for (ssize_t i = 0; i < n; ++i)
            applyKey(state_, static_cast<unsigned char>(buf[i]));
    }
}

void Simulator::pickUnit()
{
    if (unit_ != 0) return;
    if (o_.chunkMax)
        unit_ = chunkRng_.range(o_.chunkMin, o_.chunkMax);
    else if (o_.coalesce > 1 || o_.fast)
        unit_ = out_.size(); // the whole batch in one write
    unit_ = std::min(unit_, out_.size());
}

// Real mode: the wire carries 11520 bytes/s whether anyone listens or not.
void Simulator::writeReal(double t, bool connected)
{
    pickUnit();
    const double rate = kBytesPerSecond;
    // An idle line saves nothing: credit is capped at the current write (+1 byte
    // against rounding) or one slice and 4 ms of late wake-up worth. A cap below the
    // slice would throttle the line itself to cap/slice of its rate.
    const double bank = (std::max<double>(double(unit_), rate * (o_.sliceMs / 1000.0 + 0.004)) + 1) / rate;
    lineTime_ = std::max(lineTime_, t - bank);
    std::size_t avail = std::size_t((t - lineTime_) * rate);
    std::size_t n = unit_ ? (avail >= unit_ ? unit_ : 0) : std::min(avail, out_.size());
    if (n == 0) return;
    lineTime_ += double(n) / rate;
    std::size_t written = 0;
    if (connected) {
        ssize_t w = writeLogged(n);
        if (w > 0) written = std::size_t(w);
    }
    out_.consume(written, true);
    out_.consume(n - written, false); // refused by the pty or nobody listening: lost
    unit_ = 0;
}

// Fast mode: as fast as the pty takes it; nothing is lost.
void Simulator::writeFast()
{
    pickUnit();
    ssize_t w = writeLogged(unit_);
    if (w > 0) {
        out_.consume(std::size_t(w), true);
        unit_ -= std::size_t(w);
    }
}

// One write of the queue's next n bytes to the pty; with --log-ends, the time just before
// it goes to the log for each frame whose end code it delivered.
ssize_t Simulator::writeLogged(std::size_t n)
{
    if (!endsLog_) return ::write(pty_.fd(), out_.data(), n);
    const long long before = nowNs();
    const ssize_t w = ::write(pty_.fd(), out_.data(), n);
    if (w > 0)
        for (std::uint64_t id : out_.endsWithin(std::size_t(w)))
            std::fprintf(endsLog_, "%llu %lld\n", static_cast<unsigned long long>(id), before);
    return w;
}

void Simulator::hangup(double t)
{
    hangupPending_ = false;
    drainStart_ = -1;
    if (!o_.link.empty()) removeLink(o_.link, pty_.slavePath());
    pty_.close();
    unit_ = 0;
    if (o_.reappearAfterMs) {
        unplugged_ = true;
        reappearAt_ = t + *o_.reappearAfterMs / 1000.0;
    } else {
        producing_ = false;
        lingerUntil_ = t + o_.lingerMs / 1000.0;
    }
}

void Simulator::wait(double t, bool connected)
{
    double until = t + 0.1;
    if (lingerUntil_ >= 0)
        until = std::min(until, lingerUntil_);
    else if (unplugged_)
        until = std::min(until, reappearAt_);
    else if (!out_.empty())
        until = o_.fast ? t + (connected ? 0.1 : 0.01) : t + o_.sliceMs / 1000.0;
    else if (hangupPending_)
        until = t + 0.005; // draining before the hang-up
    else if (producing_)
        until = std::min(until, nextProduceAt_);
    int ms = int(std::ceil(std::max(0.0, until - t) * 1000));

    if (!pty_.isOpen() || !connected) {
        // A master without a peer always polls as hung up: sleep instead.
        poll(nullptr, 0, std::max(ms, 1));
        return;
    }
    pollfd p{pty_.fd(), short(POLLIN | (o_.fast && !out_.empty() ? POLLOUT : 0)), 0};
    if (poll(&p, 1, ms) > 0 && (p.revents & POLLIN)) readInput();
}

void Simulator::finish()
{
    std::string line = counterLine(out_.counters());
    std::fprintf(stderr, "%s\n", line.c_str());
    if (!o_.statsFile.empty()) {
        if (FILE* f = std::fopen(o_.statsFile.c_str(), "w")) {
            std::fprintf(f, "%s\n", line.c_str());
            std::fclose(f);
        }
    }
    if (!o_.link.empty() && pty_.isOpen()) removeLink(o_.link, pty_.slavePath());
    pty_.close();
    if (logFd_ >= 0) ::close(logFd_);
    if (endsLog_) std::fclose(endsLog_);
    endsLog_ = nullptr;
}

int Simulator::run()
{
    if (!o_.logRx.empty()) {
        logFd_ = ::open(o_.logRx.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd_ < 0) {
            std::perror(("boardsim: " + o_.logRx).c_str());
            return 1;
        }
    }
    if (!o_.logEnds.empty()) {
        endsLog_ = std::fopen(o_.logEnds.c_str(), "we");
        if (!endsLog_) {
            std::perror(("boardsim: " + o_.logEnds).c_str());
            return 1;
        }
    }
    if (!openPty()) return 1;
    nextProduceAt_ = now() + o_.silentForMs / 1000.0;
    const std::size_t lookahead = std::max<std::size_t>(1, o_.chunkMax); // let chunks span frames
    while (!gStop) {
        if (gReport) {
            gReport = 0;
            std::fprintf(stderr, "%s\n", counterLine(out_.counters()).c_str());
        }
        double t = now();
        bool connected = pty_.isOpen() && pty_.peerConnected();
        if (wasConnected_ && !connected && pty_.isOpen()) pty_.discardUnread();
        wasConnected_ = connected;
        if (lingerUntil_ >= 0) {
            if (t >= lingerUntil_) break;
        } else if (unplugged_) {
            if (t >= reappearAt_) {
                if (!openPty()) return finish(), 1;
                unplugged_ = false;
            }
        } else {
            while (producing_ && !hangupPending_ && out_.size() < lookahead && t >= nextProduceAt_)
                if (!produce(t)) break;
            if (!out_.empty()) {
                if (!o_.fast)
                    writeReal(t, connected);
                else if (connected)
                    writeFast();
            }
            if (out_.empty() && hangupPending_) {
                // Let the peer read what is on the wire before the unplug.
                if (drainStart_ < 0) drainStart_ = t;
                int unread = t >= drainStart_ + 0.01 ? pty_.unreadBytes() : 1;
                if (!connected || unread == 0 || t >= drainStart_ + (unread < 0 ? 0.2 : 1.0)) hangup(t);
            } else if (out_.empty() && !producing_)
                lingerUntil_ = t + o_.lingerMs / 1000.0;
        }
        wait(t, connected);
    }
    finish();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    std::string err;
    switch (parseOptions(argc, argv, o, err)) {
    case ParseResult::Help:
        std::fputs(usage().c_str(), stdout);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "boardsim: %s\n", err.c_str());
        return 2;
    case ParseResult::Ok:
        break;
    }
    installSignals();
    Simulator sim(o);
    return sim.run();
}
