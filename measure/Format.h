// The number rules of the program:
// reading the number a text begins with, float-to-integer conversion, fixed-decimal display
// rounding and the "shown as a number" text. Used everywhere the program shows a number.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>
#include <cstdint>

namespace Format {

// The number a text begins with: leading blanks (space, tab, CR, LF) skipped, optional sign,
// ASCII digits with "." as the decimal point, optional exponent (e/E, optional sign, at least
// one digit; otherwise the "e" is not part of the number). Reading stops at the first character
// that cannot continue the number; 0 when the text begins with no number.
// "100ms"->100, " 10us"->10, "500mV"->500, "   2V"->2, "ms"->0, ""->0, ".5V"->0.5.
// A magnitude beyond the double range gives +/-infinity, one below it gives 0.
double leadingNumber(QStringView text);

// Float to integer as the program converts them: nearest, an exact half to the even
// neighbour (0.5->0, 1.5->2, 2.5->2, -0.5->0). The caller guarantees the range.
int roundHalfEven(double v);

// The same, clamped to the signed 16-bit range; NaN gives 0.
std::int16_t roundHalfEvenInt16(double v);

// Rounding for display with a fixed number of decimals (format patterns "####0.0" ...):
// the double is first taken as its 15-significant-digit decimal value, which is then rounded
// to `decimals` decimals with halves away from zero (0.15 -> 0.2, 2.25 -> 2.3, -2.25 -> -2.3,
// 1.005 at 2 decimals -> 1.01). Returns that decimal value read back as a double.
// A negative `decimals` counts as 0. Non-finite values are returned unchanged.
double roundDecimals(double v, int decimals);

// The text of roundDecimals: exactly `decimals` decimals (none and no separator for 0), at
// least one digit before the separator, no thousands separator, '-' when negative but never
// for a value that rounds to zero, the locale's decimal separator.
// Non-finite values give "inf", "-inf" or "nan".
QString fixed(double v, int decimals, const QLocale& locale);

// A duration as a clock shows it, in whole seconds: "0:00:07", "1:02:03", "25:00:00"; a
// negative one (a clock set back) as 0.
QString duree(qint64 ms);

// "Shown as a number": the shortest decimal text that reads back as the same single-precision
// value, using at most 7 significant digits (when more would be needed, the value rounded to
// 7 significant digits); no trailing zeros after the separator, no separator for a whole
// number, '-' when negative, no leading blank, never exponent notation, locale separator.
// 12.5f->"12.5", 12.f->"12", -625.f->"-625", 0.f->"0", -0.f->"0", 1234567.8f->"1234568".
// Non-finite values give "inf", "-inf" or "nan".
QString shown(float v, const QLocale& locale);

// Plain decimal integer (measurement labels): no sign for non-negative values, no blanks.
QString integer(int v);

// A kept frame's time of arrival (ms since the epoch, in local time, to the millisecond with the
// locale's decimal separator) and how many frames before the newest it came:
// "12:03:45,120 — −37", the newest "12:03:45,153 — 0".
QString passe(qint64 arriveeMs, qint64 recul, const QLocale& locale);
// A recorded frame's place as a video's: its clock time as passe() gives it, then its time from
// the recording's start and the recording's length: "14:03:25,120 — 0:05:12 / 1:00:00".
QString video(qint64 arriveeMs, qint64 depuisDebutMs, qint64 dureeMs, const QLocale& locale);

// The locale's decimal separator (first character of QLocale::decimalPoint()).
QChar decimalSeparator(const QLocale& locale);

} // namespace Format
