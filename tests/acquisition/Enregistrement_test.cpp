#include "acquisition/Chargement.h"
#include "acquisition/Enregistrement.h"
#include "acquisition/TrameCsv.h"
#include "support/Files.h"
#include "support/Locales.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using acquisition::TrameDatee;
namespace rec = acquisition::Enregistrement;
using namespace testing_support;

namespace {

constexpr qint64 kDebut = 1'796'000'000'000; // December 2026

// Four frames unlike each other: texts the board sends and texts it could, both time bases.
QList<TrameDatee> quatre()
{
    QList<TrameDatee> trames;
    const struct
    {
        const char *gain1, *time, *trig;
        int level;
    } reglages[] = {{"500mV", "100m", "Auto A   >", 128},
                    {"   2V", " 12u", "a;b,\"c\"\r\n", 0},
                    {"10\xb5V", "   1", "\xe9t\xe9", 255},
                    {"", "", "", 7}};
    for (int k = 0; k < 4; ++k) {
        TrameDatee t;
        t.arriveeMs = kDebut + 40 + 33'917 * k;
        t.trame.gain1 = reglages[k].gain1;
        t.trame.gain2 = " 50mV";
        t.trame.timeField = reglages[k].time;
        t.trame.trigText = reglages[k].trig;
        t.trame.trigLevel = reglages[k].level;
        t.trame.ac1 = k % 2;
        for (int i = 0; i < kSampleCount; ++i) {
            t.trame.ch1[i] = std::uint8_t(i * (k + 1) * 3);
            t.trame.ch2[i] = std::uint8_t(255 - i * k);
        }
        trames << t;
    }
    trames[3].trame.gain2 = "";
    return trames;
}

QByteArray fichier(const QList<TrameDatee>& trames, const QLocale& locale)
{
    const rec::Ecriture e(kDebut, locale);
    QByteArray f = e.entete();
    for (const TrameDatee& t : trames)
        f += e.ligne(t);
    return f;
}

struct Lu
{
    QList<TrameDatee> trames;
    QString refus;
    bool aLaBorne, coupee;
    qsizetype abimees;
    QString premiereAbimee;
};

Lu lis(QByteArrayView f, qsizetype tranche, qsizetype borne = 100)
{
    rec::Lecture l(borne);
    for (qsizetype at = 0; at < f.size() && l.feed(f.sliced(at, std::min(tranche, f.size() - at)));
         at += tranche) {
    }
    l.fin();
    return {l.prend(), l.refus(), l.aLaBorne(), l.coupee(), l.abimees(), l.premiereAbimee()};
}

} // namespace

TEST(Enregistrement, EveryFrameReadsBackAsRecordedWhateverTheSlices)
{
    const QList<TrameDatee> trames = quatre();
    for (const QLocale& locale : {frLocale, cLocale})
        for (const qsizetype tranche : {1, 7, 389, 1 << 20}) {
            SCOPED_TRACE(tranche);
            const Lu lu = lis(fichier(trames, locale), tranche);
            EXPECT_EQ(lu.refus, QString());
            EXPECT_TRUE(lu.trames == trames);
            EXPECT_FALSE(lu.coupee || lu.aLaBorne);
        }
}

TEST(Enregistrement, PythonReadsEveryFramesCodesTimeAndMeasurements)
{
    const QList<TrameDatee> trames = quatre();
    for (const auto& [locale, separator] : {std::pair{frLocale, ";"}, std::pair{cLocale, ","}}) {
        QTemporaryDir dir;
        writeFile(dir.filePath("session.csv"), fichier(trames, locale));
        const char* script = R"(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    rows = list(csv.reader(f, delimiter=sys.argv[2]))
head, frames = rows[3], rows[4:]
print(json.dumps([[r[1], r[head.index('CH2 max')], [int(c) for c in r[head.index('CH1 0'):]]] for r in frames]))
)";
        QProcess python;
        python.start("python3", {"-c", script, dir.filePath("session.csv"), separator});
        ASSERT_TRUE(python.waitForFinished(30000) && python.exitCode() == 0)
            << python.readAllStandardError().toStdString();
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        ASSERT_EQ(rows.size(), trames.size());
        for (int k = 0; k < trames.size(); ++k) {
            const QJsonArray row = rows[k].toArray();
            const char* secondes[] = {"0.040", "33.957", "67.874", "101.791"};
            EXPECT_EQ(row[0].toString(), inLocale(secondes[k], locale)) << "to the millisecond";
            // At the time base numbered 12 channel 2 is not sampled, nor measured, as on the panel.
            EXPECT_EQ(row[1].toString(), k == 1 ? "0" : "255");
            QJsonArray codes;
            for (const Samples* voie : {&trames[k].trame.ch1, &trames[k].trame.ch2})
                std::copy(voie->begin(), voie->end(), std::back_inserter(codes));
            EXPECT_EQ(row[2].toArray(), codes);
        }
    }
}

