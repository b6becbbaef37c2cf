#include "acquisition/Chargement.h"
#include "acquisition/Enregistreur.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using acquisition::TrameDatee;
using testing_support::writeFile;

namespace {

TrameDatee trame(int k)
{
    TrameDatee t;
    t.arriveeMs = 1'796'000'000'000 + 34 * k;
    t.trame.gain1 = "500mV";
    t.trame.timeField = "100m";
    for (int i = 0; i < kSampleCount; ++i)
        t.trame.ch1[i] = t.trame.ch2[i] = std::uint8_t(100 + (i + k) % 150);
    return t;
}

struct Relu
{
    QList<TrameDatee> trames;
    bool coupee = false;
};

// What a fresh start of the program reads of the file now.
Relu relu(const QString& chemin)
{
    acquisition::Chargement c(1'000'000);
    Relu r;
    if (c.ouvre(chemin))
        while (c.avance())
            r.trames += c.prend();
    r.trames += c.prend();
    r.coupee = c.lecture().coupee();
    return r;
}

} // namespace

TEST(Enregistreur, EachFrameIsInTheFileAsSoonAsItArrives)
{
    QTemporaryDir dir;
    acquisition::Enregistreur r;
    ASSERT_TRUE(r.demarre(dir.filePath("session.csv"), trame(0).arriveeMs));
    for (int k = 0; k < 3; ++k)
        r.ecrit(trame(k));
    // Still recording: a crash now would leave these three.
    const Relu lu = relu(dir.filePath("session.csv"));
    ASSERT_EQ(lu.trames.size(), 3);
    EXPECT_TRUE(lu.trames.last() == trame(2));
    r.arrete();
    EXPECT_FALSE(r.actif());
}

TEST(Enregistreur, AFileThatCannotBeCreatedSaysWhyAndLeavesNothing)
{
    QTemporaryDir dir;
    acquisition::Enregistreur r;
    EXPECT_FALSE(r.demarre(dir.filePath("absent/session.csv"), 0));
    EXPECT_FALSE(r.erreur().isEmpty());
    EXPECT_FALSE(r.actif());
}

// Only a regular file is written: a pipe without a reader would block the window for ever, a
// terminal or a device would get the head, and none may be removed when the start fails.
TEST(Enregistreur, AnythingButARegularFileIsRefusedAndLeftAsItIs)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("tube");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& chemin : {fifo, QStringLiteral("/dev/null"), QStringLiteral("/dev/tty")}) {
        SCOPED_TRACE(chemin.toStdString());
        acquisition::Enregistreur r;
        EXPECT_FALSE(r.demarre(chemin, 0));
        EXPECT_FALSE(r.erreur().isEmpty());
        EXPECT_TRUE(QFileInfo::exists(chemin));
    }
    EXPECT_FALSE(QFileInfo(fifo).isFile());
}

// Another program removes, replaces or moves the file: the recording stops within a second, once,
// and says what is left.
TEST(Enregistreur, AFileRemovedReplacedOrMovedStopsTheRecording)
{
    const struct
    {
        const char* quoi;
        std::function<void(const QString&)> fait;
        bool garde;
    } cas[] = {
        {"removed", [](const QString& c) { QFile::remove(c); }, false},
        {"replaced", [](const QString& c) { QFile::remove(c), writeFile(c, "autre"); }, false},
        {"moved", [](const QString& c) { QFile::rename(c, c + ".bak"); }, true},
    };
    for (const auto& [quoi, fait, garde] : cas) {
        SCOPED_TRACE(quoi);
        QTemporaryDir dir;
        const QString chemin = dir.filePath("session.csv");
        acquisition::Enregistreur r;
        QSignalSpy echec(&r, &acquisition::Enregistreur::echec);
        ASSERT_TRUE(r.demarre(chemin, trame(0).arriveeMs));
        EXPECT_TRUE(r.estLeFichier(chemin));
        r.ecrit(trame(0));
        fait(chemin);
        EXPECT_FALSE(r.estLeFichier(chemin));
        ASSERT_TRUE(echec.wait(5000));
        EXPECT_FALSE(r.actif());
        EXPECT_EQ(r.fichierGarde(), garde);
        EXPECT_EQ(r.tramesGardees(), garde ? 1 : 0);
        r.ecrit(trame(1));
        QCoreApplication::processEvents();
        EXPECT_EQ(echec.size(), 1);
        if (garde) EXPECT_EQ(relu(chemin + ".bak").trames.size(), 1);
    }
}
