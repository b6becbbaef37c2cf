#include "display/Tracage.h"

#include "measure/Divisions.h"
#include "measure/Format.h"

#include <algorithm>
#include <cmath>

namespace Tracage {

namespace {
using display::Couleur::BleuClair;
using display::Couleur::Magenta;
using display::Couleur::Noir;

// Height of a sample: the top code at the top edge, 0 at the bottom, shifted by the offset.
float hauteur(double h, int offset, std::uint8_t sample)
{
    const int v = (kCodeMax - sample) + (offset - kDecalageNul);
    return float(h * v / kCodeMax);
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
    // The centre lines in black; no line along the left, top or bottom edge.
    for (int i = 1; i <= Divisions::Temps; ++i) {
        scope.setForeColor(i == Divisions::Temps / 2 ? Noir : BleuClair);
        const float x = float(double(i) / Divisions::Temps * w);
        scope.PSet(x, 0);
        scope.Line(x, float(h));
    }
    for (int j = 1; j < Divisions::Tension; ++j) {
        scope.setForeColor(j == Divisions::Tension / 2 ? Noir : BleuClair);
        const float y = float(double(j) / Divisions::Tension * h);
        scope.PSet(0, y);
        scope.Line(float(w), y);
    }
}

void sinusTest(Samples& samples, double phase, double amplitude)
{
    for (int i = 0; i < kSampleCount; ++i)
        samples[i] = std::uint8_t(Format::roundHalfEven(std::sin(i / 5.0 + phase) * amplitude + kCodeMilieu));
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
        scope.setForeColor(kCouleurVoie[k]);
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
    // Across, the middle divisions: one left empty at each side.
    constexpr double marge = 1.0 / Divisions::Temps,
                     largeur = double(Divisions::Temps - 2) / Divisions::Temps;
    const auto point = [&](int i, float& x, float& y) {
        const int ix = chx[i] - (offsetX - kDecalageNul);
        x = float(w * marge + w * (largeur * ix / kCodeMax));
        y = hauteur(h, offsetY, chy[i]);
    };
    float x, y;
    // The first point takes the colour the graticule left, before the trace's own colour is set.
    point(0, x, y);
    scope.PSet(x, y);
    for (int i = 0; i < kSampleCount; ++i) {
        scope.setForeColor(kCouleurVoie[0]);
        point(i, x, y);
        scope.Line(x, y);
    }
    if (affParam) affParam();
}

void TraceLegende(display::Surface& scope, const Legende& legende)
{
    scope.setForeColor(kCouleurVoie[0]);
    scope.setCurrentX(0);
    scope.setCurrentY(0);
    scope.Print(texteVoie(1, legende.ac1, legende.gain1));

    scope.setForeColor(kCouleurVoie[1]);
    scope.setCurrentX(kLegendeVoie2X);
    scope.setCurrentY(0);
    scope.Print(texteVoie(2, legende.ac2, legende.gain2));

    scope.setForeColor(Magenta);
    scope.setCurrentX(0);
    scope.setCurrentY(kLegendeBasY);
    scope.Print(legende.time);

    scope.setCurrentX(kLegendeTrigX);
    scope.setCurrentY(kLegendeBasY);
    scope.Print(legende.trig);
}

void TraceCurseurs(display::Surface& scope, int mode, int width, int height, const Curseurs::Positions& p,
                   bool timeEnabled, bool voltageEnabled, bool timeDomain,
                   const std::function<void()>& drawGraph)
{
    if (mode == 0) return;
    if (mode != kCurseursSurImage) {
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
