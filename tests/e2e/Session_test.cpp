// A session recorded from the simulated board, then opened in a fresh start of the program.
#include "acquisition/Chargement.h"
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Wait.h"
#include "ui/FormPrinc.h"

#include <QAction>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

using namespace testing_support;

TEST(EndToEnd, ASessionRecordedLiveOpensInAFreshStartAsItLooked)
{
    QTemporaryDir dir;
    const QString fichier = dir.filePath(QStringLiteral("session.csv"));
    std::map<int, QImage> vues; // by place in the recording: each frame's picture, drawn live alone
    {
        Board board({QStringLiteral("--rate"), QStringLiteral("real")});
        qputenv("VANTOR_COM1", board.path().toLocal8Bit());
        FakeDialogs dialogs;
        dialogs.fileNames = {fichier};
        ui::FormPrinc w(dialogs);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        ASSERT_TRUE(waitFor([&] { return w.framesDecoded >= 1; }, 5000));
        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_R));
        ASSERT_TRUE(w.enregistreur->actif());
        for (quint64 debut = w.framesDecoded, vu = debut; vues.size() < 4; vu = w.framesDecoded) {
            ASSERT_TRUE(waitFor([&] { return w.framesDecoded > vu; }, 5000));
            if (w.framesDecoded == vu + 1) vues[int(vu - debut)] = w.Scope->Image();
        }
        acquisition::Chargement deja;
        ASSERT_TRUE(deja.ouvre(fichier));
        while (deja.avance()) {
        }
        EXPECT_GE(deja.lecture().lues(), 4) << "on the disk before the recording stops";
        QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_R));
        EXPECT_FALSE(w.enregistreur->actif());
        EXPECT_NE(vues.begin()->second, vues.rbegin()->second) << "frames unlike each other";
    }
    qputenv("VANTOR_COM1", "/nonexistent/vantor-session");
    FakeDialogs dialogs;
    dialogs.openNames = {fichier, fichier};
    ui::FormPrinc w(dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    dialogs.warnings.clear(); // COM1 absent
    w.Open_Click();
    ASSERT_FALSE(w.chkRunStop->isChecked());
    const int recues = w.historique.size();
    for (int i = 0; i <= vues.rbegin()->first; ++i, QTest::keyClick(&w, Qt::Key_PageDown)) {
        if (vues.count(i)) {
            EXPECT_EQ(w.Scope->Image(), vues[i]) << "frame " << i;
        }
    }
    // Played at its pace, to its last frame.
    QTest::keyClick(&w, Qt::Key_L);
    EXPECT_TRUE(waitFor([&] { return w.trameAffichee() == w.historique.at(recues - 1); }, 5000));

    // Cut in its last row, as by a crash: opens to the frame before.
    QFile coupe(fichier);
    ASSERT_TRUE(coupe.resize(coupe.size() - 5));
    w.Open_Click();
    EXPECT_EQ(w.historique.size(), recues - 1);
    EXPECT_EQ(dialogs.warnings.size(), 1) << "the cut is told";
}
