#include "ui/Sauvegarde.h"

#include "acquisition/Fichier.h"
#include "ui/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <iterator>

namespace Sauvegarde {
namespace {

const QString kDialogTitle = QStringLiteral("Enregistre le trac\u00e9");
const QString kFilter = QStringLiteral("Fichiers BMP (*.bmp)|*.bmp|Donn\u00e9es CSV (*.csv)|*.csv|"
                                       "Image PNG (*.png)|*.png|Tous les fichiers (*.*)|*.*");
// The kind each of kFilter's choices stands for, in its order; all files means a BMP.
constexpr Genre kFilterKinds[] = {Genre::Bmp, Genre::Csv, Genre::Png, Genre::Bmp};
const QString kDefaultName = QStringLiteral("image.bmp");

QString failure(Genre genre, const QString& description)
{
    return (genre == Genre::Csv ? QStringLiteral("Impossible d'enregistrer les donn\u00e9es : ")
                                : QStringLiteral("Impossible d'enregistrer l'image : ")) +
           description;
}

int normalFileNameLength(const QFileInfo& info)
{
    return info.exists() && info.isFile() ? int(info.fileName().length()) : 0;
}

// Why the existing file must not be replaced, in the platform's words; empty when it may be.
QString replaceRefusal(const QString& path)
{
    // Opening for appending without writing leaves the file as it is, and reports a file that
    // is in use or on a read-only volume the way the system words it.
    QFile existing(path);
    if (!existing.open(QIODevice::WriteOnly | QIODevice::Append)) return existing.errorString();
    existing.close();
    // A file nobody may write was made read-only on purpose: not even an administrator,
    // whom the permission bits don't stop, replaces it without being told. WriteUser tells
    // what this user may do, so it is left out: the mode bits are the other three.
    constexpr auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (!(existing.permissions() & anyWrite)) return QStringLiteral("le fichier est en lecture seule");
    return {};
}

// Writes beside the target and renames over it only once the whole file is on disk, so a
// failed write (full disk, folder not writable) leaves any existing file as it was.
QString writeFile(const QString& path, const std::function<QString(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (const QString error = write(file); !error.isEmpty()) {
        const QString description = file.error() != QFileDevice::NoError ? file.errorString() : error;
        file.cancelWriting();
        return description;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

// The format is named: the extension, if any, has no say in it.
QString writePicture(QIODevice& device, const QImage& picture, const char* format)
{
    QImageWriter writer(&device, format);
    return writer.write(picture) ? QString() : writer.errorString();
}

QString write(const QString& path, Genre genre, const Contenus& contenus)
{
    return writeFile(path, [&](QIODevice& device) {
        switch (genre) {
        case Genre::Csv: {
            const QByteArray data = contenus.donnees();
            if (data.isEmpty()) return QStringLiteral("aucune trame n'a encore \u00e9t\u00e9 re\u00e7ue");
            return device.write(data) == data.size() ? QString() : device.errorString();
        }
        case Genre::Png:
            return writePicture(device, contenus.ecran(), "PNG");
        case Genre::Bmp:
            break;
        }
        return writePicture(device, contenus.image(), "BMP");
    });
}

} // namespace

Genre genre(const QString& path, int filter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("csv")) return Genre::Csv;
    if (suffix == QLatin1String("png")) return Genre::Png;
    if (suffix == QLatin1String("bmp")) return Genre::Bmp;
    return filter >= 0 && filter < int(std::size(kFilterKinds)) ? kFilterKinds[filter] : Genre::Bmp;
}

std::optional<Choisi> choisit(QWidget* parent, ui::Dialogs& dialogs, const Demande& demande, int& Ret)
{
    for (;;) {
        const std::optional<ui::SaveChoice> chosen =
            dialogs.saveFileName(parent, demande.titre, demande.filtre, demande.nom);
        if (!chosen) return std::nullopt;
        QString refus = acquisition::Fichier::refusCible(chosen->path);
        if (refus.isEmpty() && demande.refus) refus = demande.refus(chosen->path);
        Ret = normalFileNameLength(QFileInfo(chosen->path));
        if (!refus.isEmpty()) return Choisi{*chosen, refus};
        if (Ret == 0) return Choisi{*chosen, {}};
        // After No the user still wants the file written, only not over that one.
        const ui::Answer answer = dialogs.question(parent, QStringLiteral("Replacer le fichier existant - ") +
                                                               chosen->path + QStringLiteral(" ?"));
        if (answer == ui::Answer::Yes) return Choisi{*chosen, replaceRefusal(chosen->path)};
    }
}

void SauveImage(QWidget* parent, ui::Dialogs& dialogs, const Contenus& contenus, int& Ret)
{
    const std::optional<Choisi> chosen =
        choisit(parent, dialogs, {kDialogTitle, kFilter, kDefaultName, contenus.refus}, Ret);
    if (!chosen) return;
    const Genre kind = genre(chosen->choix.path, chosen->choix.filter);
    const QString error = chosen->refus.isEmpty() ? write(chosen->choix.path, kind, contenus) : chosen->refus;
    if (!error.isEmpty()) dialogs.warning(parent, failure(kind, error));
}

} // namespace Sauvegarde
