// Arbitrary bytes as a file given to "Ouvrir": the reader either refuses them with a reason or
// returns a frame that, written again in either convention, reads back the same.
#include "acquisition/TrameCsv.h"

#include <QLocale>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace csv = acquisition::TrameCsv;
    const csv::Lecture lu = csv::lit(QByteArrayView(data, qsizetype(size)));
    if (!lu.trame) {
        if (lu.refus.isEmpty()) std::abort();
        return 0;
    }
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::French, QLocale::France)}) {
        const QByteArray again = csv::ecrit(*lu.trame, locale);
        if (again.size() > csv::kTailleMax) std::abort();
        const csv::Lecture relu = csv::lit(again);
        if (!relu.trame || !(*relu.trame == *lu.trame)) std::abort();
    }
    return 0;
}
