#include "acquisition/Synchro.h"

#include "acquisition/DiskSync.h"
#include "acquisition/Fichier.h"

#include <cerrno>
#include <utility>

namespace acquisition {

Synchro::Synchro(int fd, const QString& chemin, Rendu rendu, Pousse pousse)
    : fd_(fd), chemin_(chemin), rendu_(std::move(rendu)), pousse_(pousse), fil_([this] { travaille(); })
{}

Synchro::~Synchro()
{
    {
        const std::lock_guard garde(verrou_);
        fin_ = true;
    }
    reveil_.notify_one();
    fil_.join();
}

void Synchro::demande(qint64 taille, qint64 trames, bool pousse)
{
    {
        const std::lock_guard garde(verrou_);
        const bool dejaPousse = demande_ && demande_->pousse;
        demande_ = Bilan{taille, trames, pousse || dejaPousse};
    }
    reveil_.notify_one();
}

void Synchro::attend()
{
    std::unique_lock garde(verrou_);
    calme_.wait(garde, [this] { return !demande_ && !enCours_; });
}

void Synchro::travaille()
{
    std::unique_lock garde(verrou_);
    for (;;) {
        reveil_.wait(garde, [this] { return demande_ || fin_; });
        if (!demande_) return;
        const Bilan b = *std::exchange(demande_, std::nullopt);
        enCours_ = true;
        garde.unlock();
        rendu_(traite(b));
        garde.lock();
        enCours_ = false;
        if (!demande_) calme_.notify_all();
    }
}

Synchro::Nom Synchro::nom(int fd, const QString& chemin)
{
    const std::optional<Fichier::Identite> fichier = Fichier::identite(fd);
    if (!fichier) return Nom::LeFichier; // nothing known: nothing said
    const std::optional<Fichier::Identite> nomme = Fichier::identite(chemin);
    if (nomme == fichier) return Nom::LeFichier;
    if (Fichier::liens(fd) > 0) return Nom::Deplace;
    return nomme ? Nom::Remplace : Nom::Supprime;
}

Synchro::Bilan Synchro::traite(Bilan b) const
{
    if (b.pousse && pousse_(fd_) != 0) b.erreur = errno;
    b.nom = nom(fd_, chemin_);
    return b;
}

} // namespace acquisition
