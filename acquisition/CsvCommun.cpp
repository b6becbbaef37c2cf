#include "acquisition/CsvCommun.h"

#include "acquisition/Fichier.h"
#include "measure/Divisions.h"
#include "measure/Format.h"
#include "measure/Readouts.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace acquisition::Csv {

namespace {
// The longest texts a frame carries at its fixed positions.
constexpr int kLongueurGain = 5, kLongueurTemps = 4;

// Control characters shown as their pictures: C0 from U+2400, DEL as U+2421.
constexpr char16_t kImages = 0x2400, kImageDel = 0x2421;
constexpr char16_t kDel = 0x7f;

// What a spreadsheet takes for the start of a formula, and the apostrophe that marks a text.
bool veutUneApostrophe(QChar c)
{
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\'';
}
} // namespace

Style style(QChar separateur)
{
    return separateur == u';' ? Style{u';', u','} : Style{u',', u'.'};
}

Style style(const QLocale& locale)
{
    return style(Format::decimalSeparator(locale) == u',' ? u';' : u',');
}

QString ligne(const QStringList& champs, const Style& s)
{
    return champs.join(s.separateur) + QLatin1Char('\n');
}

QString nombre(std::optional<double> v, const Style& s)
{
    if (!v) return {};
    QString t = QLocale::c().toString(*v, 'f', QLocale::FloatingPointShortest);
    return t.replace(u'.', s.decimale);
}

QString cite(const QString& texte)
{
    QString t;
    t.reserve(texte.size() + 3);
    t += u'"';
    if (!texte.isEmpty() && veutUneApostrophe(texte.front())) t += u'\'';
    for (const QChar c : texte) {
        if (c.unicode() < 0x20)
            t += QChar(char16_t(kImages + c.unicode()));
        else if (c.unicode() == kDel)
            t += QChar(kImageDel);
        else if (c == u'"')
            t += QStringLiteral("\"\"");
        else
            t += c;
    }
    t += u'"';
    return t;
}

Rangee rangee(QStringView texte, qsizetype debut, QChar separateur, bool complet)
{
    Rangee r;
    QString field;
    bool quoted = false, inQuotes = false;
    const auto endField = [&] {
        r.champs << field;
        field.clear();
        quoted = false;
    };
    for (qsizetype i = debut; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (inQuotes) {
            if (c != u'"') {
                field += c;
                continue;
            }
            // A doubled quote needs its second half before it can tell an escape from the end.
            if (i + 1 == texte.size() && !complet) break;
            if (i + 1 < texte.size() && texte[i + 1] == u'"')
                field += texte[++i];
            else
                inQuotes = false;
        } else if (c == u'"' && field.isEmpty() && !quoted) {
            inQuotes = quoted = true;
        } else if (c == separateur) {
            endField();
        } else if (c == u'\n' || c == u'\r') {
            // A CR at the end of the text may still have its LF to come.
            if (c == u'\r' && i + 1 == texte.size() && !complet) break;
            if (c == u'\r' && i + 1 < texte.size() && texte[i + 1] == u'\n') ++i;
            endField();
            r.suite = i + 1;
            return r;
        } else {
            field += c;
        }
    }
    r.fin = inQuotes ? Rangee::Fin::GuillemetOuvert : Rangee::Fin::Texte;
    if (!field.isEmpty() || !r.champs.isEmpty() || quoted) endField();
    r.suite = texte.size();
    return r;
}

bool vide(const QStringList& champs)
{
    return std::all_of(champs.begin(), champs.end(), [](const QString& f) { return f.isEmpty(); });
}

QString aLaLigne(qsizetype ligne, const QString& raison)
{
    return QStringLiteral("ligne %1 : %2").arg(ligne).arg(raison);
}

std::optional<QByteArray> octets(const QString& texte, int longueurMax)
{
    QStringView t(texte);
    if (t.size() >= 2 && t[0] == u'\'' && veutUneApostrophe(t[1])) t = t.sliced(1);
    if (t.size() > longueurMax) return std::nullopt;
    QByteArray o;
    o.reserve(t.size());
    for (const QChar c : t) {
        const char16_t u = c.unicode();
        if (u >= kImages && u < kImages + 0x20)
            o += char(u - kImages);
        else if (u == kImageDel)
            o += char(kDel);
        else if (u <= 0xff)
            o += char(u);
        else
            return std::nullopt;
    }
    return o;
}

std::optional<int> entier(const QString& texte, int max)
{
    bool ok = false;
    const int v = texte.toInt(&ok);
    if (!ok || v < 0 || v > max) return std::nullopt;
    return v;
}

QString ouvreFichierOrdinaire(QFile& fichier, const QString& chemin)
{
    const Fichier::Ouvert ouvert = Fichier::ouvreOrdinaire(chemin, O_RDONLY);
    if (ouvert.fd < 0) return ouvert.refus;
    if (!fichier.open(ouvert.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(ouvert.fd);
        return fichier.errorString();
    }
    return {};
}

QString texteCouplage(bool ac)
{
    return ac ? QStringLiteral("AC") : QStringLiteral("DC");
}

// The captions read backwards: what a caption adds to an empty field is what comes off.
std::optional<QByteArray> champBaseDeTemps(const QString& texte)
{
    const QString ajout = timeBaseCaption({});
    if (!texte.endsWith(ajout)) return std::nullopt;
    return octets(texte.chopped(ajout.size()), kLongueurTemps);
}

std::optional<QByteArray> champGain(const QString& texte)
{
    const QString ajout = gainCaption({});
    if (!texte.endsWith(ajout)) return std::nullopt;
    return octets(texte.chopped(ajout.size()), kLongueurGain);
}

std::optional<bool> couplageAc(const QString& texte)
{
    if (texte == QLatin1String("AC")) return true;
    if (texte == QLatin1String("DC")) return false;
    return std::nullopt;
}

Echelles::Echelles(const DecodedFrame& t)
    : secondesParDivision(Readouts::secondsPerDivision(timeBase(t))),
      voltsParDivision{Readouts::voltsPerDivision(QString::fromLatin1(t.gain1)),
                       Readouts::voltsPerDivision(QString::fromLatin1(t.gain2))}
{}

std::optional<double> Echelles::temps(int i) const
{
    if (!secondesParDivision) return std::nullopt;
    return Readouts::divisionsFromLeft(double(i) / (kSampleCount - 1)) * *secondesParDivision;
}

std::optional<double> Echelles::volts(int voie, int code) const
{
    // A code is drawn, without offset, at (255 - code)/255 of the height from the top.
    if (!voltsParDivision[voie]) return std::nullopt;
    return Readouts::divisionsAboveCentre(double(kCodeMax - code) / kCodeMax) * *voltsParDivision[voie];
}

std::optional<double> Echelles::voltsParCode(int voie) const
{
    if (!voltsParDivision[voie]) return std::nullopt;
    return *voltsParDivision[voie] * Divisions::Tension / kCodeMax;
}

std::optional<double> Echelles::secondesParEchantillon() const
{
    return temps(1);
}

double Echelles::codeDuZero()
{
    return kCodeMax / 2.0;
}

} // namespace acquisition::Csv
