#pragma once

// A recording in progress: the open file, every frame written to it as it arrives, and the data
// pushed to the disk at least once a second, so that a crash, an unplug or a power cut loses at
// most the last second. A write that fails stops the recording once, with the system's reason;
// every frame written before stays in the file.
#include "acquisition/Enregistrement.h"
#include "acquisition/TrameDatee.h"

#include <QFile>
#include <QLocale>
#include <QObject>
#include <QTimer>
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

    // Creates (or replaces) `chemin` and writes the head; false, with erreur(), when it cannot.
    bool demarre(const QString& chemin, qint64 debutMs, const QLocale& locale = QLocale());
    // One frame, written now. Nothing while not recording.
    void ecrit(const TrameDatee& t);
    // What was written, to the disk, and the file closed.
    void arrete();

    bool actif() const { return ecriture_.has_value(); }
    qint64 debutMs() const { return debutMs_; }
    qint64 trames() const { return trames_; }
    QString chemin() const { return fichier_.fileName(); }
    // Why the last start or recording failed.
    const QString& erreur() const { return erreur_; }

signals:
    // The recording stopped on a failed write; `raison` is the system's.
    void echec(const QString& raison);

private:
    std::optional<QString> pousse();
    bool synchronise();
    void echoue(const QString& raison);

    QFile fichier_;
    QTimer synchro_;
    std::optional<Enregistrement::Ecriture> ecriture_;
    qint64 debutMs_ = 0;
    qint64 trames_ = 0;
    qint64 ecrits_ = 0; // bytes of whole rows in the file
    bool aSynchroniser_ = false;
    QString erreur_;
};

} // namespace acquisition
