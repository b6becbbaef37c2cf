#include "acquisition/TrameCsv.h"

#include "measure/Format.h"
#include "measure/Readouts.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace acquisition::TrameCsv {

namespace {

const QString kSignature = QStringLiteral("Vantor LCD");
const QString kGenre = QStringLiteral("trame");
const QString kVersion = QStringLiteral("1");
const QString kBaseDeTemps = QStringLiteral("Base de temps");
const QString kGain[2] = {QStringLiteral("Gain CH1"), QStringLiteral("Gain CH2")};
const QString kCouplage[2] = {QStringLiteral("Couplage CH1"), QStringLiteral("Couplage CH2")};
const QString kDeclenchement = QStringLiteral("D\u00e9clenchement");
const QStringList kColonnes = {QStringLiteral("Temps (s)"), QStringLiteral("CH1 (V)"),
                               QStringLiteral("CH2 (V)"), QStringLiteral("CH1 (code)"),
                               QStringLiteral("CH2 (code)")};
const QString kParDivision = QStringLiteral("/div");
// The settings take the rows before the empty one and the columns' header.
constexpr int kLigneColonnes = 8;
// The longest texts a frame carries at its fixed positions.
constexpr int kLongueurGain = 5, kLongueurTemps = 4, kLongueurDeclenchement = 10;

struct Style
{
    QChar separateur;
    QChar decimale;
};

Style style(QChar separateur)
{
    return separateur == u';' ? Style{u';', u','} : Style{u',', u'.'};
}

// The rules by which the columns follow from the codes and the settings, for writing and checking.
struct Echelles
{
    std::optional<double> secondesParDivision, voltsParDivision[2];

    explicit Echelles(const DecodedFrame& t)
        : secondesParDivision(Readouts::secondsPerDivision(timeBase(t))),
          voltsParDivision{Readouts::voltsPerDivision(QString::fromLatin1(t.gain1)),
                           Readouts::voltsPerDivision(QString::fromLatin1(t.gain2))}
    {}

    // Sample i is drawn at i/79 of the width: the last one on the right edge.
    std::optional<double> temps(int i) const
    {
        if (!secondesParDivision) return std::nullopt;
        return Readouts::divisionsFromLeft(double(i) / (kSampleCount - 1)) * *secondesParDivision;
    }

    // A code is drawn, without offset, at (255 - code)/255 of the height from the top.
    std::optional<double> volts(int voie, int code) const
    {
        if (!voltsParDivision[voie]) return std::nullopt;
        return Readouts::divisionsAboveCentre(double(kCodeMax - code) / kCodeMax) * *voltsParDivision[voie];
    }
};

// Shortest text that reads back as the same double, never in exponent notation.
QString nombre(std::optional<double> v, const Style& s)
{
    if (!v) return {};
    QString t = QLocale::c().toString(*v, 'f', QLocale::FloatingPointShortest);
    return t.replace(u'.', s.decimale);
}

QString cite(const QString& texte)
{
    QString t = texte;
    return QLatin1Char('"') + t.replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
}

Lecture refus(const QString& raison)
{
    return {std::nullopt, raison};
}

// Rows of fields, with quoted fields holding separators, quotes and line ends; nullopt when a
// quote is left open (the file was cut).
std::optional<QList<QStringList>> lignes(QStringView texte, QChar separateur)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, inQuotes = false;
    const auto endField = [&] {
        row << field;
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        const QChar next = i + 1 < texte.size() ? texte[i + 1] : QChar();
        if (inQuotes) {
            if (c != u'"')
                field += c;
            else if (next == u'"')
                field += texte[++i];
            else
                inQuotes = false;
        } else if (c == u'"' && field.isEmpty() && !quoted) {
            inQuotes = quoted = true;
        } else if (c == separateur) {
            endField();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && next == u'\n') ++i;
            endField();
            rows << std::exchange(row, {});
        } else {
            field += c;
        }
    }
    if (inQuotes) return std::nullopt;
    if (!field.isEmpty() || !row.isEmpty() || quoted) {
        endField();
        rows << row;
    }
    return rows;
}

bool vide(const QStringList& row)
{
    return std::all_of(row.begin(), row.end(), [](const QString& f) { return f.isEmpty(); });
}

// The texts of a frame are single bytes: anything past Latin-1 was not written by this program.
std::optional<QByteArray> octets(const QString& texte, int longueurMax)
{
    if (texte.size() > longueurMax) return std::nullopt;
    for (const QChar c : texte)
        if (c.unicode() > 0xff) return std::nullopt;
    return texte.toLatin1();
}

std::optional<int> entier(const QString& texte, int max)
{
    bool ok = false;
    const int v = texte.toInt(&ok);
    if (!ok || v < 0 || v > max) return std::nullopt;
    return v;
}

