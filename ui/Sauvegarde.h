#pragma once

#include <QImage>
#include <functional>

class QWidget;

namespace ui {
class Dialogs;
}

namespace Sauvegarde {

// "Save Bmp": asks for a file name, asks before replacing an existing file, then writes
// `picture()` there as a BMP file: the display's own picture, asked for only when the file is
// written, after the dialogs have closed (frames may have been drawn meanwhile). Ret receives the length of
// the name of the normal file found at the chosen path (0 when there is none).
void SauveImage(QWidget* parent, ui::Dialogs& dialogs, const std::function<QImage()>& picture, int& Ret);

} // namespace Sauvegarde
