#include "acquisition/Enregistrement.h"

#include "acquisition/CsvCommun.h"
#include "acquisition/TrameCsv.h"
#include "measure/Calcul.h"

#include <QDateTime>
#include <QStringDecoder>
#include <cmath>
#include <utility>

namespace acquisition::Enregistrement {

namespace {

const QString kGenre = QStringLiteral("trame");
const QString kVersion = QStringLiteral("2");
const QString kDebut = QStringLiteral("D\u00e9but");
// Columns before the codes; then 80 codes of channel 1 and 80 of channel 2.
enum Colonne {
    kDate,
    kSecondes,
    kBaseDeTemps,
    kGain1,
    kCouplage1,
    kGain2,
    kCouplage2,
    kDeclenchement,
    kNiveau,
    kMesures,                     // min, max, moy, delta of channel 1, then of channel 2
    kVoltsParCode = kMesures + 8, // channel 1, then channel 2
    kCodeDuZero = kVoltsParCode + 2,
    kSecondesParEchantillon,
    kCodes
};
constexpr int kNombreDeColonnes = kCodes + 2 * kSampleCount;
// A frame's row is under a kilobyte: a longer one is not a recording's.
constexpr qsizetype kLigneMax = 8 * 1024;

void mesures(const DecodedFrame& t, Calcul::Mesures m[2])
{
    Calcul::CalculMesures(t.ch1, t.ch2, true, Calcul::voie2Echantillonnee(timeBase(t)), m[0], m[1]);
}

std::optional<double> decimal(QString texte, QChar decimale)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(texte.replace(decimale, u'.'), &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

const QStringList& colonnes()
{
    static const QStringList noms = [] {
        QStringList n = {QStringLiteral("Date et heure"), QStringLiteral("Secondes"),
                         QStringLiteral("Base de temps"), QStringLiteral("Gain CH1"),
                         QStringLiteral("Couplage CH1"),  QStringLiteral("Gain CH2"),
                         QStringLiteral("Couplage CH2"),  QStringLiteral("D\u00e9clenchement"),
                         QStringLiteral("Niveau")};
        for (const char* voie : {"CH1", "CH2"})
            for (const char* mesure : {"min", "max", "moy", "delta"})
                n << QStringLiteral("%1 %2").arg(QLatin1String(voie), QLatin1String(mesure));
        n << QStringLiteral("CH1 V/code") << QStringLiteral("CH2 V/code")
          << QStringLiteral("Code du z\u00e9ro") << QStringLiteral("s/\u00e9chantillon");
        for (const char* voie : {"CH1", "CH2"})
            for (int i = 0; i < kSampleCount; ++i)
                n << QStringLiteral("%1 %2").arg(QLatin1String(voie)).arg(i);
        return n;
    }();
    return noms;
}

Ecriture::Ecriture(qint64 debutMs, const QLocale& locale) : debutMs_(debutMs), style_(Csv::style(locale))
{}

QByteArray Ecriture::entete() const
{
    const Csv::Style& s = style_;
    const QDateTime debut = QDateTime::fromMSecsSinceEpoch(debutMs_);
    // The offset in the text: the local time alone is ambiguous once a year, when clocks go back.
    const QString iso = debut.toOffsetFromUtc(debut.offsetFromUtc()).toString(Qt::ISODateWithMs);
    const QString texte = Csv::ligne({Csv::kSignature, kGenre, kVersion}, s) + Csv::ligne({kDebut, iso}, s) +
                          QLatin1Char('\n') + Csv::ligne(colonnes(), s);
    return QByteArray(Csv::kMarqueUtf8) + texte.toUtf8();
}

QByteArray Ecriture::ligne(const TrameDatee& t) const
{
    const Csv::Style& s = style_;
    const DecodedFrame& d = t.trame;
    QString r;
    r.reserve(1024);
    const auto champ = [&](const QString& texte) {
        r += texte;
        r += s.separateur;
    };
    // A spreadsheet reads the local date and time; the point before the milliseconds follows the
    // file's decimal convention, as a French spreadsheet expects it.
    QString date =
        QDateTime::fromMSecsSinceEpoch(t.arriveeMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    champ(date.replace(u'.', s.decimale));
    // Whole milliseconds: written exactly, not through a double.
    const qint64 ms = t.arriveeMs - debutMs_;
    const qint64 absolu = ms < 0 ? -ms : ms;
    champ((ms < 0 ? QStringLiteral("-") : QString()) + QString::number(absolu / 1000) + s.decimale +
          QString::number(absolu % 1000).rightJustified(3, u'0'));
    champ(Csv::cite(timeBaseCaption(d)));
    champ(Csv::cite(gainCaption(d.gain1)));
    champ(Csv::texteCouplage(d.ac1));
    champ(Csv::cite(gainCaption(d.gain2)));
    champ(Csv::texteCouplage(d.ac2));
    champ(Csv::cite(QString::fromLatin1(d.trigText)));
    champ(QString::number(d.trigLevel));
    Calcul::Mesures m[2];
    mesures(d, m);
    for (const Calcul::Mesures& voie : m)
        for (const int v : {voie.min, voie.max, voie.moy, voie.delta})
            champ(QString::number(v));
    const Csv::Echelles echelles(d);
    champ(Csv::nombre(echelles.voltsParCode(0), s));
    champ(Csv::nombre(echelles.voltsParCode(1), s));
    champ(Csv::nombre(Csv::Echelles::codeDuZero(), s));
    champ(Csv::nombre(echelles.secondesParEchantillon(), s));
    // The codes are most of the file: written digit by digit into one buffer, without a string each.
    char codes[2 * kSampleCount * 4];
    char* c = codes;
    for (const Samples* voie : {&d.ch1, &d.ch2})
        for (const std::uint8_t code : *voie) {
            if (code >= 100) *c++ = char('0' + code / 100);
            if (code >= 10) *c++ = char('0' + code / 10 % 10);
            *c++ = char('0' + code % 10);
            *c++ = char(s.separateur.unicode());
        }
    c[-1] = '\n';
    return r.toUtf8().append(codes, c - codes);
}

namespace {

std::optional<TrameDatee> lit(const QStringList& champs, const Format& format, QString& raison)
{
    const auto non = [&](const QString& pourquoi) {
        raison = pourquoi;
        return std::nullopt;
    };
    if (champs.size() != kNombreDeColonnes)
        return non(QStringLiteral("%1 colonnes au lieu de %2").arg(champs.size()).arg(kNombreDeColonnes));
    TrameDatee t;
    // Past some thirty years a number of seconds is not this recording's.
    const std::optional<double> secondes = decimal(champs[kSecondes], format.style.decimale);
    if (!secondes || std::fabs(*secondes) > 1e9) return non(QStringLiteral("secondes illisibles"));
    t.arriveeMs = format.debutMs + std::llround(*secondes * 1000);
    DecodedFrame& d = t.trame;
    const auto temps = Csv::champBaseDeTemps(champs[kBaseDeTemps]);
    if (!temps) return non(QStringLiteral("base de temps illisible"));
    d.timeField = *temps;
    const auto gain1 = Csv::champGain(champs[kGain1]), gain2 = Csv::champGain(champs[kGain2]);
    if (!gain1 || !gain2) return non(QStringLiteral("gain illisible"));
    d.gain1 = *gain1;
    d.gain2 = *gain2;
    const auto ac1 = Csv::couplageAc(champs[kCouplage1]), ac2 = Csv::couplageAc(champs[kCouplage2]);
    if (!ac1 || !ac2) return non(QStringLiteral("couplage ni AC ni DC"));
    d.ac1 = *ac1;
    d.ac2 = *ac2;
    const auto texte = Csv::octets(champs[kDeclenchement], Csv::kLongueurDeclenchement);
    const auto niveau = Csv::entier(champs[kNiveau], kCodeMax);
    if (!texte || !niveau) return non(QStringLiteral("déclenchement illisible"));
    d.trigText = *texte;
    d.trigLevel = *niveau;
    int colonne = kCodes;
    for (Samples* voie : {&d.ch1, &d.ch2})
        for (std::uint8_t& code : *voie) {
            const auto v = Csv::entier(champs[colonne++], kCodeMax);
            if (!v) return non(QStringLiteral("code hors de la plage 0 à 255"));
            code = std::uint8_t(*v);
        }
    // The codes are the data; measurements that do not follow from them are not this program's.
    Calcul::Mesures m[2];
    mesures(d, m);
    colonne = kMesures;
    for (const Calcul::Mesures& voie : m)
        for (const int v : {voie.min, voie.max, voie.moy, voie.delta})
            if (Csv::entier(champs[colonne++], kCodeMax) != v)
                return non(QStringLiteral("les mesures ne suivent pas les codes"));
    return t;
}

// A row's fields, its line end taken off; nothing when it is not UTF-8 text.
std::optional<QStringList> champs(QByteArrayView octets, QChar separateur)
{
    while (!octets.isEmpty() && (octets.back() == '\n' || octets.back() == '\r'))
        octets.chop(1);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texte = utf8.decode(octets);
    if (utf8.hasError()) return std::nullopt;
    return Csv::rangee(texte, 0, separateur, true).champs;
}

} // namespace

std::optional<TrameDatee> litLigne(QByteArrayView octets, const Format& format, QString* raison)
{
    QString pourquoi;
    std::optional<TrameDatee> t;
    if (const std::optional<QStringList> c = champs(octets, format.style.separateur))
        t = lit(*c, format, pourquoi);
    else
        pourquoi = QStringLiteral("ce n'est pas du texte");
    if (raison) *raison = pourquoi;
    return t;
}

Lecture::Lecture(qsizetype borne) : borne_(borne)
{}

QList<TrameDatee> Lecture::prend()
{
    return std::exchange(trames_, {});
}

bool Lecture::refuse(const QString& raison)
{
    if (refus_.isEmpty()) refus_ = raison;
    trames_.clear();
    places_.clear();
    return false;
}

bool Lecture::refuseLigne(const QString& raison)
{
    return refuse(Csv::aLaLigne(ligne_, raison));
}

bool Lecture::feed(QByteArrayView octets)
{
    // A recording still written into goes on after the end it reached.
    const bool suite = version_ == 2 && etape_ == Etape::Trames;
    if ((fini_ && !suite) || !refus_.isEmpty() || aLaBorne_) return false;
    if (version_ == 2) return decoupe(octets);
    brut_ += octets;
    if (version_ == 0) return premiereLigne(false);
    // A single frame is read whole, and only as far as its reader takes one.
    if (brut_.size() > TrameCsv::kTailleMax) return refuse(TrameCsv::lit(brut_).refus);
    return true;
}

// Tells a recording from a single frame by its first row, once it is whole.
bool Lecture::premiereLigne(bool complet)
{
    QByteArrayView sansMarque(brut_);
    const bool marque = sansMarque.startsWith(Csv::kMarqueUtf8);
    if (marque) sansMarque = sansMarque.sliced(sizeof Csv::kMarqueUtf8 - 1);
    const qsizetype finDeLigne = sansMarque.indexOf('\n');
    if (finDeLigne < 0 && !complet && sansMarque.size() < 64) return true;
    for (const char separateur : {';', ','}) {
        const Csv::Style s = Csv::style(QChar::fromLatin1(separateur));
        const QByteArray signature = Csv::ligne({Csv::kSignature, kGenre, kVersion}, s).toUtf8().chopped(1);
        const char apres = sansMarque.size() > signature.size() ? sansMarque[signature.size()] : '\0';
        // A file cut within its first row is still told for a recording, and refused as cut.
        if (sansMarque.startsWith(signature) &&
            (apres == '\n' || apres == '\r' || (apres == '\0' && complet))) {
            version_ = 2;
            format_.style = s;
            position_ = marque ? qint64(sizeof Csv::kMarqueUtf8 - 1) : 0;
            const QByteArray reste = sansMarque.toByteArray();
            brut_.clear();
            return decoupe(reste);
        }
    }
    version_ = 1;
    if (brut_.size() > TrameCsv::kTailleMax) return refuse(TrameCsv::lit(brut_).refus);
    return true;
}

// Cuts a recording's bytes into rows at the line ends outside quotes, each handled whole. A row
// that never ends within kLigneMax is no frame's: dropped as it comes, up to the next line end.
bool Lecture::decoupe(QByteArrayView octets)
{
    attente_ += octets;
    qsizetype debut = 0;
    const char* octet = attente_.constData();
    for (qsizetype i = examine_; i < attente_.size(); ++i) {
        const char c = octet[i];
        if (c == '"' && !tropLongue_) guillemets_ = !guillemets_;
        if (c != '\n' || guillemets_) continue;
        const QByteArrayView ligne = QByteArrayView(attente_).sliced(debut, i + 1 - debut);
        const qint64 ou = position_;
        position_ += ligne.size();
        debut = i + 1;
        ++ligne_;
        if (std::exchange(tropLongue_, false)) {
            if (etape_ != Etape::Trames)
                return refuseLigne(
                    QStringLiteral("ligne de plus de %1 Kio, pas d'un enregistrement de Vantor LCD")
                        .arg(kLigneMax / 1024));
            if (abimees_++ == 0)
                premiereAbimee_ =
                    Csv::aLaLigne(ligne_, QStringLiteral("ligne de plus de %1 Kio").arg(kLigneMax / 1024));
            continue;
        }
        if (!ligneEntiere(ligne, ou)) return false;
    }
    attente_.remove(0, debut);
    examine_ = attente_.size();
    if (attente_.size() > kLigneMax) {
        tropLongue_ = true;
        guillemets_ = false;
        position_ += attente_.size();
        attente_.clear();
        examine_ = 0;
    }
    coupee_ = tropLongue_ || !attente_.isEmpty();
    return !aLaBorne_;
}

bool Lecture::ligneEntiere(QByteArrayView octets, qint64 ou)
{
    if (etape_ == Etape::Trames) {
        const std::optional<QStringList> c = champs(octets, format_.style.separateur);
        // Empty rows a spreadsheet may leave at the end.
        if (c && Csv::vide(*c)) return true;
        if (lues_ == borne_) {
            aLaBorne_ = true;
            return false;
        }
        QString raison = QStringLiteral("ce n'est pas du texte");
        const std::optional<TrameDatee> t = c ? lit(*c, format_, raison) : std::nullopt;
        if (!t) {
            // One damaged row does not take the good ones before and after it.
            if (abimees_++ == 0) premiereAbimee_ = Csv::aLaLigne(ligne_, raison);
            return true;
        }
        places_.push_back({ou, qint32(octets.size()), t->arriveeMs});
        if (garder_) trames_ << *t;
        ++lues_;
        return true;
    }
    const std::optional<QStringList> c = champs(octets, format_.style.separateur);
    if (!c) return refuse(QStringLiteral("ce n'est pas un fichier texte"));
    return rangee(*c);
}

bool Lecture::rangee(const QStringList& champs)
{
    switch (etape_) {
    case Etape::Debut:
        if (ligne_ == 1) return true; // the signature, already checked
        if (champs.size() == 2 && champs[0] == kDebut) {
            const QDateTime debut = QDateTime::fromString(champs[1], Qt::ISODateWithMs);
            if (debut.isValid()) {
                format_.debutMs = debut.toMSecsSinceEpoch();
                etape_ = Etape::Vide;
                return true;
            }
        }
        return refuseLigne(QStringLiteral("« %1 » et sa date attendus").arg(kDebut));
    case Etape::Vide:
        if (!Csv::vide(champs)) return refuseLigne(QStringLiteral("ligne vide attendue"));
        etape_ = Etape::Colonnes;
        return true;
    case Etape::Colonnes:
        if (champs != colonnes())
            return refuseLigne(
                QStringLiteral("les colonnes ne sont pas celles d'un enregistrement de Vantor LCD"));
        etape_ = Etape::Trames;
        return true;
    case Etape::Trames:
        break;
    }
    return false;
}

void Lecture::fin()
{
    if (fini_) return;
    fini_ = true;
    if (!refus_.isEmpty() || aLaBorne_) return;
    if (version_ == 0 && brut_.isEmpty()) {
        refuse(QStringLiteral("le fichier est vide"));
        return;
    }
    if (version_ == 0 && !premiereLigne(true)) return;
    if (version_ == 1) {
        const TrameCsv::Lecture lu = TrameCsv::lit(brut_);
        if (!lu.trame) {
            refuse(lu.refus);
            return;
        }
        trames_ << TrameDatee{*lu.trame, 0};
        lues_ = 1;
        return;
    }
    if (etape_ != Etape::Trames) {
        // The head's last row may lack only its line end.
        if (!tropLongue_ && !attente_.isEmpty() && etape_ == Etape::Colonnes) {
            const std::optional<QStringList> c = champs(attente_, format_.style.separateur);
            if (c && *c == colonnes()) etape_ = Etape::Trames;
        }
        if (etape_ != Etape::Trames) {
            refuse(QStringLiteral("le fichier s'arrête avant ses colonnes : il est tronqué"));
            return;
        }
    }
    if (lues_ == 0)
        refuse(abimees_ > 0 ? QStringLiteral("l'enregistrement ne contient aucune trame entière (%1)")
                                  .arg(premiereAbimee_)
                            : QStringLiteral("l'enregistrement ne contient aucune trame entière"));
}

} // namespace acquisition::Enregistrement
