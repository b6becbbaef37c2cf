#pragma once

#include "measure/Samples.h"

#include <QStringView>
#include <cstdint>

namespace Calcul {

// Per-channel measurements, in converter codes (0..255): no gain or offset enters them.
struct Mesures
{
    std::uint8_t min = 0;
    std::uint8_t max = 0;
    std::uint8_t moy = 0;
    std::uint8_t delta = 0;
    friend bool operator==(const Mesures&, const Mesures&) = default;
};

// Recomputes both records; a channel that is not shown reads 0 in all four fields.
void CalculMesures(const Samples& ch1, const Samples& ch2, bool ch1Shown, bool ch2Shown, Mesures& m1,
                   Mesures& m2);

// At the time base numbered 12 ("12us") the board samples channel 1 only: channel 2 is
// neither shown nor measured.
bool voie2Echantillonnee(QStringView baseDeTemps);

} // namespace Calcul
