#include "measure/Format.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace Format {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Decimal digits of a scientific text "d[.ddd]e[+-]xx" written by std::to_chars (always '.',
// never the C locale's separator); `exponent` is the power of ten of the first digit.
void splitScientific(const char* begin, const char* end, std::string& digits, int& exponent)
{
    digits.clear();
    const char* p = begin;
    for (; p != end && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') digits.push_back(*p);
    }
    exponent = 0;
    if (p != end) {
        ++p; // 'e'
        bool negative = false;
        if (p != end && (*p == '+' || *p == '-')) negative = (*p++ == '-');
        std::from_chars(p, end, exponent);
        if (negative) exponent = -exponent;
    }
}

QString nonFinite(double v)
{
    if (std::isnan(v)) return QStringLiteral("nan");
    return v < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
}

// round(|v| * 10^decimals) as a string of decimal digits without leading zeros ("0" for zero),
// computed on the 15-significant-digit decimal value of |v|, halves away from zero.
std::string scaledRoundedDigits(double magnitude, int decimals)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 14);
    std::string mantissa;
    int exponent = 0;
    splitScientific(buf, res.ptr, mantissa, exponent); // 15 digits, value = mantissa * 10^(exponent-14)

    const int shift = exponent - 14 + decimals;
    std::string n;
    if (shift >= 0) {
        n = mantissa + std::string(static_cast<std::size_t>(shift), '0');
    } else {
        const int keep = static_cast<int>(mantissa.size()) + shift;
        if (keep < 0) {
            n = "0";
        } else {
            n = mantissa.substr(0, static_cast<std::size_t>(keep));
            const bool up = mantissa[static_cast<std::size_t>(keep)] >= '5';
            if (n.empty()) n.push_back('0'); // not n = "0": GCC 12 warns wrongly (-Wrestrict) there
            if (up) {
                int i = static_cast<int>(n.size()) - 1;
                while (i >= 0 && n[static_cast<std::size_t>(i)] == '9')
                    n[static_cast<std::size_t>(i--)] = '0';
                if (i < 0)
                    n.insert(n.begin(), '1');
                else
                    ++n[static_cast<std::size_t>(i)];
            }
        }
    }
    const auto first = n.find_first_not_of('0');
    return first == std::string::npos ? std::string("0") : n.substr(first);
}

// Text of the rounded value with `separator`, sign only when the rounded value is not zero.
std::string fixedText(double v, int decimals, char separator)
{
    if (decimals < 0) decimals = 0;
    std::string n = scaledRoundedDigits(std::fabs(v), decimals);
    const bool zero = (n == "0");
    const auto width = static_cast<std::size_t>(decimals) + 1;
    if (n.size() < width) n.insert(0, width - n.size(), '0');
    if (decimals > 0) n.insert(n.size() - static_cast<std::size_t>(decimals), 1, separator);
    if (std::signbit(v) && !zero) n.insert(n.begin(), '-');
    return n;
}

// Rough power of ten of a number written as `digits` (integer and fraction digits, point after
// `intDigits` of them) times 10^exp; used only to tell overflow from underflow.
long magnitudeOrder(const std::string& digits, std::size_t intDigits, long exp)
{
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) return std::numeric_limits<long>::min();
    return static_cast<long>(intDigits) - static_cast<long>(first) - 1 + exp;
}

} // namespace

QChar decimalSeparator(const QLocale& locale)
{
    const QString point = locale.decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = (text[i++] == u'-');

    std::string intPart, fracPart;
    while (i < n && isDigit(text[i]))
        intPart.push_back(static_cast<char>(text[i++].unicode()));
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i]))
            fracPart.push_back(static_cast<char>(text[i++].unicode()));
    }
    if (intPart.empty() && fracPart.empty()) return 0.0;

    std::string expPart;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        std::string sign;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) sign = (text[j++] == u'-') ? "-" : "";
        std::string expDigits;
        while (j < n && isDigit(text[j]))
            expDigits.push_back(static_cast<char>(text[j++].unicode()));
        if (!expDigits.empty()) expPart = sign + expDigits;
    }

    // Normalised ASCII text for std::from_chars (locale independent, correctly rounded).
    std::string ascii = (intPart.empty() ? std::string("0") : intPart);
    if (!fracPart.empty()) ascii += "." + fracPart;
    if (!expPart.empty()) ascii += "e" + expPart;

    double value = 0.0;
    const auto res = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        long exp = 0;
        if (!expPart.empty()) {
            // Clamp very long exponents; only the sign of the order matters here.
            const bool expNeg = expPart.front() == '-';
            const std::string digits = expNeg ? expPart.substr(1) : expPart;
            exp = digits.size() > 9 ? 999999999L : std::stol(digits);
            if (expNeg) exp = -exp;
        }
        const long order = magnitudeOrder(intPart + fracPart, intPart.size(), exp);
        value = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (res.ec != std::errc()) {
        value = 0.0;
    }
    if (value == 0.0) return 0.0;
    return negative ? -value : value;
}

