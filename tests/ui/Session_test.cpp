// A recording that a full disk stops: one box, every whole frame kept.
#include "acquisition/Chargement.h"
#include "support/Frames.h"
#include "support/SmallDisk.h"
#include "support/Window.h"

#include <QAction>
#include <QTemporaryDir>

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
