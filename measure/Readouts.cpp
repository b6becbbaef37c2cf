#include "measure/Readouts.h"

#include "measure/Divisions.h"
#include "measure/Format.h"

#include <cmath>

namespace Readouts {

namespace {

// a / b for the cursor fractions; a display size of 0 counts as no division (0).
double fraction(double a, int b)
{
    return b == 0 ? 0.0 : a / static_cast<double>(b);
}

} // namespace

QString timeUnit(const QString& timeBase)
{
    const QString tail = timeBase.right(2);
    // Any digit before a lone "s" belongs to the number: "   2s" and "   5s" are seconds too.
    if (tail.size() == 2 && !tail[0].isLetter()) return tail.right(1);
    return tail;
}

QString voltageUnit(const QString& gain)
{
    const QString tail = gain.right(2);
    if (tail.size() == 2 && tail[0] != u'm') return tail.right(1);
    return tail;
}

TimeTexts timeReadouts(const QString& timeBase, int oldX, int oldX2, int w, const QLocale& locale)
{
    const double v = Format::leadingNumber(timeBase);
    const auto t1 = static_cast<float>(Format::roundDecimals(fraction(oldX, w) * Divisions::Temps * v, 1));
    const auto t2 = static_cast<float>(Format::roundDecimals(fraction(oldX2, w) * Divisions::Temps * v, 1));
    const double diff = static_cast<double>(oldX2) - static_cast<double>(oldX);
    const auto dT = static_cast<float>(std::fabs(fraction(diff, w) * Divisions::Temps * v));
    const QString u = timeUnit(timeBase);

    TimeTexts out;
    out.t1 = Format::shown(t1, locale) + u;
    out.t2 = Format::shown(t2, locale) + u;
    out.tdiff = Format::fixed(dT, 1, locale) + u;
    if (dT == 0.0f) {
        out.frq = QStringLiteral("inf");
    } else {
        const auto f = static_cast<float>(1.0 / static_cast<double>(dT));
        if (u == QLatin1String("us"))
            out.frq = Format::fixed(static_cast<double>(f) * 1000, 3, locale) + QLatin1String("kHz");
        else if (u == QLatin1String("ms"))
            out.frq = Format::fixed(static_cast<double>(f) * 1000, 2, locale) + QLatin1String("Hz");
        else if (u == QLatin1String("s"))
            out.frq = Format::fixed(f, 3, locale) + QLatin1String("Hz");
    }
    return out;
}

VoltageTexts voltageReadouts(const QString& gain, int oldY, int oldY2, int h, const QLocale& locale)
{
    const double g = Format::leadingNumber(gain);
    const QString u = voltageUnit(gain);
    VoltageTexts out;
    if (h == 0) {
        const QString zero = Format::shown(0.0f, locale) + u;
        out = {zero, zero, zero};
        return out;
    }
    // Divisions above the centre line.
    constexpr int centre = Divisions::Tension / 2;
    const double d1 =
        Format::roundDecimals(fraction(-static_cast<double>(oldY), h) * Divisions::Tension + centre, 1);
    const double d2 =
        Format::roundDecimals(fraction(-static_cast<double>(oldY2), h) * Divisions::Tension + centre, 1);
    const auto v1 = static_cast<float>(d1 * g);
    const auto v2 = static_cast<float>(d2 * g);
    const double diff = static_cast<double>(oldY2) - static_cast<double>(oldY);
    const auto d = static_cast<float>(Format::roundDecimals(fraction(diff, h) * Divisions::Tension * g, 1));
    out.v1 = Format::shown(v1, locale) + u;
    out.v2 = Format::shown(v2, locale) + u;
    out.diff = Format::shown(d, locale) + u;
    return out;
}

} // namespace Readouts
