#include "acquisition/Defilement.h"

#include <algorithm>

namespace acquisition {

qint64 Defilement::attente(qint64 avantMs, qint64 apresMs)
{
    return std::clamp<qint64>(apresMs - avantMs, 0, kPauseMaxMs);
}

void Defilement::demarre(qint64 maintenantMs, qint64 heureMs)
{
    debutMs_ = maintenantMs;
    echeanceMs_ = 0;
    heureMs_ = heureMs;
    actif_ = true;
}

void Defilement::suivante(qint64 heureMs)
{
    echeanceMs_ += attente(heureMs_, heureMs);
    heureMs_ = heureMs;
}

qint64 Defilement::resteMs(qint64 maintenantMs) const
{
    return std::max<qint64>(0, debutMs_ + echeanceMs_ - maintenantMs);
}

} // namespace acquisition
