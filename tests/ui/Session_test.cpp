// A recording: how it stops, what it refuses, and every frame written whatever the screen shows.
#include "acquisition/Chargement.h"
#include "acquisition/Fichier.h"
#include "acquisition/TrameCsv.h"
#include "support/Files.h"
#include "support/Frames.h"
#include "support/SmallDisk.h"
#include "support/Window.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
    acquisition::Chargement c(1000);
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
