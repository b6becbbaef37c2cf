#include "ui/Artwork.h"

#include <QString>

// The resources live in a static library; nothing else refers to them, so the linker would
// leave them out unless they are registered by name. Q_INIT_RESOURCE has to run outside any
// namespace.
static void registerVantorResources()
{
    Q_INIT_RESOURCE(vantor);
}

namespace Artwork {
namespace {

QString resource(const char* name)
{
    static const bool registered = (registerVantorResources(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/artwork/") + QLatin1String(name);
}

} // namespace

QIcon windowIcon()
{
    QIcon icon;
    for (const char* name : {"vantorlcd-32.png", "vantorlcd-48.png", "vantorlcd-64.png", "vantorlcd-128.png"})
        icon.addFile(resource(name));
    return icon;
}

QImage boardScreen(BoardScreen screen)
{
    switch (screen) {
    case BoardScreen::MainMenu:
        return QImage(resource("lcd_menu.pbm"));
    case BoardScreen::TimeBase:
        return QImage(resource("lcd_timebase.pbm"));
    case BoardScreen::Trigger:
        return QImage(resource("lcd_trigger.pbm"));
    }
    return {};
}

QImage boardPicture()
{
    return QImage(resource("board.png"));
}

} // namespace Artwork
