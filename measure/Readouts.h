// The cursor readout texts: times, time difference and frequency of the two
// time cursors, and the voltages and voltage difference of the two voltage cursors for one
// channel. Pure functions; the main window writes the texts into its labels.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace Readouts {

// Texts of LblCursT1, LblCursT2, lblCursTdiff and lblCursFrq.
struct TimeTexts
{
    QString t1, t2, tdiff;
    std::optional<QString> frq; // nullopt: leave lblCursFrq unchanged (unit other than us, ms, s)
};

// Time readouts for the time base text `timeBase` (e.g. "100ms"),
// the time cursors oldX, oldX2 and the display width w. A w of 0 counts as no division:
// all times 0, frequency "inf".
TimeTexts timeReadouts(const QString& timeBase, int oldX, int oldX2, int w, const QLocale& locale);

// Texts of the first, second and difference label of one channel (lblVa1, lblVa2, lblVaDiff
// with gain1; lblVb1, lblVb2, lblVbDiff with gain2).
struct VoltageTexts
{
    QString v1, v2, diff;
};

// Voltage readouts for the gain text `gain` (e.g. "500mV"),
// the voltage cursors oldY, oldY2 and the display height h. An h of 0 counts as no division:
// all three values 0.
VoltageTexts voltageReadouts(const QString& gain, int oldY, int oldY2, int h, const QLocale& locale);

// Time unit: the last two characters of timeBase, or the last one alone when the first of
// those two is not a letter, i.e. a digit of the number or a blank
// ("100ms"->"ms", " 10us"->"us", "   1s"->"s", "  10s"->"s", "   2s"->"s").
// A text shorter than two characters gives itself.
QString timeUnit(const QString& timeBase);

// Divisions across the screen from its left edge at `fractionFromLeft` of its width (10 in all).
double divisionsFromLeft(double fractionFromLeft);

// Divisions above the screen's centre line at `fractionFromTop` of its height: the top edge is
// 4 divisions up, the bottom edge 4 down.
double divisionsAboveCentre(double fractionFromTop);

// The scale a time-base or gain text stands for, in seconds or volts per division: the number it
// begins with in its unit ("100ms" -> 0.1, " 10us" -> 1e-5, "500mV" -> 0.5, "   2V" -> 2).
// nullopt when the unit is none of s, ms, us, ns (V, mV, uV for a gain), or the text begins
// with no number.
std::optional<double> secondsPerDivision(const QString& timeBase);
std::optional<double> voltsPerDivision(const QString& gain);

// Voltage unit: the last two characters of gain, or the last one alone when the first of
// those two is not 'm' ("500mV"->"mV", "   2V"->"V"). A text shorter than two gives itself.
QString voltageUnit(const QString& gain);

} // namespace Readouts
