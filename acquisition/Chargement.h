#pragma once

// A frame file read in slices, each one a short step the window takes from its event loop, so
// that it keeps answering while an hour of recording loads. Regular files only: a pipe or a
// device would block the window, waiting for bytes that may never come.
#include "acquisition/Enregistrement.h"

#include <QFile>
#include <QList>
#include <QString>

namespace acquisition {

class Chargement
{
public:
    // Some 300 frames of a recording: a step of milliseconds.
    static constexpr qint64 kTranche = 256 * 1024;

    // At most `borne` frames are read.
    explicit Chargement(qsizetype borne);

    // False, with refus(), for a file that is not a regular one or cannot be opened.
    bool ouvre(const QString& chemin);
    // Reads the next slice; false once nothing is left to do: the end, the bound, or a refusal.
    bool avance();
    // The frames read since the last call. A single frame is dated by its file.
    QList<TrameDatee> prend();

    // The fraction of the file read, 0 to 1.
    double avancement() const;
    // Why the file is refused (French, for the user); empty while it is good.
    QString refus() const;
    const Enregistrement::Lecture& lecture() const { return lecture_; }

private:
    QFile fichier_;
    Enregistrement::Lecture lecture_;
    qint64 taille_ = 0, lus_ = 0;
    qint64 modifieMs_ = 0;
    QString refus_;
};

} // namespace acquisition
