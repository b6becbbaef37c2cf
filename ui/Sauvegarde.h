#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

class QWidget;

namespace ui {
class Dialogs;
}

namespace Sauvegarde {

// What a save writes: the display's picture, or the frame behind it as numbers.
enum class Genre { Bmp, Csv, Png };

// The kind a chosen name is written in: its extension (.bmp, .csv, .png, in any case), otherwise
// the filter chosen in the dialog (BMP, CSV, PNG, all files: a BMP), by its place.
Genre genre(const QString& path, int filter);

// Each asked for only when its file is written, after the dialogs have closed (frames may have
// been drawn meanwhile).
struct Contenus
{
    std::function<QImage()> image{};       // the display's picture at 1x: BMP
    std::function<QImage()> ecran{};       // the picture as the screen shows it: PNG
    std::function<QByteArray()> donnees{}; // the frame as a CSV file; empty when there is none
};

// "Save Bmp": asks for a file name, asks before replacing an existing file, then writes there the
// kind genre() gives. Ret receives the length of the name of the normal file found at the chosen
// path (0 when there is none).
void SauveImage(QWidget* parent, ui::Dialogs& dialogs, const Contenus& contenus, int& Ret);

} // namespace Sauvegarde
