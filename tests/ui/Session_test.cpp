// A recording: every frame written whatever the screen shows, the file it knows, and how it stops.
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
#include <cerrno>
#include <sys/stat.h>

using namespace testing_support;

namespace {
qsizetype lues(const QString& fichier)
{
    acquisition::Chargement c(1000);
    if (!c.ouvre(fichier)) return -1;
    while (c.avance()) {
    }
    return c.lecture().lues();
}
} // namespace

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
    const QString fichier = dir.filePath(QStringLiteral("session.csv"));
    const QString seule = dir.filePath(QStringLiteral("trame.csv"));
    FrameFields f;
    writeFile(seule, acquisition::TrameCsv::ecrit(acquisition::decodeFrame(frameText(f)), QLocale()));
    dialogs.fileNames = {fichier};
    dialogs.openNames = {seule};
    w->EnrSession->trigger();
    int envoyees = 0;
    const auto recoit = [&](int n) {
        for (int k = 0; k < n; ++k, ++envoyees) {
            f.ch1 = ramp(envoyees, 1);
            w->Reception(onWire(frameText(f)));
        }
    };
    recoit(3);
    w->chkRunStop->setChecked(false); // frozen
    recoit(3);
    QTest::keyClick(w.get(), Qt::Key_PageUp); // a past frame
    recoit(3);
    w->Open->trigger(); // a file
    recoit(3);
    w->EnrSession->trigger();
    EXPECT_EQ(lues(fichier), envoyees);
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

// Nothing written where it would break something: the file being recorded, a pipe, a device, or a
// file being read (Ctrl+R there would truncate it under the reader).
TEST_F(WindowTest, SavesAndRecordingsRefuseFilesTheyWouldBreak)
{
    QTemporaryDir dir;
    const QString fichier = dir.filePath(QStringLiteral("session.csv"));
    const QString tube = dir.filePath(QStringLiteral("tube.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tube).constData(), 0600), 0);
    dialogs.fileNames = {fichier, fichier, tube};
    dialogs.answers = {ui::Answer::Yes};
    w->EnrSession->trigger();
    w->Reception(onWire(frameText(FrameFields{})));
    w->Save->trigger(); // onto the session, "Replace?" answered yes
    w->Save->trigger(); // onto the pipe: refused, not blocked
    ASSERT_EQ(dialogs.warnings.size(), 2);
    EXPECT_TRUE(dialogs.warnings[0].contains(w->enregistreur->refusSurLeFichier(fichier)));
    EXPECT_TRUE(w->enregistreur->actif());
    w->EnrSession->trigger();
    EXPECT_EQ(lues(fichier), 1);

    // Ctrl+R onto the file a load is reading.
    EXPECT_FALSE(acquisition::Fichier::refusSurLecture(fichier, fichier).isEmpty());
    EXPECT_TRUE(acquisition::Fichier::refusSurLecture(fichier, tube).isEmpty());
}

// Closing the window ends the recording as Ctrl+R does; nothing is told once it has gone, not
// even a key whose byte was still on its way.
TEST_F(WindowTest, ClosingWhileRecordingEndsItAndTellsNothingAfter)
{
    QTemporaryDir dir;
    const QString fichier = dir.filePath(QStringLiteral("session.csv"));
    dialogs.fileNames = {fichier};
    w->show();
    w->EnrSession->trigger();
    w->Reception(onWire(frameText(FrameFields{})));
    ASSERT_TRUE(w->MSComm1->PortOpen());
    w->CmdClav(7)->click();
    w->close();
    EXPECT_FALSE(w->enregistreur->actif());
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.warnings.isEmpty()) << dialogs.warnings.join('\n').toStdString();
    EXPECT_EQ(lues(fichier), 1);
}
