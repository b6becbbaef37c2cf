#include "acquisition/Enregistreur.h"

#include "acquisition/DiskSync.h"
#include "acquisition/Fichier.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace acquisition {

namespace {
// Writes all of `octets`. A write that takes only part (a disk that fills) is asked again for
// the rest, which fails with the reason itself; errno then, 0 when all went.
int ecritTout(int fd, const QByteArray& octets)
{
    const char* p = octets.constData();
    qsizetype reste = octets.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, size_t(reste));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC; // a system that takes nothing without saying why
        p += n;
        reste -= n;
    }
    return 0;
}

QString raisonDuNom(Synchro::Nom nom)
{
    switch (nom) {
    case Synchro::Nom::Supprime:
        return QStringLiteral("le fichier a \u00e9t\u00e9 supprim\u00e9 par un autre programme");
    case Synchro::Nom::Remplace:
        return QStringLiteral("le fichier a \u00e9t\u00e9 remplac\u00e9 par un autre programme");
    case Synchro::Nom::Deplace:
        return QStringLiteral(
            "le fichier a \u00e9t\u00e9 d\u00e9plac\u00e9 ou renomm\u00e9 par un autre programme");
    case Synchro::Nom::LeFichier:
        break;
    }
    return {};
}
} // namespace

Enregistreur::Enregistreur(QObject* parent) : QObject(parent)
{
    minuterie_.setInterval(kSynchroMs);
    // The name is looked at every time; the disk is pushed only when something came since.
    connect(&minuterie_, &QTimer::timeout, this,
            [this] { synchro_->demande(ecrits_, trames_, std::exchange(aSynchroniser_, false)); });
}

Enregistreur::~Enregistreur()
{
    arrete();
}

bool Enregistreur::estLeFichier(const QString& chemin) const
{
    if (!actif()) return false;
    const std::optional<Fichier::Identite> nomme = Fichier::identite(chemin);
    return nomme && nomme == Fichier::identite(fd_);
}

QString Enregistreur::refusSurLeFichier(const QString& chemin) const
{
    if (!estLeFichier(chemin)) return {};
    return QStringLiteral("c'est le fichier de la session en cours d'enregistrement ; "
                          "arr\u00eatez d'abord l'enregistrement (Ctrl+R)");
}

bool Enregistreur::demarre(const QString& chemin, qint64 debutMs, const QLocale& locale)
{
    erreur_ = refusSurLeFichier(chemin);
    if (!erreur_.isEmpty()) return false;
    arrete();
    erreur_.clear();
    // Truncated only once known to be a regular file: a device or a pipe is left alone.
    const Fichier::Ouvert ouvert = Fichier::ouvreOrdinaire(chemin, O_WRONLY | O_CREAT);
    if (ouvert.fd < 0) {
        erreur_ = ouvert.refus;
        return false;
    }
    Enregistrement::Ecriture ecriture(debutMs, locale);
    const QByteArray entete = ecriture.entete();
    int e = ::ftruncate(ouvert.fd, 0) != 0 ? errno : 0;
    if (e == 0) e = ecritTout(ouvert.fd, entete);
    if (e != 0) {
        // Not even a head: no file to mistake for a recording.
        ::unlink(QFile::encodeName(chemin).constData());
        ::close(ouvert.fd);
        erreur_ = Fichier::raisonSysteme(e);
        return false;
    }
    chemin_ = chemin;
    fd_ = ouvert.fd;
    const quint64 session = ++session_;
    // Called on the push's thread: only handed over, to be read on this one.
    synchro_ = std::make_unique<Synchro>(
        fd_, chemin,
        [this, session](const Synchro::Bilan& b) {
            QMetaObject::invokeMethod(this, [this, session, b] { recu(session, b); }, Qt::QueuedConnection);
        },
        pousse);
    ecriture_.emplace(ecriture);
    debutMs_ = debutMs;
    trames_ = tramesSurDisque_ = 0;
    ecrits_ = entete.size();
    surDisque_ = 0;
    garde_ = true;
    aSynchroniser_ = true; // the head
    minuterie_.start();
    return true;
}

void Enregistreur::ecrit(const TrameDatee& t)
{
    if (!ecriture_) return;
    const QByteArray ligne = ecriture_->ligne(t);
    if (const int e = ecritTout(fd_, ligne)) {
        // A row cut by the full disk goes: the file ends on its last whole frame.
        echoue(Fichier::raisonSysteme(e), ecrits_, trames_, true);
        return;
    }
    ecrits_ += ligne.size();
    ++trames_;
    aSynchroniser_ = true;
}

void Enregistreur::perdu(Synchro::Nom nom)
{
    // A file moved keeps all it was given; one removed went with it.
    const bool garde = nom == Synchro::Nom::Deplace;
    echoue(raisonDuNom(nom), -1, garde ? trames_ : 0, garde);
}

void Enregistreur::recu(quint64 session, const Synchro::Bilan& b)
{
    if (session != session_ || !ecriture_) return;
    if (b.nom != Synchro::Nom::LeFichier) {
        perdu(b.nom);
        return;
    }
    if (b.erreur != 0) {
        // What the failed push covered may never have reached the disk: the file is cut back
        // to what the last good one did.
        echoue(Fichier::raisonSysteme(b.erreur), surDisque_, tramesSurDisque_, true);
        return;
    }
    if (b.pousse) {
        surDisque_ = b.taille;
        tramesSurDisque_ = b.trames;
    }
}

bool Enregistreur::arrete()
{
    if (!ecriture_) return true;
    synchro_->attend();
    const int e = pousse(fd_) != 0 ? errno : 0;
    const Synchro::Nom nom = Synchro::nom(fd_, chemin_);
    if (e == 0 && nom == Synchro::Nom::LeFichier) {
        ferme();
        return true;
    }
    // Told by the caller, which is still there to tell it.
    const QSignalBlocker silence(this);
    if (nom != Synchro::Nom::LeFichier)
        perdu(nom);
    else
        echoue(Fichier::raisonSysteme(e), surDisque_, tramesSurDisque_, true);
    return false;
}

void Enregistreur::echoue(const QString& raison, qint64 taille, qint64 trames, bool garde)
{
    // A cut that fails leaves the file longer, never shorter: nothing more to do about it.
    if (taille >= 0 && ::ftruncate(fd_, taille) != 0) {
    }
    ferme();
    garde_ = garde;
    tramesGardees_ = trames;
    erreur_ = raison;
    emit echec(raison);
}

void Enregistreur::ferme()
{
    minuterie_.stop();
    synchro_.reset();
    ::close(fd_);
    fd_ = -1;
    ecriture_.reset();
}

} // namespace acquisition
