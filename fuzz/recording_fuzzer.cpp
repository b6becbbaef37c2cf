// Arbitrary bytes as a file given to "Ouvrir", read in slices as the window reads a recording:
// the reader either refuses them with a reason or returns at most its bound of frames that,
// recorded again in either convention, read back the same, and that each read alone again where
// the reader says its row lies, as a session shows it.
#include "acquisition/Enregistrement.h"

#include <QLocale>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

namespace rec = acquisition::Enregistrement;

constexpr qsizetype kBorne = 3;

struct Lu
{
    QList<acquisition::TrameDatee> trames;
    std::vector<rec::Place> places;
    QString refus;
    rec::Format format;
};

Lu lis(QByteArrayView octets, qsizetype tranche)
{
    rec::Lecture l(kBorne);
    Lu lu;
    const auto prend = [&] {
        lu.trames += l.prend();
        for (const rec::Place& p : l.prendPlaces())
            lu.places.push_back(p);
    };
    for (qsizetype at = 0; at < octets.size(); at += tranche) {
        const bool encore = l.feed(octets.sliced(at, std::min(tranche, octets.size() - at)));
        prend();
        if (!encore) break;
    }
    l.fin();
    prend();
    if (!l.refus().isEmpty()) lu.trames.clear();
    lu.refus = l.refus();
    lu.format = l.format();
    return lu;
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
    if (lu.places.size() != std::size_t(lu.trames.size()) && !lu.places.empty()) std::abort();
    for (std::size_t i = 0; i < lu.places.size(); ++i) {
        const rec::Place& p = lu.places[i];
        if (p.debut < 0 || p.debut + p.longueur > octets.size()) std::abort();
        if (!(rec::litLigne(octets.sliced(p.debut, p.longueur), lu.format) == lu.trames[qsizetype(i)]))
            std::abort();
    }
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::French, QLocale::France)}) {
        const rec::Ecriture e(lu.format.debutMs, locale);
        QByteArray again = e.entete();
        for (const acquisition::TrameDatee& t : lu.trames)
            again += e.ligne(t);
        const Lu relu = lis(again, again.size());
        if (!(relu.trames == lu.trames)) std::abort();
    }
    return 0;
}