// True when `texte` is the number the rules give, within `ecart`, or empty where they give none.
// The codes are the data: a spreadsheet that saves the file again may round the volts and
// times it shows, which still name the same code and the same sample while within half a step.
bool concorde(QString texte, std::optional<double> attendu, double ecart, const Style& s)
{
    if (!attendu) return texte.isEmpty();
    bool ok = false;
    const double v = QLocale::c().toDouble(texte.replace(s.decimale, u'.'), &ok);
    return ok && std::isfinite(v) && std::fabs(v - *attendu) <= ecart;
}

// Half the distance between two neighbours, where the rules give numbers at all.
double demiPas(std::optional<double> a, std::optional<double> b)
{
    return a && b ? std::fabs(*b - *a) / 2 : 0;
}

class Lecteur
{
public:
    Lecteur(const QList<QStringList>& rows, const Style& s) : rows_(rows), style_(s) {}

    Lecture trame() const
    {
        DecodedFrame t;
        const auto temps = reglage(1, kBaseDeTemps);
        if (!temps) return attendu(1, kBaseDeTemps);
        const auto champTemps = temps->endsWith(QLatin1Char('s') + kParDivision)
                                    ? octets(temps->chopped(kParDivision.size() + 1), kLongueurTemps)
                                    : std::nullopt;
        if (!champTemps) return echecLigne(1, QStringLiteral("base de temps illisible"));
        t.timeField = *champTemps;
        QByteArray* gains[2] = {&t.gain1, &t.gain2};
        bool* couplages[2] = {&t.ac1, &t.ac2};
        for (int voie = 0; voie < 2; ++voie) {
            const int ligne = 2 + 2 * voie;
            const auto gain = reglage(ligne, kGain[voie]);
            if (!gain) return attendu(ligne, kGain[voie]);
            const auto champGain = gain->endsWith(kParDivision)
                                       ? octets(gain->chopped(kParDivision.size()), kLongueurGain)
                                       : std::nullopt;
            if (!champGain) return echecLigne(ligne, QStringLiteral("gain illisible"));
            *gains[voie] = *champGain;
            const auto couplage = reglage(ligne + 1, kCouplage[voie]);
            if (!couplage) return attendu(ligne + 1, kCouplage[voie]);
            if (*couplage != QLatin1String("AC") && *couplage != QLatin1String("DC"))
                return echecLigne(ligne + 1, QStringLiteral("couplage ni AC ni DC"));
            *couplages[voie] = *couplage == QLatin1String("AC");
        }
        const auto declenchement = reglage(6, kDeclenchement, 3);
        if (!declenchement) return attendu(6, kDeclenchement);
        const auto texte = octets(*declenchement, kLongueurDeclenchement);
        const auto niveau = entier(rows_[6][2], kCodeMax);
        if (!texte || !niveau) return echecLigne(6, QStringLiteral("déclenchement illisible"));
        t.trigText = *texte;
        t.trigLevel = *niveau;
        if (!vide(rows_[7]) || rows_[kLigneColonnes] != kColonnes)
            return refus(QStringLiteral("les colonnes ne sont pas celles d'une trame de Vantor LCD"));
        return echantillons(t);
    }

private:
    static Lecture echecLigne(int ligne, const QString& raison)
    {
        return refus(QStringLiteral("ligne %1 : %2").arg(ligne + 1).arg(raison));
    }
    static Lecture attendu(int ligne, const QString& nom)
    {
        return echecLigne(ligne, QStringLiteral("« %1 » attendu").arg(nom));
    }

    // The value of the setting row `ligne` when it is named `nom` and has `champs` fields.
    std::optional<QString> reglage(int ligne, const QString& nom, int champs = 2) const
    {
        const QStringList& row = rows_[ligne];
        if (row.size() != champs || row[0] != nom) return std::nullopt;
        return row[1];
    }

    Lecture echantillons(DecodedFrame& t) const
    {
        qsizetype fin = rows_.size();
        while (fin > kLigneColonnes + 1 && vide(rows_[fin - 1]))
            --fin;
        const qsizetype nombre = fin - kLigneColonnes - 1;
        if (nombre < kSampleCount)
            return refus(QStringLiteral("%1 échantillons au lieu de %2 : le fichier est tronqué")
                             .arg(nombre)
                             .arg(kSampleCount));
        if (nombre > kSampleCount)
            return refus(QStringLiteral("%1 échantillons au lieu de %2").arg(nombre).arg(kSampleCount));
        const Echelles echelles(t);
        const double demiPasTemps = demiPas(echelles.temps(0), echelles.temps(1));
        const double demiPasVolts[2] = {demiPas(echelles.volts(0, 0), echelles.volts(0, 1)),
                                        demiPas(echelles.volts(1, 0), echelles.volts(1, 1))};
        Samples* voies[2] = {&t.ch1, &t.ch2};
        for (int i = 0; i < kSampleCount; ++i) {
            const int ligne = kLigneColonnes + 1 + i;
            const QStringList& row = rows_[ligne];
            if (row.size() != kColonnes.size())
                return echecLigne(
                    ligne, QStringLiteral("%1 colonnes au lieu de %2").arg(row.size()).arg(kColonnes.size()));
            if (!concorde(row[0], echelles.temps(i), demiPasTemps, style_))
                return echecLigne(ligne, QStringLiteral("le temps ne suit pas la base de temps"));
            for (int voie = 0; voie < 2; ++voie) {
                const auto code = entier(row[3 + voie], kCodeMax);
                if (!code) return echecLigne(ligne, QStringLiteral("code hors de la plage 0 à 255"));
                if (!concorde(row[1 + voie], echelles.volts(voie, *code), demiPasVolts[voie], style_))
                    return echecLigne(ligne, QStringLiteral("les volts ne suivent pas le code et le gain"));
                (*voies[voie])[i] = std::uint8_t(*code);
            }
        }
        return {t, {}};
    }

