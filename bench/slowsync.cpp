// Preloaded into a benchmark run (LD_PRELOAD): every fdatasync and fsync takes VANTOR_SYNC_MS
// milliseconds (400 by default) before the real one, as on a slow USB stick or a network folder;
// while a file named by VANTOR_SYNC_FAILS exists, they fail with EIO instead, as a dying disk.
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

namespace {
void attend()
{
    const char* ms = std::getenv("VANTOR_SYNC_MS");
    const long n = ms ? std::atol(ms) : 400;
    timespec t{n / 1000, (n % 1000) * 1'000'000};
    while (nanosleep(&t, &t) != 0) {
    }
}

using Synchro = int (*)(int);

int pousse(Synchro vraie, int fd)
{
    attend();
    const char* echec = std::getenv("VANTOR_SYNC_FAILS");
    if (echec && ::access(echec, F_OK) == 0) {
        errno = EIO;
        return -1;
    }
    return vraie(fd);
}
} // namespace

extern "C" int fdatasync(int fd)
{
    static const auto vraie = reinterpret_cast<Synchro>(dlsym(RTLD_NEXT, "fdatasync"));
    return pousse(vraie, fd);
}

extern "C" int fsync(int fd)
{
    static const auto vraie = reinterpret_cast<Synchro>(dlsym(RTLD_NEXT, "fsync"));
    return pousse(vraie, fd);
}
