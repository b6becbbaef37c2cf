#include "measure/Calcul.h"

#include "measure/Format.h"

namespace Calcul {

namespace {
void measure(const Samples& samples, bool shown, Mesures& m)
{
    m.min = kCodeMax;
    m.max = 0;
    if (!shown) {
        m = Mesures{};
        return;
    }
    std::int16_t sum = 0; // 80 x 255 = 20400 fits
    for (const std::uint8_t s : samples) {
        sum = std::int16_t(sum + s);
        if (s < m.min) m.min = s;
        if (s > m.max) m.max = s;
    }
    // A mean of exactly .5 goes to the even neighbour, as every float-to-integer conversion does here.
    m.moy = std::uint8_t(Format::roundHalfEven(sum / double(kSampleCount)));
    m.delta = std::uint8_t(m.max - m.min);
}
} // namespace

void CalculMesures(const Samples& ch1, const Samples& ch2, bool ch1Shown, bool ch2Shown, Mesures& m1,
                   Mesures& m2)
{
    measure(ch1, ch1Shown, m1);
    measure(ch2, ch2Shown, m2);
}

bool voie2Echantillonnee(QStringView baseDeTemps)
{
    return Format::leadingNumber(baseDeTemps) != 12;
}

} // namespace Calcul
