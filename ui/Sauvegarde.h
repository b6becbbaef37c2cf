#pragma once

class QImage;
class QWidget;

namespace ui {
class Dialogs;
}

namespace Sauvegarde {

// "Save Bmp": asks for a file name, asks before replacing an existing file, then writes
// `picture` there as a BMP file. `picture` is the display's own picture, read only when the
// file is written, after the dialogs have closed. Ret receives the length of the name of the
// normal file found at the chosen path (0 when there is none).
void SauveImage(QWidget* parent, ui::Dialogs& dialogs, const QImage& picture, int& Ret);

} // namespace Sauvegarde
