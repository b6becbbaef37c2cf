// Texts from the wire that a spreadsheet would run or a CSV reader trip on, in both frame files.
#include "acquisition/Enregistrement.h"
#include "acquisition/TrameCsv.h"
#include "support/Files.h"
#include "support/Locales.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace testing_support;
namespace csv = acquisition::TrameCsv;

namespace {

const QByteArray kHostiles[] = {
    "=1+1", "@SUM(1;2)", "+1", "-1+2",      "'=1",
    "=",    "'",                                           // formulas; apostrophes of the board's own
    "\t=1", "\r=1",      "\n", {"a\0b", 3}, "\x7f\x1b[2J", // what also runs, splits a row, or stops Python
};

acquisition::DecodedFrame trame(const QByteArray& texte)
{
    acquisition::DecodedFrame d;
    d.trigText = texte.left(10);
    d.gain1 = texte.left(5);
    d.timeField = texte.left(4);
    return d;
}

// All the texts in one recording, then each in a frame's file.
QList<QByteArray> fichiers(const QLocale& locale)
{
    const acquisition::Enregistrement::Ecriture e(0, locale);
    QList<QByteArray> f = {e.entete()};
    for (const QByteArray& h : kHostiles) {
        f[0] += e.ligne({trame(h), 40});
        f << csv::ecrit(trame(h), locale);
    }
    return f;
}

} // namespace

// The program reads back what the board sent; Gnumeric (in French and in C) computes no cell and
// shows the texts as sent; Python's csv, as the README uses it, reads every row.
TEST(Tableur, HostileTextsAreTextInASpreadsheetAndReadBackAsSent)
{
    QTemporaryDir dir;
    // A fresh Debian has no French locale until one is made: made here, from Debian's sources.
    ASSERT_EQ(QProcess::execute("localedef", {"-i", "fr_FR", "-f", "UTF-8", dir.filePath("fr_FR.UTF-8")}), 0);
    for (const auto& [lc, style] : {std::pair{"fr_FR.UTF-8", frLocale}, std::pair{"C", cLocale}}) {
        SCOPED_TRACE(lc);
        const QList<QByteArray> f = fichiers(style);
        acquisition::Enregistrement::Lecture l(100);
        l.feed(f[0]);
        l.fin();
        const QList<acquisition::TrameDatee> relues = l.prend();
        ASSERT_EQ(relues.size(), int(std::size(kHostiles))) << l.refus().toStdString();
        QStringList noms = {dir.filePath(QStringLiteral("%1-0.csv").arg(QLatin1String(lc)))};
        writeFile(noms[0], f[0]);
        for (int k = 0; k < relues.size(); ++k) {
            EXPECT_TRUE(relues[k].trame == trame(kHostiles[k])) << k;
            EXPECT_TRUE(csv::lit(f[k + 1]).trame == trame(kHostiles[k])) << k;
            noms << dir.filePath(QStringLiteral("%1-%2.csv").arg(QLatin1String(lc)).arg(k + 1));
            writeFile(noms.last(), f[k + 1]);
        }
        QProcess gnumeric;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LOCPATH", dir.path());
        env.insert("LC_ALL", lc);
        gnumeric.setProcessEnvironment(env);
        gnumeric.start("ssconvert", QStringList{"--merge-to=" + dir.filePath("out.xml")} + noms);
        ASSERT_TRUE(gnumeric.waitForFinished(120000) && gnumeric.exitCode() == 0) << "ssconvert (gnumeric)";
        const QString xml = QString::fromUtf8(contents(dir.filePath("out.xml")));
        // A computed cell has no type of its own.
        EXPECT_EQ(xml.count(QRegularExpression("<gnm:Cell (?![^>]*ValueType)")), 0);
        for (const char* texte : {"=1+1", "@SUM(1;2)", "+1", "-1+2", "'=1"})
            EXPECT_GE(xml.count(QStringLiteral("ValueType=\"60\">%1<").arg(texte)), 2)
                << texte << " shown as sent";

        const char* script = R"(
import csv, sys
for name in sys.argv[2:]:
    with open(name, newline='', encoding='utf-8-sig') as f:
        rows = list(csv.reader(f, delimiter=sys.argv[1]))
    if name.endswith('-0.csv'): print(len([r for r in rows[4:] if len(r) == len(rows[3])]))
    else: print(len([[float(c.replace(',', '.')) if c else None for c in row] for row in rows[9:] if row]))
)";
        QProcess python;
        python.start("python3", QStringList{"-c", script, style == frLocale ? ";" : ","} + noms);
        ASSERT_TRUE(python.waitForFinished(30000) && python.exitCode() == 0)
            << python.readAllStandardError().toStdString();
        const QStringList n =
            QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(n.size(), noms.size());
        EXPECT_EQ(n.count(QString::number(kSampleCount)), n.size() - 1) << "samples in each frame's file";
        EXPECT_EQ(n[0].toInt(), int(std::size(kHostiles))) << "frames in the recording";
    }
    // A file written before texts were escaped reads as it did.
    EXPECT_EQ(csv::lit(csv::ecrit(trame("=1"), cLocale).replace("'=1", "=1")).trame->trigText, "=1");
}
