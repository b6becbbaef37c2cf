#include "acquisition/Chargement.h"

#include <QDateTime>
#include <QFileInfo>

namespace acquisition {

Chargement::Chargement(qsizetype borne) : lecture_(borne)
{}

bool Chargement::ouvre(const QString& chemin)
{
    const QFileInfo info(chemin);
    if (info.exists() && !info.isFile()) {
        refus_ = info.isDir() ? QStringLiteral("c'est un dossier")
                              : QStringLiteral("ce n'est pas un fichier ordinaire");
        return false;
    }
    fichier_.setFileName(chemin);
    if (!fichier_.open(QIODevice::ReadOnly)) {
        refus_ = fichier_.errorString();
        return false;
    }
    taille_ = fichier_.size();
    modifieMs_ = info.lastModified().toMSecsSinceEpoch();
    return true;
}

bool Chargement::avance()
{
    if (!fichier_.isOpen()) return false;
    const QByteArray tranche = fichier_.read(kTranche);
    if (fichier_.error() != QFileDevice::NoError) {
        refus_ = fichier_.errorString();
        fichier_.close();
        return false;
    }
    lus_ += tranche.size();
    const bool encore = tranche.isEmpty() ? false : lecture_.feed(tranche);
    if (!encore) {
        lecture_.fin();
        fichier_.close();
    }
    return encore;
}

QList<TrameDatee> Chargement::prend()
{
    QList<TrameDatee> trames = lecture_.prend();
    if (lecture_.version() == 1)
        for (TrameDatee& t : trames)
            t.arriveeMs = modifieMs_;
    return trames;
}

double Chargement::avancement() const
{
    return taille_ > 0 ? std::min(1.0, double(lus_) / double(taille_)) : 1.0;
}

QString Chargement::refus() const
{
    return refus_.isEmpty() ? lecture_.refus() : refus_;
}

} // namespace acquisition
