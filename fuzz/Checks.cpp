#include "fuzz/Checks.h"

#include "acquisition/Enregistrement.h"
#include "acquisition/FrameDecoder.h"
#include "acquisition/TrameCsv.h"
#include "ui/FormPrinc.h"

#include <QCheckBox>
#include <QLabel>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fuzzing {

namespace {
using acquisition::FrameAssembler;
using acquisition::RxState;

// Characters `position` .. `position + length - 1` (1-based) of a frame, shorter past its end.
QByteArrayView at(QByteArrayView frame, int position, int length)
{
    return position - 1 < frame.size()
               ? frame.sliced(position - 1, std::min<qsizetype>(length, frame.size() - position + 1))
               : QByteArrayView();
}

// Whatever the board sent, a frame's CSV file and a recording of it give the frame back as decoded.
void checkFiles(const acquisition::DecodedFrame& d)
{
    namespace rec = acquisition::Enregistrement;
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::French, QLocale::France)}) {
        const acquisition::TrameCsv::Lecture seule =
            acquisition::TrameCsv::lit(acquisition::TrameCsv::ecrit(d, locale));
        if (!seule.trame || !(*seule.trame == d))
            fail("a frame's CSV file does not read back as the frame", seule.refus);
        const rec::Ecriture e(0, locale);
        rec::Lecture l(1);
        l.feed(e.entete() + e.ligne({d, 0}));
        l.fin();
        const QList<acquisition::TrameDatee> relues = l.prend();
        if (relues.size() != 1 || !(relues[0].trame == d))
            fail("a recorded frame does not read back as the frame", l.refus());
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The leading hex digits of a pair: "7G" is 7, "G7" is 0.
int pair(QByteArrayView text)
{
    int v = 0;
    for (const char c : text) {
        if (hexValue(c) < 0) break;
        v = v * 16 + hexValue(c);
    }
    return v;
}

Calcul::Mesures expected(const Samples& s, bool shown)
{
    if (!shown) return {};
    int sum = 0, lo = 255, hi = 0;
    for (const std::uint8_t v : s) {
        sum += v;
        lo = std::min<int>(lo, v);
        hi = std::max<int>(hi, v);
    }
    // Mean to the nearest code, an exact half to the even one.
    int mean = sum / kSampleCount;
    const int rest = sum % kSampleCount;
    if (rest * 2 > kSampleCount || (rest * 2 == kSampleCount && mean % 2 == 1)) ++mean;
    return {std::uint8_t(lo), std::uint8_t(hi), std::uint8_t(mean), std::uint8_t(hi - lo)};
}

QString describe(const Calcul::Mesures& m)
{
    return QStringLiteral("min %1 max %2 moy %3 delta %4").arg(m.min).arg(m.max).arg(m.moy).arg(m.delta);
}

const char* statusText(WireModel::Status s)
{
    switch (s) {
    case WireModel::Status::Start:
        return "Rx Start";
    case WireModel::Status::Ok:
        return "Rx OK";
    case WireModel::Status::TimeOut:
        return "Rx TimeOut";
    default:
        return nullptr;
    }
}
} // namespace

void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "invariant broken: %s: %s\n", what, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

