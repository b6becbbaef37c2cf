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

// The power of ten a unit's prefix stands for; nullopt for a unit other than `base` prefixed
// by nothing, m, u (or µ) or n.
std::optional<double> prefixScale(QStringView unit, QChar base)
{
    if (unit == base) return 1.0;
    if (unit.size() != 2 || unit[1] != base) return std::nullopt;
    switch (unit[0].unicode()) {
    case u'm':
        return 1e-3;
    case u'u':
    case u'\u00b5':
        return 1e-6;
    case u'n':
        return 1e-9;
    default:
        return std::nullopt;
    }
}

std::optional<double> perDivision(const QString& text, const QString& unit, QChar base)
{
    const std::optional<double> scale = prefixScale(unit, base);
    const double number = Format::leadingNumber(text);
    // No number, or one past any scale, gives no scale at all rather than a false one.
    if (!scale || number == 0 || !std::isfinite(number)) return std::nullopt;
    return number * *scale;
}

} // namespace

double divisionsFromLeft(double fractionFromLeft)
{
    return fractionFromLeft * Divisions::Temps;
}

double divisionsAboveCentre(double fractionFromTop)
{
    return -fractionFromTop * Divisions::Tension + Divisions::Tension / 2;
}

std::optional<double> secondsPerDivision(const QString& timeBase)
{
    return perDivision(timeBase, timeUnit(timeBase), u's');
}

std::optional<double> voltsPerDivision(const QString& gain)
{
    // voltageUnit reads "uV" as "V", as the readouts show it; the scale needs the prefix.
    const QString tail = gain.right(2);
    return perDivision(gain, tail.size() == 2 && tail[0].isLetter() ? tail : tail.right(1), u'V');
}

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
    const auto t1 = static_cast<float>(Format::roundDecimals(divisionsFromLeft(fraction(oldX, w)) * v, 1));
    const auto t2 = static_cast<float>(Format::roundDecimals(divisionsFromLeft(fraction(oldX2, w)) * v, 1));
    const double diff = static_cast<double>(oldX2) - static_cast<double>(oldX);
    const auto dT = static_cast<float>(std::fabs(divisionsFromLeft(fraction(diff, w)) * v));
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
    const double d1 = Format::roundDecimals(divisionsAboveCentre(fraction(oldY, h)), 1);
    const double d2 = Format::roundDecimals(divisionsAboveCentre(fraction(oldY2, h)), 1);
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
