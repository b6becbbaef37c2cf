// Writes the seed corpus of receive_fuzzer: board frames as fuzz programs (fuzz/Program.h),
// each read back with the fuzzer's own decoder before it is kept.
//   make_seeds DIR [CAPTURE...]   CAPTURE: raw bytes from the simulated board, kept as sim-NAME
//   make_seeds --describe FILE    the steps an input makes, one a line
#include "acquisition/FrameAssembler.h"
#include "fuzz/Program.h"
#include "support/Frames.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

using fuzzing::Encoder;
using testing_support::FrameFields;

std::string str(const QByteArray& b)
{
    return b.toStdString();
}
std::string wire(const FrameFields& f, char terminator = ';')
{
    return str(testing_support::onWire(testing_support::frameText(f), terminator));
}
std::string wire()
{
    return wire(FrameFields{});
}

FrameFields ramps()
{
    FrameFields f;
    f.ch1 = testing_support::ramp(0, 3);
    f.ch2 = testing_support::ramp(255, -3);
    return f;
}

// The wire bytes a program feeds, in order, as the fuzzer's decoder reads them.
std::string replay(const std::string& program, int& steps)
{
    FuzzedDataProvider in(reinterpret_cast<const std::uint8_t*>(program.data()), program.size());
    std::string fed;
    steps = 0;
    while (in.remaining_bytes() > 0) {
        fed += fuzzing::nextStep(in).bytes;
        ++steps;
    }
    return fed;
}

int failures = 0;

void seed(const std::string& dir, const std::string& name, const std::function<void(Encoder&)>& build,
          const std::string& fed)
{
    Encoder e;
    build(e);
    const std::string bytes = e.bytes();
    int steps = 0;
    if (replay(bytes, steps) != fed || steps > fuzzing::kMaxSteps) {
        std::fprintf(stderr, "seed %s: decodes to another stream\n", name.c_str());
        ++failures;
        return;
    }
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    std::printf("%-24s %7zu bytes, %3d steps\n", name.c_str(), bytes.size(), steps);
}

// A seed that only feeds `stream`, in chunks of `size`.
void stream(const std::string& dir, const std::string& name, const std::string& s,
            std::size_t size = fuzzing::kChunkMax)
{
    seed(dir, name, [&](Encoder& e) { e.wire(s, size); }, s);
}

void frames(const std::string& dir)
{
    stream(dir, "frame_default", wire());
    FrameFields ac = ramps();
    ac.coupling1 = "ac";
    ac.coupling2 = "ac";
    ac.time = " 12u";
    stream(dir, "frame_ac_12u", wire(ac));
    const char* gains[][2] = {{"  5mV", "  1V "}, {" 10mV", "200mV"}, {"   1V", "  50m"}, {"20 mV", "2V   "}};
    const char* times[] = {"  1m", " 10u", "   1", "500m"};
    for (int i = 0; i < 4; ++i) {
        FrameFields f = ramps();
        f.gain1 = gains[i][0];
        f.gain2 = gains[i][1];
        f.time = times[i];
        f.coupling1 = i % 2 ? "ac" : "dc";
        f.level = QByteArray::number(i * 70, 16).rightJustified(2, '0');
        stream(dir, "frame_gain_" + std::to_string(i), wire(f));
    }
    FrameFields hex;
    hex.ch1 = testing_support::ramp(10, 1);
    QByteArray text = testing_support::frameText(hex).toLower();
    text.replace(20, 2, "7G");
    text.replace(22, 2, "G7");
    text.replace(386, 2, "ff");
    stream(dir, "frame_odd_hex", str(testing_support::onWire(text)));
    FrameFields trig;
    trig.trig = "Norm B 12<";
    trig.level = "00";
    stream(dir, "frame_trig_digits", wire(trig));
    FrameFields full = ramps();
    full.filler = '\xff';
    stream(dir, "frame_latin1_filler", wire(full, '\0'));
}

void splits(const std::string& dir)
{
    for (const std::size_t size : {1, 2, 7, 64, 389, 390})
        stream(dir, "split_" + std::to_string(size), wire(ramps()), size);
}

void shapes(const std::string& dir)
{
    const QByteArray text = testing_support::frameText(ramps());
    for (const int length : {1, 10, 17, 100, 190, 376, 386, 387})
        stream(dir, "short_" + std::to_string(length), str(testing_support::onWire(text.first(length))));
    stream(dir, "empty_frame", "\x04\x1b");
    stream(dir, "stray_ends", "\x1b\x1b" + wire() + "\x1b;\x1b");
    stream(dir, "three_frames", wire() + wire(ramps()) + wire());
    stream(dir, "three_frames_chunked", wire() + wire(ramps()) + wire(), 100);
    stream(dir, "restart_inside", wire().substr(0, 200) + wire(ramps()));
    stream(dir, "noise_between", "junk\r\n" + wire() + "more junk" + wire(ramps()) + "tail");
    stream(dir, "no_end_70000", "\x04" + std::string(70000, 'A'));
    // The cap exactly: the last text length that still makes a frame, and the first that does not.
    const std::string cap(acquisition::FrameAssembler::kMaxFrame - 1, 'B');
    stream(dir, "at_cap", "\x04" + cap + ";\x1b" + wire());
    stream(dir, "over_cap", "\x04" + cap + "B;\x1b" + wire());
}

