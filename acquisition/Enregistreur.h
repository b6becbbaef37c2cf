#pragma once

// A recording in progress: the open file, every frame written to it as it arrives, and the data
// pushed to the disk at least once a second, so that a crash, an unplug or a power cut loses at
// most the last second. The pushes run on a thread of their own (Synchro): the window never
// waits for the disk while recording. The file is known by what it is, not by its name: one
// removed, replaced or moved by another program is noticed within a second and stops the
// recording. A write or push that fails stops the recording once, with the system's reason.
#include "acquisition/DiskSync.h"
#include "acquisition/Enregistrement.h"
#include "acquisition/Synchro.h"
#include "acquisition/TrameDatee.h"

#include <QLocale>
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

namespace acquisition {

class Enregistreur : public QObject
{
    Q_OBJECT
public:
    // Between two pushes to the disk: half the second promised, the other half for the push.
    static constexpr int kSynchroMs = 500;

    explicit Enregistreur(QObject* parent = nullptr);
    ~Enregistreur() override;

    // Where the pushes go: the disk, or what a test plays (taken at each start).
    Synchro::Pousse pousse = syncData;

    // Creates (or replaces) `chemin`, which must be a regular file, and writes the head; false,
    // with erreur(), when it cannot.
    bool demarre(const QString& chemin, qint64 debutMs, const QLocale& locale = QLocale());
    // One frame, written now. Nothing while not recording.
    void ecrit(const TrameDatee& t);
    // What was written, to the disk (waited for), and the file closed; false, with erreur(), when
    // that last push failed or the file is no longer under its name. The failure is not
    // signalled: the caller tells it.
    bool arrete();

    bool actif() const { return ecriture_.has_value(); }
    qint64 debutMs() const { return debutMs_; }
    qint64 trames() const { return trames_; }
    QString chemin() const { return chemin_; }
    // Whether `chemin` names the very file being recorded (false while not recording).
    bool estLeFichier(const QString& chemin) const;
    // Why nothing else may write to `chemin`: it is the file being recorded; empty when it is not.
    QString refusSurLeFichier(const QString& chemin) const;
    // Why the last start or recording failed.
    const QString& erreur() const { return erreur_; }
    // After a failure: whether the file is still there with what it holds (the frames it kept).
    bool fichierGarde() const { return garde_; }
    qint64 tramesGardees() const { return tramesGardees_; }

signals:
    // The recording stopped on its own: a failed write or push, or a file gone. `raison` is
    // the system's, or what happened to the file.
    void echec(const QString& raison);

private:
    void recu(quint64 session, const Synchro::Bilan& b);
    void perdu(Synchro::Nom nom);
    void echoue(const QString& raison, qint64 taille, qint64 trames, bool garde);
    void ferme();

    QString chemin_;
    int fd_ = -1;
    std::unique_ptr<Synchro> synchro_;
    QTimer minuterie_;
    std::optional<Enregistrement::Ecriture> ecriture_;
    quint64 session_ = 0; // tells a late report of an earlier recording from this one's
    qint64 debutMs_ = 0;
    qint64 trames_ = 0;
    qint64 ecrits_ = 0;                          // bytes of whole rows in the file
    qint64 surDisque_ = 0, tramesSurDisque_ = 0; // what the last push that succeeded covered
    bool aSynchroniser_ = false;
    bool garde_ = true;
    qint64 tramesGardees_ = 0;
    QString erreur_;
};

} // namespace acquisition
