#include "acquisition/CsvCommun.h"

#include "measure/Divisions.h"
#include "measure/Format.h"
#include "measure/Readouts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace acquisition::Csv {

namespace {
// The longest texts a frame carries at its fixed positions.
constexpr int kLongueurGain = 5, kLongueurTemps = 4;
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
    QString t = texte;
    return QLatin1Char('"') + t.replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"');
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

QString ouvreFichierOrdinaire(QFile& fichier, const QString& chemin)
{
#ifdef Q_OS_WIN
    // A device's name ("COM1", "NUL") opens as a file there: only a file on a disk is one.
    fichier.setFileName(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) return fichier.errorString();
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fichier.handle()))) != FILE_TYPE_DISK) {
        fichier.close();
        return QStringLiteral("ce n'est pas un fichier ordinaire");
    }
    return {};
#else
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    struct stat etat{};
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        ::close(fd);
        return QStringLiteral("ce n'est pas un fichier ordinaire");
    }
    if (!fichier.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fichier.errorString();
    }
    return {};
#endif
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
