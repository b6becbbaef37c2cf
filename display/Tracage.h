#pragma once

#include "display/Surface.h"
#include "measure/Calcul.h"
#include "measure/Curseurs.h"
#include "measure/Samples.h"

#include <QString>
#include <array>
#include <functional>

// The drawing routines of the screen. They read nothing of the window: the caller passes
// the channel boxes, offsets and captions they need.
namespace Tracage {

// An offset moves its trace by one converter code per step away from kDecalageNul, which
// shifts nothing: the sliders run from 0 to kDecalageMax, start at it and are reset to it.
constexpr int kDecalageNul = kCodeMilieu;
constexpr int kDecalageMax = 2 * kDecalageNul;

// Colours of channels 1 to 4, at index 0 to 3.
constexpr std::array<int, 4> kCouleurVoie{display::Couleur::Bleu, display::Couleur::Vert,
                                          display::Couleur::Cyan, display::Couleur::Rouge};

// Ticks of the CH boxes and values of the offset sliders, channel 1 at index 0.
struct Voies
{
    std::array<bool, 4> shown{};
    std::array<int, 4> offset{kDecalageNul, kDecalageNul, kDecalageNul, kDecalageNul};
};

// Where the legend's texts begin, in twips: channel 1 at the top left, channel 2 further along
// the top; the time base at the bottom left, the trigger further along the bottom.
constexpr float kLegendeVoie2X = 3500;
constexpr float kLegendeBasY = 3700;
constexpr float kLegendeTrigX = 3850;

// What the legend prints: the coupling boxes and the parameter captions.
struct Legende
{
    bool ac1 = false;
    bool ac2 = false;
    QString gain1;
    QString gain2;
    QString time;
    QString trig;
};

// The legend's texts, as printed along the top and bottom edges.
QString texteVoie(int channel, bool ac, const QString& gainCaption);

void TraceGrille(display::Surface& scope);

// Time domain: measurements, test sines, clear, graticule, the shown channels, then `affParam`.
void TraceScope(display::Surface& scope, const Samples& ch1, const Samples& ch2, Samples& ch3, Samples& ch4,
                const Voies& voies, Calcul::Mesures& m1, Calcul::Mesures& m2,
                const std::function<void()>& affParam);

// XY: channel 1 across, channel 2 up, in the middle 80 % of the width, then `affParam`.
void TraceXY(display::Surface& scope, const Samples& chx, const Samples& chy, int offsetX, int offsetY,
             const std::function<void()>& affParam);

void TraceLegende(display::Surface& scope, const Legende& legende);

// The mode of TraceCurseurs that draws the lines on the picture as it is, as a time-domain
// redraw does at its end. Any other mode but 0 (no button held) is a drag's buttons.
constexpr int kCurseursSurImage = 10;

// Cursor lines, dashed and inverted so that drawing one twice removes it. Mode 0 draws
// nothing; a mode other than kCurseursSurImage first asks for a full redraw through
// `drawGraph`, which in the time domain already carries the lines.
void TraceCurseurs(display::Surface& scope, int mode, int width, int height, const Curseurs::Positions& p,
                   bool timeEnabled, bool voltageEnabled, bool timeDomain,
                   const std::function<void()>& drawGraph);

// The test sines of channels 3 and 4.
void sinusTest(Samples& samples, double phase, double amplitude);

} // namespace Tracage
