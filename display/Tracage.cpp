#include "display/Tracage.h"

#include "measure/Format.h"

#include <algorithm>
#include <cmath>

namespace Tracage {

namespace {
// Height of a sample: 255 at the top edge, 0 at the bottom, shifted by the offset (128 = none).
float hauteur(double h, int offset, std::uint8_t sample)
{
    const int v = offset + (255 - sample) - 128;
    return float(h * v / 255);
}
} // namespace

QString texteVoie(int channel, bool ac, const QString& gainCaption)
{
    return QStringLiteral("CH") + QString::number(channel) +
           (ac ? QStringLiteral("ac") : QStringLiteral("dc")) + QLatin1Char('=') + gainCaption;
}

void TraceGrille(display::Surface& scope)
{
    scope.setDrawMode(display::Surface::CopyPen);
    scope.setDrawStyle(display::Surface::Solid);
    const double w = scope.ScaleWidth();
    const int h = Format::roundHalfEvenInt16(scope.ScaleHeight());
    for (int i = 1; i <= 10; ++i) {
        scope.setForeColor(i == 5 ? 0 : 9);
        const float x = float(i / 10.0 * w);
        scope.PSet(x, 0);
        scope.Line(x, float(h));
    }
    for (int j = 1; j <= 7; ++j) {
        scope.setForeColor(j == 4 ? 0 : 9);
        const float y = float(j / 8.0 * h);
        scope.PSet(0, y);
        scope.Line(float(w), y);
    }
}

void sinusTest(Samples& samples, double phase, double amplitude)
{
    for (int i = 0; i < kSampleCount; ++i)
        samples[i] = std::uint8_t(Format::roundHalfEven(std::sin(i / 5.0 + phase) * amplitude + 128));
}

void TraceScope(display::Surface& scope, const Samples& ch1, const Samples& ch2, Samples& ch3, Samples& ch4,
                const Voies& voies, Calcul::Mesures& m1, Calcul::Mesures& m2,
                const std::function<void()>& affParam)
{
    Calcul::CalculMesures(ch1, ch2, voies.shown[0], voies.shown[1], m1, m2);
    if (voies.shown[2]) sinusTest(ch3, 2, 10);
    if (voies.shown[3]) sinusTest(ch4, 3.14, 100);

    scope.Cls();
    TraceGrille(scope);

    const double w = scope.ScaleWidth();
    const double h = scope.ScaleHeight();
    const Samples* const buffers[4] = {&ch1, &ch2, &ch3, &ch4};
    for (int k = 0; k < 4; ++k) {
        if (!voies.shown[k]) continue;
        const Samples& s = *buffers[k];
        const int o = voies.offset[k];
        scope.setForeColor(k + 1);
        scope.PSet(0, hauteur(h, o, s[0]));
        // 79 intervals across the width: sample 79 lands on the right edge. The first
        // segment has zero length, from the PSet point to itself.
        const double step = w / 79;
        for (int i = 0; i < kSampleCount; ++i)
            scope.Line(float(i * step), hauteur(h, o, s[i]));
    }
    if (affParam) affParam();
}

void TraceXY(display::Surface& scope, const Samples& chx, const Samples& chy, int offsetX, int offsetY,
             const std::function<void()>& affParam)
{
    scope.Cls();
    TraceGrille(scope);
    const double w = scope.ScaleWidth();
    const double h = scope.ScaleHeight();
    const auto point = [&](int i, float& x, float& y) {
        const int ix = chx[i] - offsetX + 128;
        const int iy = offsetY + (255 - chy[i]) - 128;
        x = float(w * (1.0 / 10) + w * ((4.0 / 5) * ix / 255));
        y = float(h * iy / 255);
    };
    float x, y;
    // The first point takes the colour the graticule left, before the trace's own colour is set.
    point(0, x, y);
    scope.PSet(x, y);
    for (int i = 0; i < kSampleCount; ++i) {
        scope.setForeColor(1);
        point(i, x, y);
        scope.Line(x, y);
    }
    if (affParam) affParam();
}

void TraceLegende(display::Surface& scope, const Legende& legende)
{
    scope.setForeColor(1);
    scope.setCurrentX(0);
    scope.setCurrentY(0);
    scope.Print(texteVoie(1, legende.ac1, legende.gain1));

    scope.setForeColor(2);
    scope.setCurrentX(3500);
    scope.setCurrentY(0);
    scope.Print(texteVoie(2, legende.ac2, legende.gain2));

    scope.setForeColor(5);
    scope.setCurrentX(0);
    scope.setCurrentY(3700);
    scope.Print(legende.time);

    scope.setCurrentX(3850);
    scope.setCurrentY(3700);
    scope.Print(legende.trig);
}

void TraceCurseurs(display::Surface& scope, int mode, int width, int height, const Curseurs::Positions& p,
                   bool timeEnabled, bool voltageEnabled, bool timeDomain,
                   const std::function<void()>& drawGraph)
{
    if (mode == 0) return;
    if (mode != 10) {
        drawGraph();
        if (timeDomain) return;
    }
    scope.setDrawMode(display::Surface::Invert);
    scope.setDrawStyle(display::Surface::Dashed);
    if (timeEnabled) {
        scope.PSet(p.oldX, 0);
        scope.Line(p.oldX, float(height));
        scope.PSet(p.oldX2, 0);
        scope.Line(p.oldX2, float(height));
    }
    if (voltageEnabled) {
        scope.PSet(0, p.oldY);
        scope.Line(float(width), p.oldY);
        scope.PSet(0, p.oldY2);
        scope.Line(float(width), p.oldY2);
    }
}

} // namespace Tracage
