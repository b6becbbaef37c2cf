// Draws every picture the program ships and writes them into the resources folder:
//   make_artwork [output folder]
// The outputs are committed; run this again only after changing a drawing.
#include "tools/artwork/board.h"
#include "tools/artwork/icon.h"
#include "tools/artwork/screens.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <cstdio>

namespace {

bool write(const QDir& folder, const QString& name, const QImage& image, const char* format)
{
    const QString path = folder.filePath(name);
    QImageWriter writer(path, format);
    if (!writer.write(image)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Images only, no window: the offscreen platform works on a machine without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VANTOR_RESOURCES_DIR));

    const QImage menu = artwork::mainMenuScreen();
    bool ok = write(folder, QStringLiteral("lcd_menu.pbm"), menu, "pbm");
    ok = write(folder, QStringLiteral("lcd_timebase.pbm"), artwork::timeBaseScreen(), "pbm") && ok;
    ok = write(folder, QStringLiteral("lcd_trigger.pbm"), artwork::triggerScreen(), "pbm") && ok;
    ok = write(folder, QStringLiteral("board.png"), artwork::boardPicture(menu), "png") && ok;
    for (const int size : {32, 48, 64, 128})
        ok = write(folder, QStringLiteral("vantorlcd-%1.png").arg(size), artwork::programIcon(size), "png") &&
             ok;
    return ok ? 0 : 1;
}
