// Saving onto a full disk: a small tmpfs mounted for the test.
#include "support/FakeDialogs.h"
#include "support/SmallDisk.h"
#include "ui/Sauvegarde.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testing_support::FakeDialogs;

namespace {
class FullDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (const QString why = testing_support::mountSmallDisk(dir.path(), "64k"); !why.isEmpty())
            GTEST_SKIP() << why.toStdString() << ": the full-disk case is not shown";
        mounted = true;
        QFile old(dir.filePath(QStringLiteral("trace.bmp")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old picture");
        old.close();
        // Fill what is left, so that no picture fits any more.
        QFile filler(dir.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
    }
    void TearDown() override
    {
        if (mounted) testing_support::unmountSmallDisk(dir.path());
    }
    QStringList entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    bool mounted = false;
    QImage picture{QSize(329, 263), QImage::Format_RGB32};
};
} // namespace

TEST_F(FullDisk, ReplacingKeepsTheOldFileAndWarns)
{
    picture.fill(Qt::darkGreen);
    FakeDialogs dialogs;
    dialogs.fileNames = {dir.filePath(QStringLiteral("trace.bmp"))};
    dialogs.answers = {ui::Answer::Yes};
    int ret = 0;
    Sauvegarde::SauveImage(nullptr, dialogs, {.image = [&] { return picture; }}, ret);
    ASSERT_EQ(dialogs.warnings.size(), 1) << "a failed write is reported";
    QFile old(dir.filePath(QStringLiteral("trace.bmp")));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old picture"));
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("filler"), QStringLiteral("trace.bmp")}))
        << "no half file left";
}

TEST_F(FullDisk, NewNameWarnsAndLeavesNothing)
{
    picture.fill(Qt::darkBlue);
    FakeDialogs dialogs;
    dialogs.fileNames = {dir.filePath(QStringLiteral("image.bmp"))};
    int ret = 0;
    Sauvegarde::SauveImage(nullptr, dialogs, {.image = [&] { return picture; }}, ret);
    ASSERT_EQ(dialogs.warnings.size(), 1);
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("filler"), QStringLiteral("trace.bmp")}));
}
