// "Save Bmp" on a scaled desktop writes the file a 1x desktop writes, bit for bit, including
// the frames drawn while the dialog was open.
#include "support/Frames.h"
#include "ui/Dialogs.h"
#include "ui/FormPrinc.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

using namespace testing_support;

namespace {

// Chooses one file name; the board goes on sending while the dialog is open.
struct ChoosingDialogs final : ui::Dialogs
{
    QString name;
    std::function<void()> whileChoosing;

    void warning(QWidget*, const QString&) override {}
    ui::Answer question(QWidget*, const QString&) override { return ui::Answer::Cancel; }
    std::optional<QString> saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        if (name.isEmpty()) return std::nullopt;
        whileChoosing();
        return std::exchange(name, {});
    }
};

QByteArray frame(int k)
{
    FrameFields f;
    for (int i = 0; i < kSampleCount; ++i) {
        f.ch1[i] = std::uint8_t(128 + (90 - 30 * k) * std::sin(i / 6.0 + k));
        f.ch2[i] = std::uint8_t(i % (20 + k) < 10 ? 60 : 190);
    }
    return onWire(frameText(f));
}

} // namespace

TEST(ScaledSave, WritesTheOneXFileOfTheLatestFrame)
{
    qputenv("VANTOR_COM1", "/nonexistent/vantor-scaled-save");
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto saved = [&](double ratio, bool frameDuringDialog) {
        ChoosingDialogs dialogs;
        ui::FormPrinc w(dialogs);
        w.Scope->setDeviceRatio(ratio);
        for (int n = 1; n <= 4; ++n)
            w.CH(n)->setChecked(true);
        w.ChkCursTemps->setChecked(true);
        w.ChkCursTension->setChecked(true);
        w.curseurs = {1000, 3000, 900, 2900};
        w.Reception(frame(0));
        if (!frameDuringDialog) w.Reception(frame(1));
        const QString path = folder.filePath(QStringLiteral("at%1-%2.bmp").arg(ratio).arg(frameDuringDialog));
        dialogs.name = path;
        dialogs.whileChoosing = [&] {
            if (frameDuringDialog) w.Reception(frame(1));
        };
        w.Save_Click();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray oneX = saved(1, false);
    ASSERT_TRUE(oneX.startsWith("BM"));
    for (const double ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        EXPECT_TRUE(saved(ratio, false) == oneX) << "ratio " << ratio;
        EXPECT_TRUE(saved(ratio, true) == oneX) << "ratio " << ratio << ", a frame during the dialog";
    }
}
