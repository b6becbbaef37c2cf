#pragma once

// A small tmpfs for full-disk cases (root only), in a mount namespace of the test's own, so that
// the kernel drops the mount with the process even when the test fails or is killed.
#include <QFile>
#include <QString>
#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace testing_support {

// Mounts a tmpfs of `size` (as mount takes it: "64k") on `folder`; empty when done, otherwise why
// not, for the test to skip with.
inline QString mountSmallDisk(const QString& folder, const char* size)
{
    if (geteuid() != 0) return QStringLiteral("mounting a small tmpfs needs root");
    // Private mounts: nothing mounted here shows outside this process.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return QStringLiteral("no private mount namespace (%1; in a chroot, / must be a mount point)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    const QByteArray options = QByteArray("size=") + size;
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) != 0)
        return QStringLiteral("this machine does not allow mounting a tmpfs (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

// So that the folder can be removed; the mount would go with the process anyway.
inline void unmountSmallDisk(const QString& folder)
{
    ::umount2(QFile::encodeName(folder).constData(), MNT_DETACH);
}

} // namespace testing_support
