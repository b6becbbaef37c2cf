// palette: prints the colours of the given numbers as the program draws them, one per line as
// #rrggbb, so that a script looking for a trace on a screen counts the program's own colour.
// Usage: palette NUMBER...      e.g. palette 2

#include "display/Surface.h"

#include <QColor>
#include <charconv>
#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: palette NUMBER...   (0 to 15)\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        int number = -1;
        const auto [end, error] = std::from_chars(arg.data(), arg.data() + arg.size(), number);
        if (error != std::errc() || end != arg.data() + arg.size() || number < 0 || number > 15) {
            std::fprintf(stderr, "palette: not a colour number (0 to 15): %s\n", argv[i]);
            return 2;
        }
        std::printf("%s\n", qPrintable(QColor(display::Surface::QBColor(number)).name()));
    }
    return 0;
}
