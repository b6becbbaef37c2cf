// palette: prints the colour each given channel is drawn in on the screen, one per line as
// #rrggbb, so that a script looking for a trace on a screen counts the program's own colour.
// Usage: palette CHANNEL...      e.g. palette 2

#include "display/Surface.h"
#include "display/Tracage.h"

#include <QColor>
#include <charconv>
#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    constexpr int channels = int(Tracage::kCouleurVoie.size());
    if (argc < 2) {
        std::fprintf(stderr, "usage: palette CHANNEL...   (1 to %d)\n", channels);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        int channel = 0;
        const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), channel);
        if (error != std::errc() || end != arg.data() + arg.size() || channel < 1 || channel > channels) {
            std::fprintf(stderr, "palette: not a channel (1 to %d): %s\n", channels, argv[i]);
            return 2;
        }
        const QColor colour(display::Surface::QBColor(Tracage::kCouleurVoie[channel - 1]));
        std::printf("%s\n", qPrintable(colour.name()));
    }
    return 0;
}
