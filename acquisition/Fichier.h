#pragma once

// Files as the system knows them: by what they are (device and inode), not by their names, and
// opened only when they are regular files, so that a pipe, a terminal or the board's own port is
// never read or written as if it were one.
#include <QString>
#include <optional>

namespace acquisition::Fichier {

// What tells one file from another, whatever names it has.
struct Identite
{
    quint64 appareil = 0, inode = 0;
    bool operator==(const Identite&) const = default;
};

// The file `chemin` names now (links followed); nullopt when it names none.
std::optional<Identite> identite(const QString& chemin);
// The file open as `fd`.
std::optional<Identite> identite(int fd);
// How many names the file open as `fd` still has (0 once removed).
quint64 liens(int fd);
// Whether `a` and `b` name the very same existing file.
bool memeFichier(const QString& a, const QString& b);

// The system's words for errno `erreur`, in the user's language.
QString raisonSysteme(int erreur);

struct Ouvert
{
    int fd = -1;   // the file, open with the flags asked for but O_NONBLOCK; -1 when refused
    QString refus; // why not (French, or the system's words)
};
// Opens `chemin` with `drapeaux` (O_RDONLY, O_WRONLY | O_CREAT...) without waiting for a pipe's
// other end or a terminal's line, and keeps it only if it is a regular file. The check is made on
// what was opened: nothing can be put in its place between a look and the open.
Ouvert ouvreOrdinaire(const QString& chemin, int drapeaux);

// Why nothing may be written over `chemin`: there is something there that is not a regular file
// (a rename over a device node would replace the node); empty when there is none or a regular one.
QString refusCible(const QString& chemin);

// Why a recording may not start in `chemin`: it is the file being read (`fichierLu`, empty when
// none), which it would truncate under the reader; empty when it may.
QString refusSurLecture(const QString& chemin, const QString& fichierLu);

} // namespace acquisition::Fichier
