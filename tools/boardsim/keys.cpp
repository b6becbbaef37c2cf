#include "keys.h"

#include <algorithm>

namespace boardsim {

namespace {

constexpr KeyHelp kKeys[] = {
    {'1', "1", "channel A gain finer (fewer volts per division)"},
    {'2', "2", "channel A gain coarser (more volts per division)"},
    {'3', "3", "channel A coupling AC/DC"},
    {'4', "4", "channel B gain finer"},
    {'5', "5", "channel B gain coarser"},
    {'6', "6", "channel B coupling AC/DC"},
    {'7', "7", "time base faster (less time per division)"},
    {'8', "8", "time base slower (more time per division)"},
    {'9', "9", "trigger mode Auto -> Normal -> Single -> Auto (entering Single arms it)"},
    {':', "0", "trigger source A/B"},
    {';', "*", "trigger level down by 8"},
    {'<', "#", "trigger level up by 8"},
    {'=', "13", "trigger edge rising/falling"},
    {'>', "14", "next waveform of channel A"},
    {'?', "15", "next waveform of channel B"},
};

void stepIndex(int& index, int delta, int count)
{
    index = std::clamp(index + delta, 0, count - 1);
}

void nextWave(Channel& ch)
{
    ch.wave = Waveform((int(ch.wave) + 1) % 5);
}

} // namespace

std::span<const KeyHelp> keyHelp()
{
    return kKeys;
}

bool applyKey(BoardState& s, unsigned char byte)
{
    const int gains = int(gainSteps().size());
    switch (byte) {
    case '1':
        stepIndex(s.a.gain, -1, gains);
        break;
    case '2':
        stepIndex(s.a.gain, +1, gains);
        break;
    case '3':
        s.a.ac = !s.a.ac;
        break;
    case '4':
        stepIndex(s.b.gain, -1, gains);
        break;
    case '5':
        stepIndex(s.b.gain, +1, gains);
        break;
    case '6':
        s.b.ac = !s.b.ac;
        break;
    case '7':
        stepIndex(s.timeBase, -1, int(timeBaseSteps().size()));
        break;
    case '8':
        stepIndex(s.timeBase, +1, int(timeBaseSteps().size()));
        break;
    case '9':
        s.trigMode = TriggerMode((int(s.trigMode) + 1) % 3);
        s.singleArmed = s.trigMode == TriggerMode::Single;
        break;
    case ':':
        s.trigSource = 1 - s.trigSource;
        break;
    case ';':
        s.trigLevel = std::max(0, s.trigLevel - 8);
        break;
    case '<':
        s.trigLevel = std::min(255, s.trigLevel + 8);
        break;
    case '=':
        s.edge = s.edge == Edge::Rising ? Edge::Falling : Edge::Rising;
        break;
    case '>':
        nextWave(s.a);
        break;
    case '?':
        nextWave(s.b);
        break;
    default:
        return false;
    }
    return true;
}

} // namespace boardsim
