// Saving onto a full disk: a small tmpfs mounted for the test (root only), in a mount
// namespace of the test's own, so that the kernel drops the mount with the process even when
// the test fails or is killed.
#include "support/FakeDialogs.h"
#include "ui/Sauvegarde.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
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
        // Private mounts: nothing mounted here shows outside this process.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "no private mount namespace (" << std::strerror(errno)
                         << "; in a chroot, / must be a mount point): the full-disk case is not shown";
        if (::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "this machine does not allow mounting a tmpfs (" << std::strerror(errno)
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
        // So that the folder can be removed; the mount would go with the process anyway.
        if (mounted) ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
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
