// Preloaded into a benchmark run (LD_PRELOAD): every fdatasync and fsync takes VANTOR_SYNC_MS
// milliseconds (400 by default) before the real one, as on a slow USB stick or a network folder.
#include <cstdlib>
#include <dlfcn.h>
#include <time.h>

namespace {
void attend()
{
    const char* ms = std::getenv("VANTOR_SYNC_MS");
    const long n = ms ? std::atol(ms) : 400;
    timespec t{n / 1000, (n % 1000) * 1'000'000};
    while (nanosleep(&t, &t) != 0) {
    }
}

template <class F> F suivante(const char* nom)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, nom));
}
} // namespace

extern "C" int fdatasync(int fd)
{
    attend();
    static const auto vraie = suivante<int (*)(int)>("fdatasync");
    return vraie(fd);
}

extern "C" int fsync(int fd)
{
    attend();
    static const auto vraie = suivante<int (*)(int)>("fsync");
    return vraie(fd);
}
