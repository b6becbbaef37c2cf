#include "acquisition/Fichier.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace acquisition::Fichier {

namespace {
const QString kPasOrdinaire = QStringLiteral("ce n'est pas un fichier ordinaire");

#ifdef Q_OS_WIN
// Windows' stat has no inode: a file is its volume and its index there.
std::optional<BY_HANDLE_FILE_INFORMATION> information(HANDLE h)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return std::nullopt;
    return info;
}

Identite de(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber, (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}
#else
Identite de(const struct stat& etat)
{
    return {quint64(etat.st_dev), quint64(etat.st_ino)};
}
#endif
} // namespace

#ifdef Q_OS_WIN
std::optional<Identite> identite(const QString& chemin)
{
    if (chemin.isEmpty()) return std::nullopt;
    const HANDLE h =
        CreateFileW(reinterpret_cast<const wchar_t*>(QFileInfo(chemin).absoluteFilePath().utf16()), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const std::optional<BY_HANDLE_FILE_INFORMATION> info = information(h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!info) return std::nullopt;
    return de(*info);
}

std::optional<Identite> identite(int fd)
{
    if (fd < 0) return std::nullopt;
    const std::optional<BY_HANDLE_FILE_INFORMATION> info = information(HANDLE(_get_osfhandle(fd)));
    if (!info) return std::nullopt;
    return de(*info);
}

quint64 liens(int fd)
{
    const std::optional<BY_HANDLE_FILE_INFORMATION> info = information(HANDLE(_get_osfhandle(fd)));
    return info ? info->nNumberOfLinks : 1;
}
#else
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

quint64 liens(int fd)
{
    struct stat etat{};
    return ::fstat(fd, &etat) == 0 ? quint64(etat.st_nlink) : 1;
}
#endif

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

#ifdef Q_OS_WIN
Ouvert ouvreOrdinaire(const QString& chemin, int drapeaux)
{
    const int fd = ::_wopen(reinterpret_cast<const wchar_t*>(chemin.utf16()),
                            drapeaux | O_BINARY | O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return {-1, raisonSysteme(errno)};
    // A device's name ("COM1", "NUL") opens as a file there: only a file on a disk is one.
    if (GetFileType(HANDLE(_get_osfhandle(fd))) != FILE_TYPE_DISK) {
        ::_close(fd);
        return {-1, kPasOrdinaire};
    }
    return {fd, {}};
}

QString refusCible(const QString& chemin)
{
    const QFileInfo f(chemin);
    return !f.exists() || f.isFile() ? QString() : kPasOrdinaire;
}
#else
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
#endif

QString refusSurLecture(const QString& chemin, const QString& fichierLu)
{
    if (!memeFichier(chemin, fichierLu)) return {};
    return QStringLiteral("ce fichier est en cours de lecture ; l'enregistrer l'effacerait");
}

} // namespace acquisition::Fichier
