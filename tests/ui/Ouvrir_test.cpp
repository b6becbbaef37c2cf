// "Ouvrir" shows a frame saved as CSV as it was when saved, keeps it while the board sends, and
// gives the screen back to the board when Run/Stop is ticked; anything else changes nothing.
#include "acquisition/TrameCsv.h"
#include "support/Files.h"
#include "support/Frames.h"
#include "support/Window.h"
#include "ui/Led.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace testing_support;

namespace {

QByteArray frame(const char* time, int k)
{
    FrameFields f;
    f.time = time;
    f.gain1 = k ? "  1V" : "200mV";
    f.coupling2 = k ? "dc" : "ac";
    f.level = k ? "20" : "C0";
    f.ch1 = ramp(20 + 40 * k, 2);
    f.ch2 = ramp(250 - 30 * k, -3);
    return onWire(frameText(f));
}

// What the panel shows of a frame: indicators, ticks and measurements.
QStringList panel(const ui::FormPrinc& w)
{
    QStringList texts;
    for (const QLabel* l :
         {w.gainCH1, w.gainCH2, w.lblTime, w.lblTrig, w.lblCH1moy, w.lblCH1delta, w.lblCH2min, w.lblCH2max,
          w.LblCursT1, w.lblVa1}) // readouts in the frame's own scales
        texts << l->text();
    for (int n = 1; n <= 2; ++n)
        texts << QString::number(w.CH(n)->isChecked()) << QString::number(w.AC_CH(n)->isChecked());
    texts << QString::number(w.Led1->FillColor()) << QString::number(w.Led3->FillColor());
    return texts;
}

class Ouvrir : public WindowTest
{
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    void SetUp() override
    {
        WindowTest::SetUp();
        w->Slider2(1)->setValue(150);
        w->Slider2(2)->setValue(90);
        w->ChkCursTemps->setChecked(true);
        w->ChkCursTension->setChecked(true);
        w->curseurs = {1000, 3000, 900, 2900};
    }
};

} // namespace

TEST_F(Ouvrir, ShowsTheSavedFrameUntilRunStopIsTickedAgain)
{
    const auto drag = [&] {
        w->Scope_MouseMove(1, 0, 1000, 900);
        w->Scope_MouseMove(1, 1, 1000, 900);
    };
    w->Reception(frame("100m", 0));
    drag();
    const QStringList saved = panel(*w);
    dialogs.fileNames = {path("avant.bmp"), path("trame.csv")};
    w->Save_Click();
    w->Save_Click();
    w->Reception(frame(" 12u", 1));
    drag();
    ASSERT_NE(panel(*w), saved);

    dialogs.openNames = {path("trame.csv")};
    w->Open->trigger();
    EXPECT_TRUE(dialogs.warnings.isEmpty()) << dialogs.warnings.join('\n').toStdString();
    EXPECT_EQ(status(), QStringLiteral("trame.csv"));
    EXPECT_FALSE(w->chkRunStop->isChecked());
    EXPECT_EQ(panel(*w), saved);
    dialogs.fileNames = {path("apres.bmp")};
    w->Save_Click();
    EXPECT_EQ(contents(path("apres.bmp")), contents(path("avant.bmp")))
        << "the same screen, offsets and cursors";

    const QImage shown = w->Scope->Image();
    w->Reception(frame(" 12u", 1));
    EXPECT_EQ(w->Scope->Image(), shown) << "a live frame does not replace the file's";
    EXPECT_EQ(panel(*w), saved);
    EXPECT_EQ(status(), QStringLiteral("trame.csv"));

    w->chkRunStop->click();
    w->Reception(frame(" 12u", 1));
    EXPECT_NE(w->Scope->Image(), shown) << "live again";
    EXPECT_NE(panel(*w), saved);
    EXPECT_EQ(status(), QStringLiteral("Rx OK"));
}

TEST_F(Ouvrir, RefusedFileChangesNothing)
{
    w->Reception(frame("100m", 0));
    writeFile(path("notes.csv"), "date;valeur\n2024-01-01;3,5\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir("dossier.csv"));
    ASSERT_EQ(mkfifo(QFile::encodeName(path("tube.csv")).constData(), 0600), 0);
    // Another program's file, a file that is not there, a folder, a pipe that would block.
    for (const char* name : {"notes.csv", "absent.csv", "dossier.csv", "tube.csv"}) {
        SCOPED_TRACE(name);
        const QStringList before = panel(*w);
        const QImage shown = w->Scope->Image();
        const QString statusBefore = status();
        dialogs.warnings.clear();
        dialogs.openNames = {path(name)};
        w->Open_Click();
        ASSERT_EQ(dialogs.warnings.size(), 1);
        EXPECT_TRUE(dialogs.warnings[0].startsWith(QStringLiteral("Impossible d'ouvrir ") + path(name)));
        EXPECT_EQ(panel(*w), before);
        EXPECT_EQ(w->Scope->Image(), shown);
        EXPECT_EQ(status(), statusBefore);
        EXPECT_TRUE(w->chkRunStop->isChecked());
        EXPECT_TRUE(w->MSComm1->PortOpen());
    }
}

TEST_F(Ouvrir, CsvHoldsTheFrameOnTheScreenWhileRunStopIsUnticked)
{
    const QByteArray shown = frame("100m", 0);
    w->Reception(shown);
    w->chkRunStop->click();
    const QImage picture = w->Scope->Image();
    const QByteArray newest = frame(" 12u", 1);
    w->Reception(newest); // decoded, not drawn
    w->CmdResetOffset(3)->click();
    EXPECT_EQ(w->Scope->Image(), picture) << "a redraw does not change which frame is shown";
    // The frame as decoded, less the board's terminator and end code.
    const auto saves = [&](const QByteArray& f) {
        dialogs.fileNames = {path("trame.csv")};
        dialogs.answers = {ui::Answer::Yes};
        w->Save_Click();
        return acquisition::TrameCsv::litFichier(path("trame.csv")).trame ==
               acquisition::decodeFrame(f.mid(1, f.size() - 3));
    };
    EXPECT_TRUE(saves(shown));
    w->cmdScope->click();
    EXPECT_NE(w->Scope->Image(), picture) << "a mode button shows the board's newest, and saves follow";
    EXPECT_TRUE(saves(newest));
}

TEST_F(Ouvrir, NoCsvBeforeAnyFrame)
{
    dialogs.fileNames = {path("trame.csv")};
    w->Save_Click();
    EXPECT_EQ(dialogs.warnings.size(), 1);
    EXPECT_FALSE(QFile::exists(path("trame.csv")));
}
