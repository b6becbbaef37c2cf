// Command-line options of boardsim.
#pragma once

#include "frame.h"

#include <cstdint>
#include <optional>
#include <string>

namespace boardsim {

struct Options
{
    bool fast = false;                  // --rate fast (default real)
    std::optional<std::uint64_t> count; // --count N
    int lingerMs = 1000;                // --linger MS
    int sliceMs = 2;                    // --slice-ms MS: real-rate delivery period
    std::uint64_t seed = 1;             // --seed N
    std::string link;                   // --link PATH
    std::string logRx;                  // --log-rx FILE
    std::string logEnds;                // --log-ends FILE
    std::string statsFile;              // --stats-file FILE
    double noiseCodes = 1.5;            // --noise CODES
    std::optional<Waveform> waveA, waveB;
    std::optional<double> freqA, freqB;
    // Faults
    std::size_t chunkMin = 0, chunkMax = 0;   // --chunks MIN:MAX (0 = off)
    int coalesce = 1;                         // --coalesce K
    double dropEnd = 0;                       // --drop-end P
    double garbage = 0;                       // --garbage P
    double strayStart = 0;                    // --stray-start P
    bool noEnd = false;                       // --no-end
    std::optional<std::uint64_t> noEndBytes;  // --no-end-bytes N
    std::optional<std::uint64_t> hangupAfter; // --hangup-after N
    std::optional<int> reappearAfterMs;       // --reappear-after MS
    int silentForMs = 0;                      // --silent-for MS
};

enum class ParseResult { Ok, Help, Error };

// Parses argv; on Error writes a message to err.
ParseResult parseOptions(int argc, char** argv, Options& o, std::string& err);
std::string usage();

} // namespace boardsim
