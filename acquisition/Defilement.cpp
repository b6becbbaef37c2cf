#include "acquisition/Defilement.h"

#include <algorithm>

namespace acquisition {

qint64 Defilement::attente(qint64 avantMs, qint64 apresMs)
{
    return std::clamp<qint64>(apresMs - avantMs, 0, kPauseMaxMs);
}

Defilement::Defilement(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Defilement::suivante);
}

void Defilement::demarre(qint64 depuis, Heure heure)
{
    heure_ = std::move(heure);
    numero_ = depuis;
    enCours_ = true;
    planifie();
}

void Defilement::arrete()
{
    if (!enCours_) return;
    enCours_ = false;
    timer_.stop();
    emit fini();
}

void Defilement::suivante()
{
    ++numero_;
    emit montre(numero_);
    // Whoever was shown the frame may have stopped the play.
    if (enCours_) planifie();
}

void Defilement::planifie()
{
    const std::optional<qint64> ici = heure_(numero_), apres = heure_(numero_ + 1);
    if (!ici || !apres) {
        arrete();
        return;
    }
    timer_.start(int(attente(*ici, *apres)));
}

} // namespace acquisition
