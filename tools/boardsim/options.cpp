#include "options.h"

#include "keys.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

namespace boardsim {

namespace {

bool toU64(const std::string& s, std::uint64_t& v)
{
    if (s.empty() || s[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long x = std::strtoull(s.c_str(), &end, 10);
    if (errno || *end) return false;
    v = x;
    return true;
}

bool toInt(const std::string& s, int& v, int lo, int hi)
{
    std::uint64_t x;
    if (!toU64(s, x) || x < std::uint64_t(lo) || x > std::uint64_t(hi)) return false;
    v = int(x);
    return true;
}

bool toDouble(const std::string& s, double& v, double lo, double hi)
{
    char* end = nullptr;
    errno = 0;
    double x = std::strtod(s.c_str(), &end);
    if (s.empty() || errno || *end || !(x >= lo && x <= hi)) return false;
    v = x;
    return true;
}

} // namespace

std::string usage()
{
    std::string u = R"(Usage: boardsim [OPTIONS]
Plays the Vantor two-channel acquisition board on a pseudo-terminal. The first
line on stdout is the slave path to open (115200 8N1, raw, no echo).

Options:
  --link PATH          also create/replace the symlink PATH -> slave path
                       (removed at exit and while unplugged by --hangup-after)
  --rate real|fast     real (default): pace the output to 115200 bit/s 8N1
                       (11520 bytes/s, a 391-byte frame every ~34 ms), written in
                       slices of --slice-ms; bytes due while nobody has the slave open,
                       or that the pty refuses, are lost like on a wire.
                       fast: as fast as the pty accepts; waits while nobody has
                       the slave open or its buffer is full
  --count N            stop after N frames, keep the pty open for --linger, exit 0
  --slice-ms MS        real rate: write what is due every MS ms (2, like a UART;
                       16 is a USB adapter's usual latency timer)
  --linger MS          time to keep the pty open after the last byte (1000)
  --seed N             seed of all pseudo-random choices (1)
  --log-rx FILE        append every byte received from the PC to FILE, raw
  --log-ends FILE      number the frames in their first 10 characters ("#000000001")
                       and write to FILE, per frame, "<number> <ns>": the
                       CLOCK_MONOTONIC time just before the write that carries
                       its end code
  --stats-file FILE    also write the counter line to FILE at exit
  --wave-a W           start waveform of channel A (sine), --wave-b W of B
                       (square); W: sine, square, triangle, sawtooth, noise
  --freq-a HZ          frequency of channel A (2), --freq-b HZ of B (5)
  --noise CODES        peak of the added noise in converter codes (1.5; 0 = none)
  --help               this text

Faults (deterministic from --seed):
  --chunks MIN:MAX     write the stream in random slices of MIN..MAX bytes
  --coalesce K         put K frames in one write
  --drop-end P         omit the end code of a frame with probability P
  --garbage P          before a frame, with probability P, 1..64 random bytes
                       (never code 4; may contain 27)
  --stray-start P      before a frame, with probability P, a start code and
                       1..64 random bytes without 4 or 27 (no end)
  --no-end             one start code, then endless text without an end code
  --no-end-bytes N     as --no-end, but stop after N bytes of text
  --hangup-after N     after N frames, close the pty in the middle of frame N+1
                       (an unplugged adapter; the --link symlink is removed)
  --reappear-after MS  MS ms after the hang-up, open a new pty, print its slave
                       path on stdout, re-point --link and carry on; without it
                       boardsim lingers and exits after the hang-up
  --silent-for MS      send nothing for the first MS ms (a board switched off, or
                       on another port), then frames as usual

Keys (one byte from the PC keypad; other bytes are ignored):
)";
    for (const KeyHelp& k : keyHelp()) {
        std::string cap = std::string("\"") + k.caption + "\"";
        u += "  '" + std::string(1, k.key) + "'  key " + cap + std::string(6 - cap.size(), ' ') + k.action +
             "\n";
    }
    u += R"(
Frame: code 4, 388 characters of text, ';', code 27. Start state: A 500mV dc,
B 2V dc, 100 ms/div, trigger Auto on A rising at level 0x80. Trigger text at
positions 377-386: mode (Auto, Normal, Single), source (A, B), edge (> rising,
< falling), e.g. "Auto   A >". Normal sends nothing while untriggered; Single
sends one triggered frame, then nothing until Single is entered again. Gains,
time bases and the level stop at their ends (level 0..255).

Counters, on stderr at exit and on SIGUSR1:
  boardsim: sent=<frames> intact=<frames with end code> bytes=<written> rx=<received>
)";
    return u;
}

ParseResult parseOptions(int argc, char** argv, Options& o, std::string& err)
{
    using Handler = std::function<bool(const std::string&)>;
    auto optWave = [](std::optional<Waveform>& w) {
        return [&w](const std::string& v) { return (w = parseWaveform(v)).has_value(); };
    };
    auto optFreq = [](std::optional<double>& f) {
        return [&f](const std::string& v) {
            double x;
            return toDouble(v, x, 1e-3, 1e6) && (f = x, true);
        };
    };
    auto optU64 = [](std::optional<std::uint64_t>& n) {
        return [&n](const std::string& v) {
            std::uint64_t x;
            return toU64(v, x) && (n = x, true);
        };
    };
    auto optProb = [](double& p) { return [&p](const std::string& v) { return toDouble(v, p, 0, 1); }; };
    const std::map<std::string, Handler> withValue = {
        {"--rate",
         [&](const std::string& v) {
             o.fast = v == "fast";
             return v == "fast" || v == "real";
         }},
        {"--count", optU64(o.count)},
        {"--linger", [&](const std::string& v) { return toInt(v, o.lingerMs, 0, 86400000); }},
        {"--slice-ms", [&](const std::string& v) { return toInt(v, o.sliceMs, 1, 1000); }},
        {"--seed", [&](const std::string& v) { return toU64(v, o.seed); }},
        {"--link",
         [&](const std::string& v) {
             o.link = v;
             return !v.empty();
         }},
        {"--log-rx",
         [&](const std::string& v) {
             o.logRx = v;
             return !v.empty();
         }},
        {"--log-ends",
         [&](const std::string& v) {
             o.logEnds = v;
             return !v.empty();
         }},
        {"--stats-file",
         [&](const std::string& v) {
             o.statsFile = v;
             return !v.empty();
         }},
        {"--wave-a", optWave(o.waveA)},
        {"--wave-b", optWave(o.waveB)},
        {"--freq-a", optFreq(o.freqA)},
        {"--freq-b", optFreq(o.freqB)},
        {"--noise", [&](const std::string& v) { return toDouble(v, o.noiseCodes, 0, 128); }},
        {"--chunks",
         [&](const std::string& v) {
             auto colon = v.find(':');
             std::uint64_t lo, hi;
             if (colon == std::string::npos || !toU64(v.substr(0, colon), lo) ||
                 !toU64(v.substr(colon + 1), hi) || lo < 1 || lo > hi || hi > (1u << 20))
                 return false;
             o.chunkMin = lo;
             o.chunkMax = hi;
             return true;
         }},
        {"--coalesce", [&](const std::string& v) { return toInt(v, o.coalesce, 1, 10000); }},
        {"--drop-end", optProb(o.dropEnd)},
        {"--garbage", optProb(o.garbage)},
        {"--stray-start", optProb(o.strayStart)},
        {"--no-end-bytes",
         [&](const std::string& v) {
             o.noEnd = true;
             return optU64(o.noEndBytes)(v);
         }},
        {"--hangup-after", optU64(o.hangupAfter)},
        {"--silent-for", [&](const std::string& v) { return toInt(v, o.silentForMs, 0, 86400000); }},
        {"--reappear-after",
         [&](const std::string& v) {
             int ms;
             return toInt(v, ms, 0, 86400000) && (o.reappearAfterMs = ms, true);
         }},
    };

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return ParseResult::Help;
        if (arg == "--no-end") {
            o.noEnd = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            inlineValue = true;
        }
        auto it = withValue.find(arg);
        if (it == withValue.end()) {
            err = "unknown option " + arg + " (see --help)";
            return ParseResult::Error;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                err = arg + " needs a value";
                return ParseResult::Error;
            }
            value = argv[++i];
        }
        if (!it->second(value)) {
            err = "bad value for " + arg + ": " + value;
            return ParseResult::Error;
        }
    }
    return ParseResult::Ok;
}

} // namespace boardsim
