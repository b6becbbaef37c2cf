#include "acquisition/Fichier.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace acquisition::Fichier {

namespace {
const QString kPasOrdinaire = QStringLiteral("ce n'est pas un fichier ordinaire");

Identite de(const struct stat& etat)
{
    return {quint64(etat.st_dev), quint64(etat.st_ino)};
}
} // namespace

std::optional<Identite> identite(const QString& chemin)
{
    struct stat etat{};
    if (chemin.isEmpty() || ::stat(QFile::encodeName(chemin).constData(), &etat) != 0) return std::nullopt;
    return de(etat);
}

std::optional<Identite> identite(int fd)
{
    struct stat etat{};
    if (fd < 0 || ::fstat(fd, &etat) != 0) return std::nullopt;
    return de(etat);
}

bool memeFichier(const QString& a, const QString& b)
{
    const std::optional<Identite> ia = identite(a);
    return ia && ia == identite(b);
}

QString raisonSysteme(int erreur)
{
    // strerror follows LC_MESSAGES, which the application set from the user's environment.
    return QString::fromLocal8Bit(std::strerror(erreur));
}

Ouvert ouvreOrdinaire(const QString& chemin, int drapeaux)
{
    const int fd =
        ::open(QFile::encodeName(chemin).constData(), drapeaux | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    // A pipe without a reader, or a device node without its device, says so as "no such device".
    if (fd < 0) return {-1, errno == ENXIO ? kPasOrdinaire : raisonSysteme(errno)};
    struct stat etat{};
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        ::close(fd);
        return {-1, kPasOrdinaire};
    }
    // A regular file never blocks anyway; the flag would only make a full pipe's errors odd.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return {fd, {}};
}

QString refusCible(const QString& chemin)
{
    struct stat etat{};
    if (::stat(QFile::encodeName(chemin).constData(), &etat) != 0 || S_ISREG(etat.st_mode)) return {};
    return kPasOrdinaire;
}

QString refusSurLecture(const QString& chemin, const QString& fichierLu)
{
    if (!memeFichier(chemin, fichierLu)) return {};
    return QStringLiteral("ce fichier est en cours de lecture ; l'enregistrer l'effacerait");
}

} // namespace acquisition::Fichier