void steps(const std::string& dir)
{
    const std::string f = wire(), r = wire(ramps());
    seed(
        dir, "timeout_mid_frame",
        [&](Encoder& e) {
            e.wire(f.substr(0, 150));
            e.timeout();
            e.wire(f.substr(150));
            e.wire(r);
        },
        f + r);
    seed(
        dir, "xy_then_scope",
        [&](Encoder& e) {
            e.mode(true);
            e.wire(r);
            e.mode(false);
            e.wire(f);
        },
        r + f);
    seed(
        dir, "stopped",
        [&](Encoder& e) {
            e.runStop();
            e.wire(r);
            e.events();
            e.runStop();
            e.wire(f);
        },
        r + f);
    seed(
        dir, "drag_time_cursors",
        [&](Encoder& e) {
            e.wire(r);
            e.drag(1, 0, {100, 50, 900.5f, 60, 2467.5f, 70, 4935, 80});
            e.drag(2, 0, {4000, 50, 3000.25f, 50, 5100, 50});
            e.events();
        },
        r);
    seed(
        dir, "drag_voltage_cursors",
        [&](Encoder& e) {
            e.wire(f);
            e.drag(1, 1, {10, 100, 10, 1972.5f, 10, 3945});
            e.drag(3, 1, {10, -100, 10, 5000});
            e.mode(true);
            e.drag(2, 1, {10, 200, 10, 3000});
        },
        f);
    seed(
        dir, "mouse_odd_coordinates",
        [&](Encoder& e) {
            e.wire(r);
            for (std::size_t i = 0; i < fuzzing::kSpecials.size(); ++i)
                e.mouseSpecial(int(i % 3), 3, int(i % 2), i, fuzzing::kSpecials.size() - 1 - i);
        },
        r);
    seed(
        dir, "offsets_channels",
        [&](Encoder& e) {
            e.offset(1, 0);
            e.offset(2, 256);
            e.wire(r);
            e.channel(true);
            e.mode(false);
            e.offset(3, 257);
            e.channel(false);
            e.wire(f);
            e.mode(true);
            e.offset(1, 255);
            e.events();
        },
        r + f);
}

void captures(const std::string& dir, int argc, char** argv)
{
    for (int i = 2; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        const std::string s{std::istreambuf_iterator<char>(file), {}};
        std::string name = argv[i];
        name = "sim-" + name.substr(name.find_last_of('/') + 1);
        stream(dir, name, s, 391);
        stream(dir, name + "-32", s, 32);
    }
}

int describe(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string program{std::istreambuf_iterator<char>(file), {}};
    FuzzedDataProvider in(reinterpret_cast<const std::uint8_t*>(program.data()), program.size());
    static const char* const names[] = {"timeout", "mode",    "run/stop", "mouse", "drag",
                                        "offset",  "channel", "events",   "chunk"};
    std::size_t fed = 0;
    while (in.remaining_bytes() > 0) {
        const fuzzing::Step s = fuzzing::nextStep(in);
        std::printf("%-8s", names[s.kind]);
        if (s.kind == fuzzing::Mode || s.kind == fuzzing::Channel) std::printf(" %d", int(s.flag));
        if (s.kind == fuzzing::Mouse || s.kind == fuzzing::Drag) {
            std::printf(" event %d button %d shift %d at", s.event, s.button, s.shift);
            for (std::size_t i = 0; i + 1 < s.points.size(); i += 2)
                std::printf(" (%g, %g)", double(s.points[i]), double(s.points[i + 1]));
        }
        if (s.kind == fuzzing::Offset) std::printf(" CH%d %d", s.channel, s.value);
        if (s.kind == fuzzing::Chunk) {
            std::size_t starts = 0, ends = 0;
            for (const char c : s.bytes) {
                starts += c == 4;
                ends += c == 27;
            }
            std::printf(" %zu bytes at %zu (%zu start, %zu end codes)", s.bytes.size(), fed, starts, ends);
            fed += s.bytes.size();
        }
        std::printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--describe") return describe(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [CAPTURE...] | --describe FILE\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    frames(dir);
    splits(dir);
    shapes(dir);
    steps(dir);
    captures(dir, argc, argv);
    return failures == 0 ? 0 : 1;
}
