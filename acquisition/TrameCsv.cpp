#include "acquisition/TrameCsv.h"

#include "acquisition/CsvCommun.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <utility>

namespace acquisition::TrameCsv {

namespace {

using Csv::Echelles;
using Csv::entier;
using Csv::octets;
using Csv::Style;
using Csv::vide;

const QString kGenre = QStringLiteral("trame");
const QString kVersion = QStringLiteral("1");
const QString kBaseDeTemps = QStringLiteral("Base de temps");
const QString kGain[2] = {QStringLiteral("Gain CH1"), QStringLiteral("Gain CH2")};
const QString kCouplage[2] = {QStringLiteral("Couplage CH1"), QStringLiteral("Couplage CH2")};
const QString kDeclenchement = QStringLiteral("D\u00e9clenchement");
const QStringList kColonnes = {QStringLiteral("Temps (s)"), QStringLiteral("CH1 (V)"),
                               QStringLiteral("CH2 (V)"), QStringLiteral("CH1 (code)"),
                               QStringLiteral("CH2 (code)")};
// The settings take the rows before the empty one and the columns' header.
constexpr int kLigneColonnes = 8;

Lecture refus(const QString& raison)
{
    return {std::nullopt, raison};
}

// Rows of fields; nullopt when a quote is left open (the file was cut).
std::optional<QList<QStringList>> lignes(QStringView texte, QChar separateur)
{
    QList<QStringList> rows;
    for (qsizetype debut = 0; debut < texte.size();) {
        Csv::Rangee r = Csv::rangee(texte, debut, separateur, true);
        if (r.fin == Csv::Rangee::Fin::GuillemetOuvert) return std::nullopt;
        if (!r.champs.isEmpty()) rows << std::move(r.champs);
        debut = r.suite;
    }
    return rows;
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
        const auto champTemps = Csv::champBaseDeTemps(*temps);
        if (!champTemps) return echecLigne(1, QStringLiteral("base de temps illisible"));
        t.timeField = *champTemps;
        QByteArray* gains[2] = {&t.gain1, &t.gain2};
        bool* couplages[2] = {&t.ac1, &t.ac2};
        for (int voie = 0; voie < 2; ++voie) {
            const int ligne = 2 + 2 * voie;
            const auto gain = reglage(ligne, kGain[voie]);
            if (!gain) return attendu(ligne, kGain[voie]);
            const auto champGain = Csv::champGain(*gain);
            if (!champGain) return echecLigne(ligne, QStringLiteral("gain illisible"));
            *gains[voie] = *champGain;
            const auto couplage = reglage(ligne + 1, kCouplage[voie]);
            if (!couplage) return attendu(ligne + 1, kCouplage[voie]);
            const auto ac = Csv::couplageAc(*couplage);
            if (!ac) return echecLigne(ligne + 1, QStringLiteral("couplage ni AC ni DC"));
            *couplages[voie] = *ac;
        }
        const auto declenchement = reglage(6, kDeclenchement, 3);
        if (!declenchement) return attendu(6, kDeclenchement);
        const auto texte = octets(*declenchement, Csv::kLongueurDeclenchement);
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
        return refus(Csv::aLaLigne(ligne + 1, raison));
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
    using Csv::cite;
    using Csv::nombre;
    const Style s = Csv::style(locale);
    const auto ligne = [&s](const QStringList& champs) { return Csv::ligne(champs, s); };
    QString texte = ligne({Csv::kSignature, kGenre, kVersion});
    texte += ligne({kBaseDeTemps, cite(timeBaseCaption(trame))});
    texte += ligne({kGain[0], cite(gainCaption(trame.gain1))});
    texte += ligne({kCouplage[0], Csv::texteCouplage(trame.ac1)});
    texte += ligne({kGain[1], cite(gainCaption(trame.gain2))});
    texte += ligne({kCouplage[1], Csv::texteCouplage(trame.ac2)});
    texte +=
        ligne({kDeclenchement, cite(QString::fromLatin1(trame.trigText)), QString::number(trame.trigLevel)});
    texte += u'\n';
    texte += ligne(kColonnes);
    const Echelles echelles(trame);
    for (int i = 0; i < kSampleCount; ++i)
        texte += ligne({nombre(echelles.temps(i), s), nombre(echelles.volts(0, trame.ch1[i]), s),
                        nombre(echelles.volts(1, trame.ch2[i]), s), QString::number(trame.ch1[i]),
                        QString::number(trame.ch2[i])});
    return QByteArray(Csv::kMarqueUtf8) + texte.toUtf8();
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
    const QChar separateur = texte.size() > Csv::kSignature.size() ? texte[Csv::kSignature.size()] : QChar();
    if (!texte.startsWith(Csv::kSignature) || (separateur != u';' && separateur != u','))
        return refus(QStringLiteral("ce n'est pas une trame enregistrée par Vantor LCD"));
    const Style s = Csv::style(separateur);
    const std::optional<QList<QStringList>> rows = lignes(texte, s.separateur);
    if (!rows)
        return refus(QStringLiteral("un texte entre guillemets n'est pas refermé : le fichier est tronqué"));
    const QStringList& entete = rows->first();
    if (entete.size() != 3 || entete[0] != Csv::kSignature || entete[1] != kGenre)
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
    QFile fichier;
    if (const QString raison = Csv::ouvreFichierOrdinaire(fichier, chemin); !raison.isEmpty())
        return refus(raison);
    const QByteArray contenu = fichier.read(kTailleMax + 1);
    if (fichier.error() != QFileDevice::NoError) return refus(fichier.errorString());
    return lit(contenu);
}

} // namespace acquisition::TrameCsv
