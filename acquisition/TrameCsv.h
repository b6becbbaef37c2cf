#pragma once

// A frame kept as a CSV file, for a spreadsheet or a script to read and for the program to show
// again: its settings as the panel shows them, then one row per sample with the time, both
// channels in volts and the raw converter codes.
#include "acquisition/FrameDecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <optional>

namespace acquisition::TrameCsv {

// A saved frame is some 6 KB; a file past this is not one, and is not read further.
constexpr qint64 kTailleMax = 64 * 1024;

// The file of `trame`, in UTF-8 with the separators the user's spreadsheet expects: ';' and a
// decimal comma where the locale's decimal separator is a comma, ',' and a point otherwise.
QByteArray ecrit(const DecodedFrame& trame, const QLocale& locale);

// What a file holds: the frame, or why it is refused (French, for the user).
struct Lecture
{
    std::optional<DecodedFrame> trame;
    QString refus;
};

// Reads a file written by ecrit, in either convention; anything else is refused with a reason.
Lecture lit(QByteArrayView contenu);

// The same from a file, of which no more than kTailleMax + 1 bytes are read.
Lecture litFichier(const QString& chemin);

} // namespace acquisition::TrameCsv
