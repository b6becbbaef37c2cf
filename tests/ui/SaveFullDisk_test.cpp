// Saving onto a full disk: a small tmpfs mounted for the test (root only).
#include "support/FakeDialogs.h"
#include "ui/Sauvegarde.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using testing_support::FakeDialogs;

namespace {
class FullDisk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP()
                << "mounting a small tmpfs needs root: the full-disk case is not shown for this user";
        ASSERT_TRUE(dir.isValid());
        const int rc = QProcess::execute(QStringLiteral("mount"),
                                         {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                          QStringLiteral("size=64k"), QStringLiteral("tmpfs"), dir.path()});
        if (rc != 0)
            GTEST_SKIP() << "this machine does not allow mounting a tmpfs (mount said " << rc
                         << "): the full-disk case is not shown";
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
        if (mounted) QProcess::execute(QStringLiteral("umount"), {dir.path()});
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
    Sauvegarde::SauveImage(nullptr, dialogs, [&] { return picture; }, ret);
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
    Sauvegarde::SauveImage(nullptr, dialogs, [&] { return picture; }, ret);
    ASSERT_EQ(dialogs.warnings.size(), 1);
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("filler"), QStringLiteral("trace.bmp")}));
}
