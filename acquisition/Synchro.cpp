#include "acquisition/Synchro.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace acquisition {

Synchro::Synchro(int fd, const QString& chemin, Rendu rendu)
    : fd_(fd), chemin_(QFile::encodeName(chemin)), rendu_(std::move(rendu)), fil_([this] { travaille(); })
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

Synchro::Nom Synchro::nom(int fd, const QByteArray& chemin)
{
    struct stat fichier{}, nomme{};
    const bool existe = ::stat(chemin.constData(), &nomme) == 0;
    if (::fstat(fd, &fichier) != 0) return Nom::LeFichier; // nothing known: nothing said
    if (existe && nomme.st_dev == fichier.st_dev && nomme.st_ino == fichier.st_ino) return Nom::LeFichier;
    if (fichier.st_nlink > 0) return Nom::Deplace;
    return existe ? Nom::Remplace : Nom::Supprime;
}

Synchro::Bilan Synchro::traite(Bilan b) const
{
    if (b.pousse && ::fdatasync(fd_) != 0) b.erreur = errno;
    b.nom = nom(fd_, chemin_);
    return b;
}

} // namespace acquisition
