#pragma once

#include "ui/Dialogs.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

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
    // Why a chosen file may not be written (the session being recorded); empty when it may.
    std::function<QString(const QString&)> refus{};
};

// What the save dialog shows: its title, its filter ("description|pattern" pairs) and the name
// it proposes.
struct Demande
{
    QString titre, filtre, nom;
    std::function<QString(const QString&)> refus{}; // as Contenus::refus
};
struct Choisi
{
    ui::SaveChoice choix;
    QString refus; // why the existing file there may not be replaced; empty when it may
};

// Asks for a file name until the user gives one where no file is, or agrees to replace the one
// there (No and Cancel ask again); nullopt when the dialog is cancelled. Only a regular file is
// written over: anything else there (a device, a pipe), or a file demande.refus refuses, is
// refused without a question. Ret receives the length
// of the name of the normal file found at the chosen path (0 when there is none).
std::optional<Choisi> choisit(QWidget* parent, ui::Dialogs& dialogs, const Demande& demande, int& Ret);

// "Save Bmp": asks for a file name, asks before replacing an existing file, then writes there the
// kind genre() gives. Ret receives the length of the name of the normal file found at the chosen
// path (0 when there is none).
void SauveImage(QWidget* parent, ui::Dialogs& dialogs, const Contenus& contenus, int& Ret);

} // namespace Sauvegarde
