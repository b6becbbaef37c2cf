#include "acquisition/Chargement.h"
#include "acquisition/Enregistreur.h"
#include "acquisition/Fichier.h"
#include "support/Files.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

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
    acquisition::Chargement c;
    Relu r;
    if (c.ouvre(chemin))
        while (c.avance()) {
        }
    if (const auto& s = c.session())
        for (qsizetype i = 0; i < s->taille(); ++i)
            r.trames << *s->trame(i);
    r.coupee = c.lecture().coupee();
    return r;
}

// The disk as a test plays it: each push as the system makes it, until `refus` is an errno.
std::atomic<int> refus{0}, poussees{0};
int pousseJouee(int fd)
{
    if (const int e = refus.load()) return errno = e, -1;
    const int r = acquisition::syncData(fd);
    ++poussees;
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

// Another program removes, replaces or moves the file: the recording stops, once, and says
// what is left.
TEST(Enregistreur, AFileRemovedReplacedOrMovedStopsTheRecording)
{
    const std::pair<std::function<void(const QString&)>, bool> cas[] = {
        {[](const QString& c) { QFile::remove(c); }, false},
        {[](const QString& c) { QFile::remove(c), writeFile(c, "autre"); }, false},
        {[](const QString& c) { QFile::rename(c, c + ".bak"); }, true}}; // a moved file keeps its frames
    for (const auto& [fait, garde] : cas) {
        QTemporaryDir dir;
        const QString chemin = dir.filePath("session.csv");
        acquisition::Enregistreur r;
        QSignalSpy echec(&r, &acquisition::Enregistreur::echec);
        ASSERT_TRUE(r.demarre(chemin, trame(0).arriveeMs) && r.estLeFichier(chemin));
        r.ecrit(trame(0));
        fait(chemin);
        EXPECT_FALSE(r.estLeFichier(chemin));
        ASSERT_TRUE(echec.wait(5000));
        EXPECT_FALSE(r.actif());
        EXPECT_EQ(r.fichierGarde() ? r.tramesGardees() : -1, garde ? 1 : -1);
        EXPECT_EQ(relu(chemin + ".bak").trames.size(), garde ? 1 : 0);
        r.ecrit(trame(1));
        QCoreApplication::processEvents();
        EXPECT_EQ(echec.size(), 1);
    }
}

// A push that fails: what it covered may never have reached the disk, so the file ends where
// the last good push did, and the reason is the system's.
TEST(Enregistreur, AFailedPushCutsTheFileBackToTheLastGoodOne)
{
    QTemporaryDir dir;
    const QString chemin = dir.filePath("session.csv");
    acquisition::Enregistreur r;
    r.pousse = pousseJouee;
    refus = 0, poussees = 0;
    QSignalSpy echec(&r, &acquisition::Enregistreur::echec);
    ASSERT_TRUE(r.demarre(chemin, trame(0).arriveeMs));
    r.ecrit(trame(0));
    r.ecrit(trame(1));
    ASSERT_TRUE(testing_support::waitFor([] { return poussees > 0; }, 5000));
    refus = EIO;
    r.ecrit(trame(2));
    ASSERT_TRUE(echec.wait(5000));
    EXPECT_EQ(echec.at(0).at(0).toString(), acquisition::Fichier::raisonSysteme(EIO));
    EXPECT_FALSE(r.actif());
    EXPECT_EQ(r.tramesGardees(), 2);
    const Relu lu = relu(chemin);
    EXPECT_EQ(lu.trames.size(), 2);
    EXPECT_FALSE(lu.coupee) << "cut at a row's end";
}
