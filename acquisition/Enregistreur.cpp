#include "acquisition/Enregistreur.h"

#include "acquisition/DiskSync.h"

#include <cerrno>
#include <cstring>

namespace acquisition {

namespace {
QString raisonSysteme(int erreur)
{
    return QString::fromLocal8Bit(std::strerror(erreur));
}
} // namespace

Enregistreur::Enregistreur(QObject* parent) : QObject(parent)
{
    synchro_.setInterval(kSynchroMs);
    // Only when something came since: an idle recording leaves the disk alone.
    connect(&synchro_, &QTimer::timeout, this, [this] {
        if (aSynchroniser_) synchronise();
    });
}

Enregistreur::~Enregistreur()
{
    arrete();
}

bool Enregistreur::demarre(const QString& chemin, qint64 debutMs, const QLocale& locale)
{
    arrete();
    erreur_.clear();
    fichier_.setFileName(chemin);
    // Unbuffered: each frame reaches the system as it comes, and a full disk is known at that frame.
    if (!fichier_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        erreur_ = fichier_.errorString();
        return false;
    }
    Enregistrement::Ecriture ecriture(debutMs, locale);
    const QByteArray entete = ecriture.entete();
    if (fichier_.write(entete) != entete.size())
        erreur_ = fichier_.errorString();
    else if (const std::optional<QString> e = pousse())
        erreur_ = *e;
    if (!erreur_.isEmpty()) {
        // Not even a head: no file to mistake for a recording.
        fichier_.remove();
        return false;
    }
    ecriture_.emplace(ecriture);
    debutMs_ = debutMs;
    trames_ = 0;
    ecrits_ = entete.size();
    synchro_.start();
    return true;
}

void Enregistreur::ecrit(const TrameDatee& t)
{
    if (!ecriture_) return;
    const QByteArray ligne = ecriture_->ligne(t);
    if (fichier_.write(ligne) != ligne.size()) {
        echoue(fichier_.errorString());
        return;
    }
    ecrits_ += ligne.size();
    ++trames_;
    aSynchroniser_ = true;
}

void Enregistreur::arrete()
{
    if (!ecriture_) return;
    synchronise();
    synchro_.stop();
    ecriture_.reset();
    fichier_.close();
}

// The system's buffers to the disk. A disk that fills may only say so here, for data the
// writes took in.
std::optional<QString> Enregistreur::pousse()
{
    if (!fichier_.flush()) return fichier_.errorString();
    if (syncData(fichier_.handle()) != 0) return raisonSysteme(errno);
    return std::nullopt;
}

bool Enregistreur::synchronise()
{
    if (!ecriture_) return true;
    aSynchroniser_ = false;
    if (const std::optional<QString> e = pousse()) {
        echoue(*e);
        return false;
    }
    return true;
}

void Enregistreur::echoue(const QString& raison)
{
    synchro_.stop();
    // A row cut by the full disk goes: the file ends on its last whole frame.
    fichier_.resize(ecrits_);
    fichier_.close();
    ecriture_.reset();
    erreur_ = raison;
    emit echec(raison);
}

} // namespace acquisition