    const QList<QStringList>& rows_;
    Style style_;
};

} // namespace

QByteArray ecrit(const DecodedFrame& trame, const QLocale& locale)
{
    const Style s = style(Format::decimalSeparator(locale) == u',' ? u';' : u',');
    const auto ligne = [&s](const QStringList& champs) {
        return champs.join(s.separateur) + QLatin1Char('\n');
    };
    const QString couplage[2] = {trame.ac1 ? QStringLiteral("AC") : QStringLiteral("DC"),
                                 trame.ac2 ? QStringLiteral("AC") : QStringLiteral("DC")};
    QString texte = ligne({kSignature, kGenre, kVersion});
    texte += ligne({kBaseDeTemps, cite(timeBase(trame) + kParDivision)});
    texte += ligne({kGain[0], cite(QString::fromLatin1(trame.gain1) + kParDivision)});
    texte += ligne({kCouplage[0], couplage[0]});
    texte += ligne({kGain[1], cite(QString::fromLatin1(trame.gain2) + kParDivision)});
    texte += ligne({kCouplage[1], couplage[1]});
    texte +=
        ligne({kDeclenchement, cite(QString::fromLatin1(trame.trigText)), QString::number(trame.trigLevel)});
    texte += u'\n';
    texte += ligne(kColonnes);
    const Echelles echelles(trame);
    for (int i = 0; i < kSampleCount; ++i)
        texte += ligne({nombre(echelles.temps(i), s), nombre(echelles.volts(0, trame.ch1[i]), s),
                        nombre(echelles.volts(1, trame.ch2[i]), s), QString::number(trame.ch1[i]),
                        QString::number(trame.ch2[i])});
    // The mark tells spreadsheets the file is UTF-8 ("Déclenchement", texts from the board).
    return QByteArray("\xEF\xBB\xBF") + texte.toUtf8();
}

Lecture lit(QByteArrayView contenu)
{
    if (contenu.isEmpty()) return refus(QStringLiteral("le fichier est vide"));
    if (contenu.size() > kTailleMax)
        return refus(QStringLiteral("le fichier est trop gros pour une trame enregistrée (plus de %1 Kio)")
                         .arg(kTailleMax / 1024));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texte = utf8.decode(contenu);
    if (utf8.hasError()) return refus(QStringLiteral("ce n'est pas un fichier texte"));
    if (texte.startsWith(QChar(0xfeff))) texte.remove(0, 1);
    const QChar separateur = texte.size() > kSignature.size() ? texte[kSignature.size()] : QChar();
    if (!texte.startsWith(kSignature) || (separateur != u';' && separateur != u','))
        return refus(QStringLiteral("ce n'est pas une trame enregistrée par Vantor LCD"));
    const Style s = style(separateur);
    const std::optional<QList<QStringList>> rows = lignes(texte, s.separateur);
    if (!rows)
        return refus(QStringLiteral("un texte entre guillemets n'est pas refermé : le fichier est tronqué"));
    const QStringList& entete = rows->first();
    if (entete.size() != 3 || entete[0] != kSignature || entete[1] != kGenre)
        return refus(QStringLiteral("ce n'est pas une trame enregistrée par Vantor LCD"));
    if (entete[2] != kVersion)
        return refus(
            QStringLiteral("trame enregistrée dans une version %1 du format, inconnue ici").arg(entete[2]));
    if (rows->size() <= kLigneColonnes)
        return refus(QStringLiteral("le fichier s'arrête avant les colonnes (tronqué)"));
    return Lecteur(*rows, s).trame();
}

Lecture litFichier(const QString& chemin)
{
    // A named pipe or a device would block the window in open() or read(): opened without
    // waiting, and refused unless it is a regular file.
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refus(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat etat{};
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        ::close(fd);
        return refus(QStringLiteral("ce n'est pas un fichier ordinaire"));
    }
    QFile fichier;
    if (!fichier.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refus(fichier.errorString());
    }
    const QByteArray contenu = fichier.read(kTailleMax + 1);
    if (fichier.error() != QFileDevice::NoError) return refus(fichier.errorString());
    return lit(contenu);
}

} // namespace acquisition::TrameCsv
