// "Save Bmp" on a scaled desktop writes the BMP a 1x desktop writes, bit for bit, including
// the frames drawn while the dialog was open; the PNG holds the screen's own pixels.
#include "support/Bmp.h"
#include "support/FakeDialogs.h"
#include "support/Files.h"
#include "support/Frames.h"
#include "ui/FormPrinc.h"

#include <QCheckBox>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

QByteArray frame(int k)
{
    FrameFields f;
    for (int i = 0; i < kSampleCount; ++i) {
        f.ch1[i] = std::uint8_t(128 + (90 - 30 * k) * std::sin(i / 6.0 + k));
        f.ch2[i] = std::uint8_t(i % (20 + k) < 10 ? 60 : 190);
    }
    return onWire(frameText(f));
}

// A window with no board, drawing at `ratio`, with both cursors shown.
struct ScaledWindow
{
    explicit ScaledWindow(double ratio)
    {
        w.Scope->setDeviceRatio(ratio);
        w.ChkCursTemps->setChecked(true);
        w.ChkCursTension->setChecked(true);
        w.curseurs = {1000, 3000, 900, 2900};
    }
    FakeDialogs dialogs;
    ui::FormPrinc w{dialogs};
};

} // namespace

TEST(ScaledSave, WritesTheOneXFileOfTheFrameShownAtTheClick)
{
    qputenv("VANTOR_COM1", "/nonexistent/vantor-scaled-save");
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto saved = [&](double ratio, bool frameDuringDialog) {
        ScaledWindow scaled(ratio);
        auto& [dialogs, w] = scaled;
        for (int n = 1; n <= 4; ++n)
            w.CH(n)->setChecked(true);
        w.Reception(frame(0));
        if (!frameDuringDialog) w.Reception(frame(1));
        const QString path = folder.filePath(QStringLiteral("at%1-%2.bmp").arg(ratio).arg(frameDuringDialog));
        dialogs.fileNames = {path};
        dialogs.whileChoosing = [&] {
            if (frameDuringDialog) w.Reception(frame(1));
        };
        w.Save_Click();
        return contents(path);
    };
    const QByteArray oneX = saved(1, false), atTheClick = saved(1, true);
    ASSERT_TRUE(oneX.startsWith("BM"));
    EXPECT_FALSE(atTheClick == oneX) << "a frame drawn during the dialog is not the one saved";
    for (const double ratio : {1.0, 1.25, 1.5, 2.0, 3.0}) {
        EXPECT_TRUE(saved(ratio, false) == oneX) << "ratio " << ratio;
        EXPECT_TRUE(saved(ratio, true) == atTheClick) << "ratio " << ratio << ", a frame during the dialog";
    }
}

TEST(ScaledSave, PngHoldsThePixelsOnTheScreen)
{
    qputenv("VANTOR_COM1", "/nonexistent/vantor-scaled-save");
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        ScaledWindow scaled(ratio);
        auto& [dialogs, w] = scaled;
        w.Reception(frame(0));
        const QString png = folder.filePath(QStringLiteral("at%1.png").arg(ratio));
        const QString bmp = folder.filePath(QStringLiteral("at%1.bmp").arg(ratio));
        dialogs.fileNames = {png, bmp};
        w.Save_Click();
        w.Save_Click();
        const QImage saved = QImage(png, "PNG").convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(saved.isNull());
        const QImage oneX = w.Scope->Image();
        EXPECT_EQ(saved.size(), oneX.size() * ratio);
        const QImage shown = w.Scope->screenImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(saved == shown) << "the PNG is the screen's picture, pixel for pixel";
        if (ratio == 1) {
            const std::optional<Bitmap> b = decodeBmp(contents(bmp));
            ASSERT_TRUE(b && b->width == saved.width() && b->height == saved.height());
            for (int y = 0; y < saved.height(); ++y)
                for (int x = 0; x < saved.width(); ++x)
                    ASSERT_EQ(b->pixels[size_t(y) * b->width + x], saved.pixel(x, y)) << x << "," << y;
        }
    }
}
