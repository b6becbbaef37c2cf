#include "acquisition/Chargement.h"

#include "acquisition/CsvCommun.h"

#include <QDateTime>
#include <algorithm>

namespace acquisition {

Chargement::Chargement(qsizetype borne) : lecture_(borne)
{}

bool Chargement::ouvre(const QString& chemin)
{
    refus_ = Csv::ouvreFichierOrdinaire(fichier_, chemin);
    if (!refus_.isEmpty()) return false;
    taille_ = fichier_.size();
    // A single frame has no time of arrival: the time it was last written stands for it.
    modifieMs_ = fichier_.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
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
    // A regular file gives a whole slice until its end.
    const bool encore = !tranche.isEmpty() && lecture_.feed(tranche) && tranche.size() == kTranche;
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
