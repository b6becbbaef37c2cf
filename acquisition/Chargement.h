#pragma once

// A frame file read in slices, each one a short step the window takes from its event loop, so
// that it keeps answering while an hour of recording loads. Regular files only: a pipe or a
// device would block the window, waiting for bytes that may never come.
//
// A recording is not loaded into memory: the load finds where each of its good rows lies (some
// 24 bytes a frame), and each frame is read from the file again when it is shown. So an hour or a
// day opens whole, in a few megabytes.
#include "acquisition/Enregistrement.h"

#include <QFile>
#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace acquisition {

// The file being read and how far: shared by its load and the session it opens, which reads on
// as the file grows.
struct FichierLu
{
    explicit FichierLu(qsizetype borne) : lecture(borne) {}
    QFile fichier;
    Enregistrement::Lecture lecture;
    qint64 lus = 0;
    // The next bytes from `lus`, at most `n`; empty at the end, with `erreur` set on a failure.
    QByteArray lit(qint64 n);
    QString erreur;
};

// A recording opened: its frames by their place, 0 the first recorded. The file stays open while
// it is shown; one the program read past its end (a recording still written into) grows with it.
class Session
{
public:
    Session(std::shared_ptr<FichierLu> fichier, const QString& chemin);

    qsizetype taille() const { return qsizetype(places_.size()); }
    bool isEmpty() const { return places_.empty(); }
    // Frame i (0 <= i < taille()) read from the file; nothing when the file no longer holds it
    // (cut or replaced under the program).
    std::optional<TrameDatee> trame(qsizetype i) const;
    // When frame i came, without reading it.
    qint64 arriveeMs(qsizetype i) const { return places_[std::size_t(i)].arriveeMs; }
    qint64 debutMs() const { return format_.debutMs; }
    // From the recording's start to its last frame.
    qint64 dureeMs() const { return isEmpty() ? 0 : arriveeMs(taille() - 1) - debutMs(); }
    // The place of the last frame that came at or before `ms` (0 before the first).
    qsizetype placeA(qint64 ms) const;
    const QString& chemin() const { return chemin_; }

    // Takes the frames the load found since the last call.
    void prend();
    // Reads what was written to the file since (a recording still running into it), at most a
    // slice; true when frames were added.
    bool suit();

private:
    std::shared_ptr<FichierLu> fichier_;
    Enregistrement::Format format_;
    QString chemin_;
    std::vector<Enregistrement::Place> places_;
};

class Chargement
{
public:
    // Some 300 frames of a recording: a step of milliseconds.
    static constexpr qint64 kTranche = 256 * 1024;

    Chargement();

    // False, with refus(), for a file that is not a regular one or cannot be opened. `enregistre`:
    // the file a recording is being written into, if any, whose unfinished last row is no cut.
    bool ouvre(const QString& chemin, const QString& enregistre = {});
    // Reads the next slice; false once nothing is left to do: the end of the file as the system
    // says it (a read that gives nothing; a short one is not the end), or a refusal.
    bool avance();
    // A single frame, once read whole (dated by its file).
    std::optional<TrameDatee> trameSeule() const;
    // A recording's frames, as far as the load has found them; null before its head is read.
    const std::shared_ptr<Session>& session() const { return session_; }

    // The fraction of the file read, 0 to 1.
    double avancement() const;
    // Why the file is refused (French, for the user); empty while it is good.
    QString refus() const;
    // What the user is told of a recording opened, once read: a cut tail, the damaged rows
    // skipped; empty when there is nothing to say.
    QString remarques(const QString& nom) const;
    const Enregistrement::Lecture& lecture() const { return fichier_->lecture; }
    const QString& chemin() const { return chemin_; }
    bool enregistre() const { return enregistre_; }

private:
    std::shared_ptr<FichierLu> fichier_;
    std::shared_ptr<Session> session_;
    std::optional<TrameDatee> trameSeule_;
    QString chemin_;
    qint64 taille_ = 0;
    qint64 modifieMs_ = 0;
    QString refus_;
    bool enregistre_ = false;
};

} // namespace acquisition
