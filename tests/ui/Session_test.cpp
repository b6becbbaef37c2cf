// A recording: how it stops, what it refuses, and every frame written whatever the screen shows.
#include "acquisition/Chargement.h"
#include "acquisition/Enregistrement.h"
#include "acquisition/Fichier.h"
#include "acquisition/TrameCsv.h"
#include "support/Files.h"
#include "support/Frames.h"
#include "support/SmallDisk.h"
#include "support/Window.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sys/stat.h>

using namespace testing_support;

TEST_F(WindowTest, ADiskThatFillsStopsTheRecordingWithOneBoxNamingTheFile)
{
    QTemporaryDir dir;
    if (const QString why = mountSmallDisk(dir.path(), "64k"); !why.isEmpty())
        GTEST_SKIP() << why.toStdString() << ": the full-disk case is not shown";
    const QString fichier = dir.filePath(QStringLiteral("session.csv"));
    dialogs.fileNames = {fichier};
    w->EnrSession->trigger();
    ASSERT_EQ(w->EnrSession->text(), QStringLiteral("Arr\u00eater l'enregistrement"));
    FrameFields f;
    for (int k = 0; k < 200 && dialogs.warnings.isEmpty(); ++k) {
        f.ch1 = ramp(k, 1);
        w->Reception(onWire(frameText(f)));
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(dialogs.warnings.size(), 1);
    EXPECT_TRUE(dialogs.warnings[0].contains(fichier));
    EXPECT_TRUE(dialogs.warnings[0].contains(acquisition::Fichier::raisonSysteme(ENOSPC)))
        << "the system's reason";
    EXPECT_EQ(w->EnrSession->text(), QStringLiteral("Enregistrer la session\u2026"));
    w->Reception(onWire(frameText(f)));
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.warnings.size(), 1) << "told once";
    acquisition::Chargement c;
    ASSERT_TRUE(c.ouvre(fichier));
    while (c.avance()) {
    }
    EXPECT_EQ(c.lecture().lues(), w->enregistreur->trames());
    EXPECT_GT(c.lecture().lues(), 40) << "what was written stays";
    EXPECT_FALSE(c.lecture().coupee()) << "the row the disk cut is taken away";
    unmountSmallDisk(dir.path());
}

TEST_F(WindowTest, EveryFrameIsRecordedWhateverTheScreenShows)
{
    QTemporaryDir dir;
    FrameFields f;
    writeFile(dir.filePath("trame.csv"),
              acquisition::TrameCsv::ecrit(acquisition::decodeFrame(frameText(f)), {}));
    dialogs.fileNames = {dir.filePath("session.csv")};
    dialogs.openNames = {dir.filePath("trame.csv")};
    w->EnrSession->trigger();
    const std::function<void()> ecrans[] = {[] {}, [&] { w->chkRunStop->setChecked(false); },
                                            [&] { QTest::keyClick(w.get(), Qt::Key_PageUp); },
                                            [&] { w->Open->trigger(); }};
    for (const auto& ecran : ecrans) {
        ecran();
        w->Reception(onWire(frameText(f)));
    }
    EXPECT_EQ(w->enregistreur->trames(), 4);
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

// Nothing is written where it would break something (a pipe without a reader would block the
// window for ever): the session being recorded, a pipe, by a save or a recording.
TEST_F(WindowTest, SavesAndRecordingsRefuseTheRecordingsFileAndAPipe)
{
    QTemporaryDir dir;
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("tube.csv")).constData(), 0600), 0);
    dialogs.fileNames = {dir.filePath("session.csv"), dir.filePath("session.csv"), dir.filePath("tube.csv"),
                         dir.filePath("tube.csv")};
    w->EnrSession->trigger();
    w->Reception(onWire(frameText(FrameFields{})));
    w->Save->trigger();
    w->Save->trigger();
    ASSERT_EQ(dialogs.warnings.size(), 2);
    EXPECT_TRUE(
        dialogs.warnings[0].contains(w->enregistreur->refusSurLeFichier(dir.filePath("session.csv"))));
    EXPECT_EQ(w->enregistreur->trames(), 1);
    EXPECT_FALSE(
        acquisition::Fichier::refusSurLecture(dir.filePath("session.csv"), dir.filePath("session.csv"))
            .isEmpty());
}

