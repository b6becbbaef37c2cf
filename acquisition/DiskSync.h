#pragma once

#include <QtGlobal>
#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace acquisition {

// Sends a file's data, as the system holds it, to the disk: 0, or -1 with errno set.
inline int syncData(int fd)
{
#ifdef Q_OS_WIN
    return ::_commit(fd);
#else
    return ::fdatasync(fd);
#endif
}

} // namespace acquisition
