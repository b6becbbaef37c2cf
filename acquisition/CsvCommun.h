#pragma once

// What every file of frames shares, the single frame and the recording alike: UTF-8 with a mark,
// the separators the user's spreadsheet expects, quoted texts, the settings as the panel shows
// them, and the scales by which volts and seconds follow from codes and samples.
#include "acquisition/FrameDecoder.h"

#include <QByteArray>
#include <QChar>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace acquisition::Csv {

// The first field of every file the program writes.
inline const QString kSignature = QStringLiteral("Vantor LCD");
// Tells spreadsheets the file is UTF-8 ("Déclenchement", texts from the board).
inline constexpr char kMarqueUtf8[] = "\xEF\xBB\xBF";

struct Style
{
    QChar separateur;
    QChar decimale;
};

// ';' and a decimal comma where the locale's decimal separator is a comma, ',' and a point otherwise.
Style style(const QLocale& locale);
// The style of a file whose fields `separateur` splits.
Style style(QChar separateur);

// The fields joined into one row, with its line end.
QString ligne(const QStringList& champs, const Style& s);
// Shortest text that reads back as the same double, never in exponent notation; empty for none.
QString nombre(std::optional<double> v, const Style& s);
// A text from the board as a quoted cell that no spreadsheet runs and no CSV reader trips on:
// a control character is written as its picture (U+2400..U+241F, U+2421 for DEL), which no
// Latin-1 text can hold, and a text that would start a formula (=, +, -, @), or that starts with
// the apostrophe this adds, gets a leading apostrophe, which spreadsheets take for "text".
// octets() undoes both.
QString cite(const QString& texte);

// One row of `texte` from `debut`: quoted fields hold separators, quotes and line ends.
struct Rangee
{
    enum class Fin {
        Ligne,          // ended by a line end; `suite` is where the next row begins
        Texte,          // the text ended first, outside quotes
        GuillemetOuvert // the text ended inside a quoted field
    };
    Fin fin = Fin::Ligne;
    QStringList champs;
    qsizetype suite = 0;
};
// `complet`: nothing follows the text; otherwise a quote or CR at its very end waits for more.
Rangee rangee(QStringView texte, qsizetype debut, QChar separateur, bool complet);
bool vide(const QStringList& champs);
// Why a row of the file is refused, with its number (1 for the first).
QString aLaLigne(qsizetype ligne, const QString& raison);

// The bytes of a text cite() wrote, or of one written before it escaped anything. The texts of a
// frame are single bytes: anything past Latin-1 or longer than the frame's field was not written
// by this program.
std::optional<QByteArray> octets(const QString& texte, int longueurMax);
std::optional<int> entier(const QString& texte, int max);

// Opens `chemin` for reading into `fichier`; why not (French, or the system's words) otherwise.
// A named pipe or a device would block the window in open() or read(): opened without waiting,
// and refused unless it is a regular file.
QString ouvreFichierOrdinaire(QFile& fichier, const QString& chemin);

// The settings as the panel shows them (gainCaption, timeBaseCaption), and back to the frame's
// fields.
QString texteCouplage(bool ac);
std::optional<QByteArray> champBaseDeTemps(const QString& texte);
std::optional<QByteArray> champGain(const QString& texte);
std::optional<bool> couplageAc(const QString& texte);
// The longest trigger text a frame carries at its fixed position.
constexpr int kLongueurDeclenchement = 10;

// The rules by which the numbers follow from the codes and the settings, as the screen draws
// them: the 255 codes span the 8 divisions, 0 V half-way; sample i at i/79 of the 10 divisions.
struct Echelles
{
    std::optional<double> secondesParDivision, voltsParDivision[2];

    explicit Echelles(const DecodedFrame& t);
    std::optional<double> temps(int i) const;
    std::optional<double> volts(int voie, int code) const;
    std::optional<double> voltsParCode(int voie) const;
    std::optional<double> secondesParEchantillon() const;
    // The code at 0 V, between the two middle codes.
    static double codeDuZero();
};

} // namespace acquisition::Csv