bool triggerCaptionValid(const QString& caption)
{
    for (int digits = 1; digits <= 3; ++digits) {
        if (caption.size() < digits || caption.size() - digits > 10) continue;
        const QString level = caption.right(digits);
        if (!std::all_of(level.begin(), level.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        const int value = level.toInt();
        if (value <= 255 && level == QString::number(value)) return true;
    }
    return false;
}

void checkWindow(const ui::FormPrinc& w)
{
    if (w.rx.rxState() == RxState::Complete)
        fail("reception state between calls", QStringLiteral("Complete"));
    if (w.rx.rxBuffer().size() > FrameAssembler::kMaxFrame)
        fail("frame buffer over its cap", QString::number(w.rx.rxBuffer().size()));
    if (w.trame().size() > FrameAssembler::kMaxFrame + 1)
        fail("diagnostic label over the cap", QString::number(w.trame().size()));

    static const QStringList statuses{QStringLiteral("Etat"), QStringLiteral("Rx Start"),
                                      QStringLiteral("Rx Stop"), QStringLiteral("Rx OK"),
                                      QStringLiteral("Rx TimeOut")};
    const QString status = w.panel(QStringLiteral("Status"))->text();
    if (!statuses.contains(status)) fail("status text", status);

    for (const QLabel* gain : {w.gainCH1, w.gainCH2})
        if (!gain->text().endsWith(QStringLiteral("/div")) || gain->text().size() > 5 + 4)
            fail("gain caption", gain->text());
    if (!w.lblTime->text().endsWith(QStringLiteral("s/div")) || w.lblTime->text().size() > 4 + 5)
        fail("time-base caption", w.lblTime->text());
    if (!triggerCaptionValid(w.lblTrig->text())) fail("trigger caption", w.lblTrig->text());

    for (const Calcul::Mesures& m : w.mesures)
        if (m.min > m.moy || m.moy > m.max || m.delta != m.max - m.min)
            fail("measurements out of order", describe(m));

    const int width = int(std::lround(w.Scope->ScaleWidth()));
    const int height = int(std::lround(w.Scope->ScaleHeight()));
    const Curseurs::Positions& c = w.curseurs;
    for (const int x : {int(c.oldX), int(c.oldX2)})
        if (x < 0 || x > width) fail("time cursor off the screen", QString::number(x));
    for (const int y : {int(c.oldY), int(c.oldY2)})
        if (y < 0 || y > height) fail("voltage cursor off the screen", QString::number(y));
}

void checkAgainst(const ui::FormPrinc& w, const WireModel& model, quint64 framesBefore, bool anyFrame,
                  bool justDecoded, bool thorough)
{
    if (w.rx.rxState() != (model.receiving() ? RxState::Receiving : RxState::Waiting))
        fail("reception state differs from the byte-wise reading", QString::number(int(w.rx.rxState())));
    if (model.receiving() && w.rx.rxBuffer() != model.buffer())
        fail("partial frame differs from the byte-wise reading",
             QStringLiteral("%1 bytes, expected %2").arg(w.rx.rxBuffer().size()).arg(model.buffer().size()));
    // The label is refreshed (showTrame) before these checks only.
    if ((thorough || justDecoded) && w.trame() != model.shown())
        fail("diagnostic label differs from the frame received",
             QStringLiteral("%1 characters, expected %2").arg(w.trame().size()).arg(model.shown().size()));
    if (w.framesDecoded - framesBefore != model.frames())
        fail("frame count",
             QStringLiteral("%1 decoded, %2 sent").arg(w.framesDecoded - framesBefore).arg(model.frames()));
    if (const char* status = statusText(model.status()))
        if (w.panel(QStringLiteral("Status"))->text() != QLatin1String(status))
            fail("status text after the stream", w.panel(QStringLiteral("Status"))->text());
    if (!anyFrame || !(thorough || justDecoded)) return;

    const QByteArray& f = model.lastFrame();
    const auto caption = [](const QLabel* label, const QString& text, const char* what) {
        if (label->text() != text) fail(what, label->text() + QStringLiteral(" instead of ") + text);
    };
    caption(w.gainCH1, QString::fromLatin1(at(f, 11, 5)) + QStringLiteral("/div"), "CH1 gain caption");
    caption(w.gainCH2, QString::fromLatin1(at(f, 191, 5)) + QStringLiteral("/div"), "CH2 gain caption");
    caption(w.lblTime, QString::fromLatin1(at(f, 370, 4)) + QStringLiteral("s/div"), "time-base caption");
    caption(w.lblTrig, QString::fromLatin1(at(f, 377, 10)) + QString::number(pair(at(f, 387, 2))),
            "trigger caption");
    if (w.AC_CH(1)->isChecked() != (at(f, 16, 2) == "ac") ||
        w.AC_CH(2)->isChecked() != (at(f, 196, 2) == "ac"))
        fail("coupling boxes");
    // The channel boxes are the frame's on the screen: a frozen one keeps its own, and so does a
    // drag's picture (a button held from an earlier input included) until the release.
    if (justDecoded && w.chkRunStop->isChecked() && !w.affichage.tenu() && !w.CH(1)->isChecked())
        fail("CH1 not shown after a frame");

    const acquisition::DecodedFrame d = acquisition::decodeFrame(f);
    // The board's newest frame, kept whatever the screen shows.
    if (w.historique.isEmpty()) fail("nothing kept");
    const acquisition::DecodedFrame kept = w.historique.at(w.historique.size() - 1).trame;
    if (d.ch1.size() != kSampleCount || d.ch2.size() != kSampleCount) fail("record size");
    for (int i = 0; i < kSampleCount; ++i) {
        const int a = pair(at(f, 19 + 2 * i, 2)), b = pair(at(f, 199 + 2 * i, 2));
        if (kept.ch1[i] != a || kept.ch2[i] != b || d.ch1[i] != a || d.ch2[i] != b)
            fail("sample", QStringLiteral("index %1: CH1 %2 (expected %3), CH2 %4 (expected %5)")
                               .arg(i)
                               .arg(kept.ch1[i])
                               .arg(a)
                               .arg(kept.ch2[i])
                               .arg(b));
    }
    if (justDecoded) checkFiles(d);
}

void checkMeasurements(const ui::FormPrinc& w)
{
    // The measurements are the frame's on the screen, which with Run/Stop unticked is no longer
    // the record the board keeps filling.
    const acquisition::DecodedFrame& shown = w.trameAffichee().trame;
    const Calcul::Mesures m1 = expected(shown.ch1, w.CH(1)->isChecked());
    const Calcul::Mesures m2 = expected(shown.ch2, w.CH(2)->isChecked());
    if (!(w.mesures[0] == m1))
        fail("CH1 measurements", describe(w.mesures[0]) + QStringLiteral(" instead of ") + describe(m1));
    if (!(w.mesures[1] == m2))
        fail("CH2 measurements", describe(w.mesures[1]) + QStringLiteral(" instead of ") + describe(m2));
}

} // namespace fuzzing