// Closing ends the recording as Ctrl+R does, and nothing is told once the window has gone: not
// even a key whose byte was still on its way.
TEST_F(WindowTest, ClosingWhileRecordingEndsItAndTellsNothingAfter)
{
    QTemporaryDir dir;
    dialogs.fileNames = {dir.filePath("session.csv")};
    w->show();
    w->EnrSession->trigger();
    ASSERT_TRUE(w->MSComm1->PortOpen());
    w->CmdClav(7)->click();
    w->close();
    EXPECT_FALSE(w->enregistreur->actif());
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.warnings.isEmpty()) << dialogs.warnings.join('\n').toStdString();
}

namespace {
// A recording of `n` frames unlike each other, written as the recorder writes it: several slices.
QString recording(const QTemporaryDir& dir, int n)
{
    const QString chemin = dir.filePath(QStringLiteral("longue.csv"));
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) return {};
    const acquisition::Enregistrement::Ecriture e(0, QLocale());
    f.write(e.entete());
    FrameFields fields;
    for (int k = 0; k < n; ++k) {
        fields.ch1 = ramp(k % 200, 1);
        f.write(e.ligne({acquisition::decodeFrame(QByteArray(frameText(fields)).sliced(1)), 34 * k}));
    }
    return chemin;
}
} // namespace

// A load's progress through the dialogs: Annuler, another "Ouvrir", Ctrl+R, each while it shows.
TEST_F(WindowTest, ALoadGoesThroughItsProgress)
{
    QTemporaryDir dir;
    const QString longue = recording(dir, 3000);
    const QString seule = dir.filePath(QStringLiteral("trame.csv"));
    w->Reception(onWire(frameText(FrameFields{})));
    dialogs.fileNames = {seule};
    w->Save_Click();
    const auto charge = [&](std::function<bool(int)> pendant) {
        dialogs.whileLoading = std::move(pendant);
        dialogs.openNames = {longue};
        w->Open_Click();
        EXPECT_TRUE(waitFor([&] { return !w->chargementEnCours(); }, 10000));
        EXPECT_TRUE(dialogs.warnings.isEmpty()) << dialogs.warnings.join('\n').toStdString();
    };
    // Annuler: what was found stays open, nothing more is read.
    charge([](int) { return true; });
    ASSERT_TRUE(w->affichage.sessionOuverte());
    EXPECT_LT(w->affichage.sessionOuverte()->taille(), 3000);
    // Another file opened meanwhile takes the load's place.
    charge([&](int pas) {
        if (pas == 0) dialogs.openNames = {seule}, w->Open_Click();
        return false;
    });
    EXPECT_EQ(w->affichage.source(), acquisition::Affichage::Source::Fichier);
    // A recording started meanwhile: the load goes on to the end, the board's frames are recorded.
    const QString enr = dir.filePath(QStringLiteral("enr.csv"));
    charge([&](int pas) {
        if (pas == 0) dialogs.fileNames = {enr}, w->EnrSession_Click();
        return false;
    });
    ASSERT_TRUE(w->affichage.sessionOuverte());
    EXPECT_EQ(w->affichage.sessionOuverte()->taille(), 3000);
    w->Reception(onWire(frameText(FrameFields{})));
    EXPECT_EQ(w->enregistreur->trames(), 1);
    EXPECT_EQ(w->affichage.source(), acquisition::Affichage::Source::Session) << "not drawn over the session";
    EXPECT_EQ(dialogs.progressions, 3);
    // A damaged row: the box that tells it comes once the progress has gone.
    QFile f(longue);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(f.size() / 2) && f.write("\n?\n") == 3);
    f.close();
    dialogs.whileLoading = {};
    dialogs.openNames = {longue};
    w->Open_Click();
    EXPECT_TRUE(waitFor([&] { return !w->chargementEnCours(); }, 10000));
    EXPECT_EQ(dialogs.progressions, 4);
    EXPECT_EQ(dialogs.warnings.size(), 1);
    EXPECT_EQ(dialogs.boxesUnderProgress, 0);
}