TEST(Enregistrement, AnHourAtTheFastestRateFitsIn100MB)
{
    // The longest row: every code of three digits, the longest texts and scales.
    TrameDatee t = quatre()[0];
    t.trame.ch1.fill(255);
    t.trame.ch2.fill(100);
    t.trame.gain1 = t.trame.gain2 = "333mV";
    t.trame.timeField = "333u";
    t.trame.trigText = "\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01"; // each written as a 3-byte picture
    t.arriveeMs = kDebut + 3'600'000;
    const qsizetype ligne = rec::Ecriture(kDebut, frLocale).ligne(t).size();
    // 29.5 frames a second, an hour.
    EXPECT_LT(ligne * 106'200, 100'000'000) << ligne << " bytes a frame";
}

TEST(Enregistrement, ACutRecordingOpensToItsLastWholeFrame)
{
    const QList<TrameDatee> trames = quatre();
    const QByteArray f = fichier(trames, frLocale);
    const qsizetype finTroisieme = f.size() - rec::Ecriture(kDebut, frLocale).ligne(trames[3]).size();
    for (qsizetype coupe = finTroisieme + 1; coupe < f.size(); ++coupe) {
        const Lu lu = lis(f.first(coupe), 4096);
        ASSERT_TRUE(lu.trames == trames.first(3)) << "cut at " << coupe << ": " << lu.refus.toStdString();
        ASSERT_TRUE(lu.coupee);
    }
    const Lu entiere = lis(f.first(finTroisieme), 4096);
    EXPECT_TRUE(entiere.trames == trames.first(3) && !entiere.coupee) << "a row ends there";
}

TEST(Enregistrement, ABigRecordingIsReadAsFarAsTheBound)
{
    const QByteArray f = fichier(quatre(), cLocale);
    for (const auto& [borne, lues, dit] : {std::tuple{3, 3, true}, std::tuple{4, 4, false}}) {
        const Lu lu = lis(f, 100, borne);
        EXPECT_EQ(lu.trames.size(), lues);
        EXPECT_EQ(lu.aLaBorne, dit);
    }
}

TEST(Enregistrement, ASingleFrameOpensAsBefore)
{
    const TrameDatee t = quatre()[0];
    const Lu lu = lis(acquisition::TrameCsv::ecrit(t.trame, frLocale), 5);
    ASSERT_EQ(lu.trames.size(), 1);
    EXPECT_TRUE(lu.trames[0].trame == t.trame);
}

TEST(Enregistrement, AnythingElseIsRefusedWithItsReason)
{
    const QByteArray good = fichier(quatre().first(2), cLocale);
    const auto replaced = [&](const char* from, const char* to) {
        return QByteArray(good).replace(from, to);
    };
    const struct
    {
        const char *reason, *said;
        QByteArray file;
    } cases[] = {
        {"empty", "vide", ""},
        {"another program's", "Vantor LCD", "date,valeur\n2024-01-01,3.5\n"},
        {"a version to come", "version 3", replaced("trame,2", "trame,3")},
        {"cut in its head", "tronqu", good.first(good.indexOf("Date et"))},
        {"cut in its first row", "tronqu", good.first(21)},
        {"no frame", "aucune trame", good.first(good.indexOf('\n', good.indexOf("CH2 79")) + 1)},
        {"not UTF-8", "texte", replaced("Vantor LCD,trame,2\n", "Vantor LCD,trame,2\n\xff")},
        {"no start", "D\u00e9but",
         replaced("D\xc3\xa9"
                  "but",
                  "Fin")},
        {"other columns", "colonnes", replaced("CH1 moy", "CH1 moyenne")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const Lu lu = lis(c.file, 1000);
        EXPECT_TRUE(lu.trames.isEmpty());
        EXPECT_TRUE(lu.refus.contains(QString::fromUtf8(c.said))) << lu.refus.toStdString();
    }
}

// Every whole frame opens: a damaged row is skipped and told, what follows the last line end is a
// cut; only a file without one good frame is refused.
TEST(Enregistrement, ADamagedFileOpensItsGoodFrames)
{
    const QList<TrameDatee> trames = quatre();
    const QByteArray good = fichier(trames, cLocale);
    const qsizetype ligne2 = good.indexOf("\n", good.indexOf("CH2 79")) + 1 +
                             rec::Ecriture(kDebut, cLocale).ligne(trames[0]).size();
    const auto abimee = [&](const char* from, const char* to) { return QByteArray(good).replace(from, to); };
    const struct
    {
        const char* reason;
        QByteArray file;
        int opened, damaged;
        bool cut;
        const char* said; // in the first damaged row's words, or the refusal's
    } cases[] = {
        {"12 KiB of zeros after the last row", good + QByteArray(12 * 1024, '\0'), 4, 0, true, ""},
        {"a tail without line end", good + QByteArray(9000, '1'), 4, 0, true, ""},
        {"a column less", abimee(",0,3,6,", ",0,6,"), 3, 1, false, "ligne 5 : 180 colonnes au lieu"},
        {"a code past 255", abimee(",0,3,6,", ",0,300,6,"), 3, 1, false, "plage"},
        {"measurements that do not follow", abimee(",128,0,237,", ",128,0,236,"), 3, 1, false, "mesures"},
        {"a coupling of neither kind", abimee(",AC,", ",XX,"), 2, 2, false, "couplage"},
        {"zeros in the middle", QByteArray(good).insert(ligne2, QByteArray(12 * 1024, '\0') + '\n'), 4, 1,
         false, "ligne 6 : ligne de plus de 8 Kio"},
        {"no good frame", abimee(",DC,", ",XX,").replace(",AC,", ",XX,"), 0, 4, false,
         "aucune trame enti\u00e8re"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const Lu lu = lis(c.file, 1000);
        EXPECT_EQ(lu.trames.size(), c.opened);
        EXPECT_EQ(lu.abimees, c.damaged);
        EXPECT_EQ(lu.coupee, c.cut);
        EXPECT_TRUE((c.opened ? lu.premiereAbimee : lu.refus).contains(QString::fromUtf8(c.said)))
            << lu.premiereAbimee.toStdString() << lu.refus.toStdString();
        if (c.opened == 4) {
            EXPECT_TRUE(lu.trames == trames);
        }
    }
}

TEST(Chargement, APipeIsRefusedWithoutWaitingForAWriter)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("tube.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    acquisition::Chargement c;
    EXPECT_FALSE(c.ouvre(fifo));
    EXPECT_FALSE(c.refus().isEmpty());
}

// The file a recording writes into: its unfinished row is no cut, and the session grows with it.
TEST(Chargement, TheFileBeingRecordedOpensToItsLastRowAndGrows)
{
    QTemporaryDir dir;
    const QString chemin = dir.filePath("session.csv"), autre = dir.filePath("autre.csv");
    const QList<TrameDatee> trames = quatre();
    const rec::Ecriture e(kDebut, cLocale);
    writeFile(chemin, fichier(trames.first(2), cLocale) + e.ligne(trames[2]).first(100));
    writeFile(autre, "");
    for (const QString& enregistre : {chemin, autre}) {
        acquisition::Chargement c;
        ASSERT_TRUE(c.ouvre(chemin, enregistre));
        while (c.avance()) {
        }
        EXPECT_EQ(c.remarques("session.csv").contains("interrompu"), enregistre != chemin);
        ASSERT_EQ(c.session()->taille(), 2);
    }
    acquisition::Chargement c;
    c.ouvre(chemin, chemin);
    while (c.avance()) {
    }
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(e.ligne(trames[2]).sliced(100) + e.ligne(trames[3]));
    f.close();
    EXPECT_TRUE(c.session()->suit());
    ASSERT_EQ(c.session()->taille(), 4);
    EXPECT_TRUE(c.session()->trame(3) == trames[3]);
}
