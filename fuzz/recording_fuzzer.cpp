// Arbitrary bytes as a file given to "Ouvrir", read in slices as the window reads a recording:
// the reader either refuses them with a reason or returns at most its bound of frames that,
// recorded again in either convention, read back the same.
#include "acquisition/Enregistrement.h"

#include <QLocale>
#include <cstdint>
#include <cstdlib>

namespace {

namespace rec = acquisition::Enregistrement;

constexpr qsizetype kBorne = 3;

struct Lu
{
    QList<acquisition::TrameDatee> trames;
    QString refus;
    qint64 debutMs;
};

Lu lis(QByteArrayView octets, qsizetype tranche)
{
    rec::Lecture l(kBorne);
    QList<acquisition::TrameDatee> trames;
    for (qsizetype at = 0; at < octets.size(); at += tranche) {
        const bool encore = l.feed(octets.sliced(at, std::min(tranche, octets.size() - at)));
        trames += l.prend();
        if (!encore) break;
    }
    l.fin();
    trames += l.prend();
    if (!l.refus().isEmpty()) trames.clear();
    return {trames, l.refus(), l.debutMs()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView octets(data, qsizetype(size));
    // Slices of every size, from one byte, as reads from a disk may cut the file anywhere.
    const Lu lu = lis(octets, 1 + qsizetype(size % 509));
    if (lu.trames.isEmpty()) {
        if (lu.refus.isEmpty()) std::abort();
        return 0;
    }
    if (!lu.refus.isEmpty() || lu.trames.size() > kBorne) std::abort();
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::French, QLocale::France)}) {
        const rec::Ecriture e(lu.debutMs, locale);
        QByteArray again = e.entete();
        for (const acquisition::TrameDatee& t : lu.trames)
            again += e.ligne(t);
        const Lu relu = lis(again, again.size());
        if (!(relu.trames == lu.trames)) std::abort();
    }
    return 0;
}