int roundHalfEven(double v)
{
    const double r = std::round(v); // halves away from zero
    double result = r;
    if (std::fabs(r - v) == 0.5) result = 2.0 * std::round(v / 2.0); // exact half: the even neighbour
    return static_cast<int>(result);
}

std::int16_t roundHalfEvenInt16(double v)
{
    if (std::isnan(v)) return 0;
    if (v <= -32768.0) return -32768;
    if (v >= 32767.0) return 32767;
    return static_cast<std::int16_t>(roundHalfEven(v));
}

double roundDecimals(double v, int decimals)
{
    if (!std::isfinite(v)) return v;
    const std::string text = fixedText(v, decimals, '.');
    double value = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value == 0.0 ? 0.0 : value;
}

QString fixed(double v, int decimals, const QLocale& locale)
{
    if (!std::isfinite(v)) return nonFinite(v);
    QString out = QString::fromLatin1(fixedText(v, decimals, '.'));
    const QChar sep = decimalSeparator(locale);
    if (sep != u'.') out.replace(u'.', sep);
    return out;
}

QString duree(qint64 ms)
{
    const qint64 s = std::max<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString shown(float v, const QLocale& locale)
{
    if (!std::isfinite(v)) return nonFinite(v);
    if (v == 0.0f) return QStringLiteral("0");

    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific); // shortest round trip
    std::string digits;
    int exponent = 0;
    splitScientific(buf, res.ptr, digits, exponent);
    if (digits.size() > 7) {
        res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6);
        splitScientific(buf, res.ptr, digits, exponent);
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    // Plain notation: digits d0 d1 ... with the point after exponent+1 of them.
    const int n = static_cast<int>(digits.size());
    const int point = exponent + 1;
    const QChar sep = decimalSeparator(locale);
    QString out;
    if (std::signbit(v)) out += u'-';
    if (point <= 0) {
        out += u'0';
        out += sep;
        out += QString(-point, u'0');
        out += QString::fromLatin1(digits);
    } else if (point >= n) {
        out += QString::fromLatin1(digits);
        out += QString(point - n, u'0');
    } else {
        out += QString::fromLatin1(digits.substr(0, static_cast<std::size_t>(point)));
        out += sep;
        out += QString::fromLatin1(digits.substr(static_cast<std::size_t>(point)));
    }
    return out;
}

QString integer(int v)
{
    return QString::number(v);
}

namespace {
QString heure(qint64 arriveeMs, const QLocale& locale)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(arriveeMs);
    return t.toString(QStringLiteral("HH:mm:ss")) + decimalSeparator(locale) +
           t.toString(QStringLiteral("zzz"));
}
} // namespace

QString video(qint64 arriveeMs, qint64 depuisDebutMs, qint64 dureeMs, const QLocale& locale)
{
    return heure(arriveeMs, locale) + QStringLiteral(" \u2014 ") + duree(depuisDebutMs) +
           QStringLiteral(" / ") + duree(dureeMs);
}

QString passe(qint64 arriveeMs, qint64 recul, const QLocale& locale)
{
    // A true minus sign: the place reads as a count back from the newest frame.
    const QString place = recul == 0 ? QStringLiteral("0") : QChar(0x2212) + QString::number(recul);
    return heure(arriveeMs, locale) + QStringLiteral(" \u2014 ") + place;
}

} // namespace Format
