// Texts from the wire that a spreadsheet would run or a CSV reader trip on, in both frame files:
// Gnumeric shows them as text in French and in C, Python's csv reads the files, and the
// program reads back exactly the bytes the board sent.
#include "acquisition/Enregistrement.h"
#include "acquisition/TrameCsv.h"
#include "support/Files.h"
#include "support/Locales.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using acquisition::DecodedFrame;
using acquisition::TrameDatee;
namespace rec = acquisition::Enregistrement;
using namespace testing_support;

namespace {

const QByteArray kHostiles[] = {
    "=1+1",      "@SUM(1;2)",   "+1", "-1+2", "'=1", // formulas, and an apostrophe of the board's own
    "\t=1",      "\r=1",        "\n",                // what spreadsheets also run, or split a row on
    {"a\0b", 3}, "\x7f\x1b[2J",      // NUL, which Python's csv refused before 3.11; DEL, escape
    "\"=1\"",    "'",           "=", // quotes around a formula; lone starters
};

DecodedFrame trame(const QByteArray& texte)
{
    DecodedFrame d;
    d.trigText = texte.left(10);
    d.gain1 = texte.left(5);
    d.gain2 = " 50mV";
    d.timeField = texte.left(4);
    for (int i = 0; i < kSampleCount; ++i)
        d.ch1[i] = d.ch2[i] = std::uint8_t(3 * i);
    return d;
}

QByteArray enregistrement(const QLocale& locale)
{
    const rec::Ecriture e(0, locale);
    QByteArray f = e.entete();
    qint64 ms = 0;
    for (const QByteArray& h : kHostiles)
        f += e.ligne(TrameDatee{trame(h), ms += 40});
    return f;
}

// A locale of the C library by its name: the machine's, or one made for the test from the
// sources Debian's locales package ships; empty when neither can be had.
QString locale(const QString& nom, QTemporaryDir& dossier, QProcessEnvironment& env)
{
    QProcess liste;
    liste.start("locale", {"-a"});
    liste.waitForFinished();
    const QString compact = QString(nom).replace(QStringLiteral(".UTF-8"), QStringLiteral(".utf8"));
    if (QString::fromLocal8Bit(liste.readAllStandardOutput()).split('\n').contains(compact)) return nom;
    if (QProcess::execute("localedef",
                          {"-i", nom.section('.', 0, 0), "-f", "UTF-8", dossier.filePath(nom)}) != 0)
        return {};
    env.insert("LOCPATH", dossier.path());
    return nom;
}

struct Cellules
{
    int formules = 0;
    QStringList textes;
};

Cellules cellules(const QByteArray& xml)
{
    Cellules c;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement || r.name() != QLatin1String("Cell")) continue;
        const QXmlStreamAttributes a = r.attributes();
        const QString texte = r.readElementText();
        // A formula's cell has no type of its own: its value is computed.
        if (!a.hasAttribute("ValueType") || a.hasAttribute("ExprID")) ++c.formules;
        if (a.value("ValueType") == QLatin1String("60")) c.textes << texte;
    }
    return c;
}

} // namespace

TEST(Tableur, HostileTextsReadBackAsTheBoardSentThem)
{
    for (const QLocale& locale : {frLocale, cLocale}) {
        const rec::Ecriture e(0, locale);
        rec::Lecture l(100);
        l.feed(enregistrement(locale));
        l.fin();
        const QList<TrameDatee> relues = l.prend();
        ASSERT_EQ(relues.size(), int(std::size(kHostiles))) << l.refus().toStdString();
        for (int k = 0; k < relues.size(); ++k) {
            SCOPED_TRACE(kHostiles[k].toStdString());
            EXPECT_TRUE(relues[k].trame == trame(kHostiles[k]));
            const acquisition::TrameCsv::Lecture seule =
                acquisition::TrameCsv::lit(acquisition::TrameCsv::ecrit(trame(kHostiles[k]), locale));
            ASSERT_TRUE(seule.trame) << seule.refus.toStdString();
            EXPECT_TRUE(*seule.trame == trame(kHostiles[k]));
        }
    }
    // Files written before texts were escaped read as they did.
    const QByteArray ancien =
        acquisition::TrameCsv::ecrit(trame("=1+1"), cLocale).replace("\"'=1+1\"", "\"=1+1\"");
    EXPECT_EQ(acquisition::TrameCsv::lit(ancien).trame->trigText, "=1+1");
}

TEST(Tableur, GnumericRunsNoCellAndPythonReadsEveryRow)
{
    if (QStandardPaths::findExecutable("ssconvert").isEmpty()) GTEST_SKIP() << "no ssconvert (gnumeric)";
    QTemporaryDir dossier;
    for (const auto& [nom, style] :
         {std::pair{QStringLiteral("fr_FR.UTF-8"), frLocale}, std::pair{QStringLiteral("C"), cLocale}}) {
        SCOPED_TRACE(nom.toStdString());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString lc = nom == QLatin1String("C") ? nom : locale(nom, dossier, env);
        ASSERT_FALSE(lc.isEmpty()) << "no locale " << nom.toStdString() << " (Debian's locales package)";
        env.insert("LC_ALL", lc);
        QStringList fichiers = {dossier.filePath(nom + "-session.csv")};
        writeFile(fichiers[0], enregistrement(style));
        for (int k = 0; k < int(std::size(kHostiles)); ++k) {
            fichiers << dossier.filePath(QStringLiteral("%1-trame%2.csv").arg(nom).arg(k));
            writeFile(fichiers.last(), acquisition::TrameCsv::ecrit(trame(kHostiles[k]), style));
        }
        QProcess gnumeric;
        gnumeric.setProcessEnvironment(env);
        const QString xml = dossier.filePath(nom + ".xml");
        gnumeric.start("ssconvert", QStringList{"--merge-to=" + xml} + fichiers);
        ASSERT_TRUE(gnumeric.waitForFinished(120000) && gnumeric.exitCode() == 0)
            << gnumeric.readAllStandardError().toStdString();
        const Cellules c = cellules(contents(xml));
        EXPECT_EQ(c.formules, 0);
        // Shown as the board sent them, where they hold nothing a cell cannot show.
        for (const char* texte : {"=1+1", "@SUM(1;2)", "+1", "-1+2", "'=1", "\"=1\""})
            EXPECT_GE(c.textes.count(texte), 2) << texte << ": in the recording and in its frame's file";

        // The README's recipes.
        const char* script = R"(
import csv, sys
for name in sys.argv[2:]:
    with open(name, newline='', encoding='utf-8-sig') as f:
        rows = list(csv.reader(f, delimiter=sys.argv[1]))
    if name.endswith('session.csv'):
        print(len([r for r in rows[4:] if len(r) == len(rows[3])]))
    else:
        print(len([[float(c.replace(',', '.')) if c else None for c in row] for row in rows[9:] if row]))
)";
        QProcess python;
        python.start("python3", QStringList{"-c", script, style == frLocale ? ";" : ","} + fichiers);
        ASSERT_TRUE(python.waitForFinished(30000) && python.exitCode() == 0)
            << python.readAllStandardError().toStdString();
        QStringList lignes =
            QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lignes.size(), fichiers.size());
        EXPECT_EQ(lignes.takeFirst().toInt(), int(std::size(kHostiles))) << "frames in the recording";
        EXPECT_EQ(lignes.count(QString::number(kSampleCount)), lignes.size())
            << "samples in each frame's file";
    }
}
