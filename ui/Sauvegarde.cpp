#include "ui/Sauvegarde.h"

#include "ui/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

namespace Sauvegarde {
namespace {

const QString kDialogTitle = QStringLiteral("Enregistre le trac\u00e9");
const QString kFilter = QStringLiteral("Fichiers BMP (*.bmp)|*.bmp|Tous les fichiers (*.*)|*.*");
const QString kDefaultName = QStringLiteral("image.bmp");

QString failure(const QString& description)
{
    return QStringLiteral("Impossible d'enregistrer l'image : ") + description;
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

// Writes beside the target and renames over it only once the whole picture is on disk, so a
// failed write (full disk, folder not writable) leaves any existing file as it was.
QString writeBmp(const QString& path, const QImage& picture)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    // The format is named: the extension, if any, has no say in it.
    QImageWriter writer(&file, "BMP");
    if (!writer.write(picture)) {
        const QString description =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        return description;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

} // namespace

void SauveImage(QWidget* parent, ui::Dialogs& dialogs, const std::function<QImage()>& picture, int& Ret)
{
    for (;;) {
        const std::optional<QString> chosen =
            dialogs.saveFileName(parent, kDialogTitle, kFilter, kDefaultName);
        if (!chosen) return;
        const QString& path = *chosen;

        Ret = normalFileNameLength(QFileInfo(path));
        if (Ret != 0) {
            // After No the user still wants the picture saved, only not over that file.
            const ui::Answer answer = dialogs.question(
                parent, QStringLiteral("Replacer le fichier existant - ") + path + QStringLiteral(" ?"));
            if (answer != ui::Answer::Yes) continue;
            if (const QString refusal = replaceRefusal(path); !refusal.isEmpty()) {
                dialogs.warning(parent, failure(refusal));
                return;
            }
        }

        if (const QString error = writeBmp(path, picture()); !error.isEmpty())
            dialogs.warning(parent, failure(error));
        return;
    }
}

} // namespace Sauvegarde
