#include "acquisition/TrameCsv.h"
#include "support/Locales.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

using acquisition::DecodedFrame;
namespace csv = acquisition::TrameCsv;
using namespace testing_support;

namespace {

DecodedFrame sample()
{
    DecodedFrame t;
    t.gain1 = "500mV";
    t.gain2 = "   2V";
    t.timeField = "100m";
    t.trigText = "Auto A   >";
    t.trigLevel = 128;
    t.ac2 = true;
    for (int i = 0; i < kSampleCount; ++i) {
        t.ch1[i] = std::uint8_t(i * 3);
        t.ch2[i] = i % 2 ? 255 : 0;
    }
    return t;
}

// Python's csv module, told the convention the locale calls for, reads the file back.
QJsonObject readByPython(const QByteArray& file, const char* separator, const char* decimal)
{
    QTemporaryDir dir;
    QFile out(dir.filePath("trame.csv"));
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) return {};
    out.close();
    const char* script = R"(
import csv, json, sys
path, sep, dec = sys.argv[1:]
with open(path, newline='', encoding='utf-8-sig') as f:
    rows = list(csv.reader(f, delimiter=sep))
print(json.dumps({'settings': {r[0]: r[1:] for r in rows[1:7]}, 'columns': rows[8],
                  'data': [[float(c.replace(dec, '.')) for c in r] for r in rows[9:] if r]}))
)";
    QProcess python;
    python.start("python3", {"-c", script, out.fileName(), separator, decimal});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        ADD_FAILURE() << "python3: " << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

TEST(TrameCsv, PythonReadsTheFramesNumbersInTheLocalesConvention)
{
    const DecodedFrame t = sample();
    for (const auto& [locale, separator, decimal] :
         {std::tuple{frLocale, ";", ","}, std::tuple{cLocale, ",", "."}}) {
        SCOPED_TRACE(separator);
        const QJsonObject read = readByPython(csv::ecrit(t, locale), separator, decimal);
        const QJsonObject settings = read["settings"].toObject();
        EXPECT_EQ(settings["Base de temps"].toArray(), QJsonArray({"100ms/div"}));
        EXPECT_EQ(settings["Gain CH2"].toArray(), QJsonArray({"   2V/div"}));
        EXPECT_EQ(settings["Couplage CH2"].toArray(), QJsonArray({"AC"}));
        EXPECT_EQ(settings[QStringLiteral("D\u00e9clenchement")].toArray(),
                  QJsonArray({"Auto A   >", "128"}));
        EXPECT_EQ(read["columns"].toArray(),
                  QJsonArray({"Temps (s)", "CH1 (V)", "CH2 (V)", "CH1 (code)", "CH2 (code)"}));
        const QJsonArray data = read["data"].toArray();
        ASSERT_EQ(data.size(), kSampleCount);
        for (int i = 0; i < kSampleCount; ++i) {
            const QJsonArray row = data[i].toArray();
            // 10 divisions of 100 ms across 79 intervals; 8 divisions over the 255 codes, 0 V mid-way.
            EXPECT_NEAR(row[0].toDouble(), i * 1.0 / 79, 1e-12);
            EXPECT_NEAR(row[1].toDouble(), (t.ch1[i] - 127.5) * 8 * 0.5 / 255, 1e-12);
            EXPECT_NEAR(row[2].toDouble(), (t.ch2[i] - 127.5) * 8 * 2 / 255, 1e-12);
            EXPECT_EQ(row[3].toInt(), t.ch1[i]);
            EXPECT_EQ(row[4].toInt(), t.ch2[i]);
        }
    }
}

TEST(TrameCsv, EveryFrameReadsBackAsWritten)
{
    struct Case
    {
        const char* reason;
        QByteArray gain1, timeField, trigText;
        int trigLevel;
    };
    const Case cases[] = {
        {"the board's usual texts", "500mV", "100m", "Auto A   >", 128},
        {"separators, quotes and a line end in the texts", "5;\"V,", " 1\n2", "a;b,\"c\"\r\n", 0},
        {"Latin-1 letters and a micro unit", "10\xb5V", " 12u",
         "D\xe9"
         "clench",
         255},
        {"a short frame: empty texts, no unit, so no volts or times", "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        DecodedFrame t = sample();
        t.gain1 = c.gain1;
        t.timeField = c.timeField;
        t.trigText = c.trigText;
        t.trigLevel = c.trigLevel;
        for (const QLocale& locale : {frLocale, cLocale}) {
            const csv::Lecture read = csv::lit(csv::ecrit(t, locale));
            EXPECT_EQ(read.refus, QString());
            EXPECT_TRUE(read.trame == t);
        }
    }
}

TEST(TrameCsv, AnythingElseIsRefusedWithItsReason)
{
    DecodedFrame t = sample();
    t.ch1.fill(10);
    t.ch2.fill(20);
    const QByteArray good = csv::ecrit(t, cLocale);
    const auto replaced = [&](const char* from, const char* to) {
        return QByteArray(good).replace(from, to);
    };
    const qsizetype lastRow = good.lastIndexOf('\n', good.size() - 2);
    struct Case
    {
        const char* reason;
        QByteArray file;
        const char* said;
    };
    const Case cases[] = {
        {"empty", "", "vide"},
        {"huge", good + QByteArray(csv::kTailleMax, '\n'), "trop gros"},
        {"binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xd8", 18), "texte"},
        {"another program's columns", "date;valeur\n2024-01-01;3,5\n", "Vantor LCD"},
        {"another version of the format", replaced("trame,1", "trame,2"), "version"},
        {"cut inside a quoted text", good.left(good.indexOf("Auto A") + 3), "tronqu"},
        {"cut before the columns", good.left(good.indexOf("Temps")), "tronqu"},
        {"cut at the end of a row", good.left(lastRow + 1), "79 \u00e9chantillons"},
        {"cut inside the last row", good.left(good.size() - 4), "colonnes"},
        {"one sample too many", good + good.mid(lastRow + 1), "81 \u00e9chantillons"},
        {"a code past 255", replaced(",10,20\n", ",256,20\n"), "plage"},
        {"volts that do not follow the code", replaced("\n0,-1.8", "\n0,-1.7"), "volts"},
        {"times that do not follow the time base", replaced("\n0,-1.8", "\n1,-1.8"), "temps"},
        {"a coupling of neither kind", replaced("CH1,DC", "CH1,XX"), "couplage"},
        {"a gain without its /div", replaced("500mV/div", "500mV"), "gain"},
        {"a setting row out of place", replaced("Gain CH1", "Gain CH3"), "Gain CH1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const csv::Lecture read = csv::lit(c.file);
        EXPECT_FALSE(read.trame);
        EXPECT_TRUE(read.refus.contains(QString::fromUtf8(c.said))) << read.refus.toStdString();
    }
}

TEST(TrameCsv, VoltsAndTimesCutToThreeDecimalsReadAsTheSameCodes)
{
    // Saved again with three decimals: within half a code step and half a sample step.
    const QByteArray file = csv::ecrit(sample(), cLocale);
    const QByteArray cut =
        QString::fromUtf8(file)
            .replace(QRegularExpression(QStringLiteral("(\\.\\d{3})\\d+")), QStringLiteral("\\1"))
            .toUtf8();
    ASSERT_NE(cut, file);
    const csv::Lecture read = csv::lit(cut);
    EXPECT_EQ(read.refus, QString());
    EXPECT_TRUE(read.trame == sample());
}
