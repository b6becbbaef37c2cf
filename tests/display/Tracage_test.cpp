#include "display/Surface.h"
#include "display/Tracage.h"
#include "support/Frames.h"

#include <QFontMetrics>
#include <QPainter>
#include <gtest/gtest.h>
#include <limits>

using display::Surface;

namespace {

// The screen's own size: 329 x 263 pixels inside its border.
struct Screen : ::testing::Test
{
    Surface scope{QSize(329, 263)};
    Calcul::Mesures m1, m2;
    Samples ch1{}, ch2{}, ch3{}, ch4{};

    QRgb at(int x, int y) const { return scope.Image().pixel(x, y); }
    QRgb atTwips(double x, double y) const
    {
        return at(display::twipsToPixel(float(x)), display::twipsToPixel(float(y)));
    }
    int countColour(QRgb c) const
    {
        int n = 0;
        for (int y = 0; y < scope.Image().height(); ++y)
            for (int x = 0; x < scope.Image().width(); ++x)
                n += scope.Image().pixel(x, y) == c;
        return n;
    }
    QRgb background() const { return scope.backColor().rgb(); }
    void drawScope(const Tracage::Voies& v) { Tracage::TraceScope(scope, ch1, ch2, ch3, ch4, v, m1, m2, {}); }
};

double sampleY(double h, int offset, int sample)
{
    return float(h * (offset + (kCodeMax - sample) - Tracage::kDecalageNul) / kCodeMax);
}

} // namespace

TEST_F(Screen, GraticuleLinesAndColours)
{
    scope.Cls();
    Tracage::TraceGrille(scope);
    const double w = scope.ScaleWidth(), h = scope.ScaleHeight();
    for (int i = 1; i <= 9; ++i) // the tenth line is on the right edge, outside the picture
        EXPECT_EQ(atTwips(i * w / 10, h / 3), Surface::QBColor(i == 5 ? 0 : 9)) << "vertical " << i;
    for (int j = 1; j <= 7; ++j)
        EXPECT_EQ(atTwips(w / 7 + 10, j * h / 8), Surface::QBColor(j == 4 ? 0 : 9)) << "horizontal " << j;
    EXPECT_EQ(at(0, 0), background()) << "no line along the left or top edge";
    EXPECT_EQ(scope.ForeColor(), 9);
    EXPECT_EQ(scope.DrawMode(), Surface::CopyPen);
    EXPECT_EQ(scope.DrawStyle(), Surface::Solid);
}

TEST_F(Screen, GraticuleTwiceIsTheSamePictureAndUndoesCursorPenState)
{
    scope.Cls();
    Tracage::TraceGrille(scope);
    const QImage once = scope.Image().copy();
    scope.setDrawMode(Surface::Invert);
    scope.setDrawStyle(Surface::Dashed);
    Tracage::TraceGrille(scope);
    EXPECT_EQ(scope.Image(), once);
}

TEST_F(Screen, SamplesLandWhereTheMappingSays)
{
    const double w = scope.ScaleWidth(), h = scope.ScaleHeight();
    ch1.fill(255); // top edge
    ch2.fill(0);   // bottom edge: outside the picture by one pixel row at most
    for (int i = 0; i < kSampleCount; ++i)
        ch1[i] = std::uint8_t(i % 2 ? 200 : 60);
    Tracage::Voies v;
    v.shown = {true, false, false, false};
    drawScope(v);
    for (int i = 0; i < 79; ++i) // sample 79 falls on the right edge, outside
        EXPECT_EQ(atTwips(i * (w / 79), sampleY(h, Tracage::kDecalageNul, ch1[i])), Surface::QBColor(1))
            << "sample " << i;
}

TEST_F(Screen, OffsetMovesTheTraceByWholeCodes)
{
    const double h = scope.ScaleHeight();
    ch2.fill(128);
    Tracage::Voies v;
    v.shown = {false, true, false, false};
    for (int offset : {Tracage::kDecalageNul, 138, 10, 200}) {
        v.offset[1] = offset;
        drawScope(v);
        const double y = sampleY(h, offset, 128);
        EXPECT_EQ(atTwips(2000, y), Surface::QBColor(2)) << "offset " << offset;
        EXPECT_NE(atTwips(2000, y + 3 * 15), Surface::QBColor(2)) << "offset " << offset;
    }
}

TEST_F(Screen, LaterChannelsPaintOverEarlierOnes)
{
    ch1.fill(100);
    ch2.fill(100);
    Tracage::Voies v;
    v.shown = {true, true, false, false};
    drawScope(v);
    EXPECT_EQ(atTwips(1000, sampleY(scope.ScaleHeight(), Tracage::kDecalageNul, 100)), Surface::QBColor(2));
    EXPECT_EQ(countColour(Surface::QBColor(1)), 0);
}

TEST_F(Screen, TestSinesFillTheirBuffersOnlyWhenShown)
{
    Tracage::Voies v;
    v.shown = {false, false, true, false};
    drawScope(v);
    EXPECT_EQ(ch3[0], 137); // sin(2) * 10 + 128 = 137.09
    EXPECT_EQ(ch4, Samples{}) << "an unticked channel keeps its buffer";
    for (int i = 0; i < kSampleCount; ++i)
        EXPECT_NEAR(ch3[i], 128, 10);
    EXPECT_GT(countColour(Surface::QBColor(3)), 79);
    v.shown = {false, false, false, true};
    drawScope(v);
    EXPECT_EQ(ch4[0], 128); // sin(3.14) * 100 + 128 = 128.16
    EXPECT_EQ(*std::min_element(ch4.begin(), ch4.end()), 28);
    EXPECT_EQ(countColour(Surface::QBColor(3)), 0) << "an unticked channel is not drawn";
}

TEST_F(Screen, XYRampsGiveTheDiagonalInTheMiddleEightyPercent)
{
    const double w = scope.ScaleWidth(), h = scope.ScaleHeight();
    for (int i = 0; i < kSampleCount; ++i)
        ch1[i] = ch2[i] = std::uint8_t(i * 255 / 79);
    Tracage::TraceXY(scope, ch1, ch2, Tracage::kDecalageNul, Tracage::kDecalageNul, {});
    for (int i = 1; i < 79; ++i) {
        const double x = w * 0.1 + w * (0.8 * ch1[i] / 255);
        const double y = h * (255 - ch2[i]) / 255;
        EXPECT_EQ(atTwips(x, y), Surface::QBColor(1)) << "point " << i;
    }
    EXPECT_EQ(atTwips(w * 0.05, h * 0.45), background()) << "nothing left of 10 %";
}

TEST_F(Screen, XYConstantChannelOneIsAVerticalLine)
{
    const double w = scope.ScaleWidth(), h = scope.ScaleHeight();
    ch1.fill(128);
    ch2 = testing_support::ramp(20, 2);
    Tracage::TraceXY(scope, ch1, ch2, Tracage::kDecalageNul, Tracage::kDecalageNul, {});
    const double x = w * (0.1 + 0.8 * 128 / 255);
    for (int s = 30; s < 170; s += 10)
        EXPECT_EQ(atTwips(x, h * (255 - s) / 255), Surface::QBColor(1)) << s;
}

TEST_F(Screen, XYFirstPointTakesTheGraticuleColour)
{
    ch1.fill(0);
    ch2.fill(0);
    ch1[0] = 40;
    ch2[0] = 40;
    Tracage::TraceXY(scope, ch1, ch2, Tracage::kDecalageNul, Tracage::kDecalageNul, {});
    const double w = scope.ScaleWidth(), h = scope.ScaleHeight();
    EXPECT_EQ(atTwips(w * 0.1 + w * (0.8 * 40 / 255), h * 215 / 255), Surface::QBColor(9));
    EXPECT_EQ(atTwips(w * 0.1 + w * (0.8 * 20 / 255), h * 235 / 255), Surface::QBColor(1))
        << "the rest in blue";
    EXPECT_EQ(scope.ForeColor(), 1);
}

TEST_F(Screen, LegendTextsAndColours)
{
    Tracage::Legende l{true,
                       false,
                       QStringLiteral("500mV/div"),
                       QStringLiteral("   2V/div"),
                       QStringLiteral("100ms/div"),
                       QStringLiteral("Auto>128")};
    EXPECT_EQ(Tracage::texteVoie(1, l.ac1, l.gain1), QStringLiteral("CH1ac=500mV/div"));
    EXPECT_EQ(Tracage::texteVoie(2, l.ac2, l.gain2), QStringLiteral("CH2dc=   2V/div"));
    scope.Cls();
    Tracage::TraceLegende(scope, l);
    const auto colourIn = [&](int x0, int y0, int x1, int y1, QRgb c) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += at(x, y) == c;
        return n;
    };
    EXPECT_GT(colourIn(0, 0, 100, 15, Surface::QBColor(1)), 20) << "CH1 text top left in blue";
    EXPECT_GT(colourIn(233, 0, 329, 15, Surface::QBColor(2)), 20)
        << "CH2 text further along the top in green";
    EXPECT_GT(colourIn(0, 246, 90, 263, Surface::QBColor(5)), 20) << "time base bottom left";
    EXPECT_GT(colourIn(256, 246, 329, 263, Surface::QBColor(5)), 20) << "trigger further along the bottom";
    EXPECT_EQ(colourIn(0, 20, 329, 240, Surface::QBColor(1)), 0) << "nothing between the rows";
    EXPECT_EQ(scope.ForeColor(), 5);
}

// Print keeps the pixels of each text it has laid out; the picture must be the one a painter
// drawing the same aliased text would make, at every position, clipped at every edge, and the
// second time a text is printed as much as the first.
TEST_F(Screen, PrintIsTheAliasedTextAPainterDraws)
{
    QFont font = scope.font();
    font.setStyleStrategy(QFont::NoAntialias);
    const int ascent = QFontMetrics(font).ascent();
    const struct
    {
        const char* text;
        float x, y;
    } cases[] = {{"CH1ac=500mV/div", 0, 0},    {"Auto>128", Tracage::kLegendeTrigX, Tracage::kLegendeBasY},
                 {"jgpq|_ÉÀ", 1000, 1500},     {"100ms/div", -300, -100},
                 {"   2V/div", 4800, 3900},    {"", 10, 10},
                 {"CH1ac=500mV/div", 15, 3850}};
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : cases) {
            const QString text = QString::fromUtf8(c.text);
            scope.Cls();
            scope.setForeColor(12);
            scope.setCurrentX(c.x);
            scope.setCurrentY(c.y);
            scope.Print(text);
            QImage expected(scope.Image().size(), QImage::Format_RGB32);
            expected.fill(background());
            {
                QPainter p(&expected);
                p.setFont(font);
                p.setPen(QColor::fromRgb(Surface::QBColor(12)));
                p.drawText(QPoint(display::twipsToPixel(c.x), display::twipsToPixel(c.y) + ascent), text);
            }
            EXPECT_TRUE(scope.Image() == expected)
                << c.text << " at " << c.x << "," << c.y << " pass " << pass;
            EXPECT_EQ(scope.CurrentX(), 0);
        }
    }
}

TEST_F(Screen, CursorLinesInvertAndCancelInPairs)
{
    scope.Cls();
    const QImage blank = scope.Image().copy();
    Curseurs::Positions p;
    p.oldX = 1500;
    p.oldX2 = 1500; // same place: the two inversions cancel
    int redraws = 0;
    Tracage::TraceCurseurs(scope, Tracage::kCurseursSurImage, 4935, 3945, p, true, false, true,
                           [&] { ++redraws; });
    EXPECT_EQ(scope.Image(), blank);
    EXPECT_EQ(redraws, 0) << "mode 10 draws on the picture as it is";

    p.oldX2 = 3000;
    Tracage::TraceCurseurs(scope, Tracage::kCurseursSurImage, 4935, 3945, p, true, false, true, {});
    const QRgb inverted = blank.pixel(0, 0) ^ 0x00FFFFFF;
    int on = 0;
    for (int y = 0; y < 263; ++y)
        on += scope.Image().pixel(100, y) == inverted;
    EXPECT_GT(on, 263 / 2) << "a dashed line: mostly on";
    EXPECT_LT(on, 263) << "a dashed line: some gaps";
    EXPECT_EQ(scope.DrawMode(), Surface::Invert);
    EXPECT_EQ(scope.DrawStyle(), Surface::Dashed);
}

TEST_F(Screen, CursorModesZeroAndOthers)
{
    Curseurs::Positions p;
    p.oldY = 600;
    int redraws = 0;
    Tracage::TraceCurseurs(scope, 0, 4935, 3945, p, true, true, true, [&] { ++redraws; });
    EXPECT_EQ(redraws, 0) << "no button: nothing happens";

    scope.Cls();
    const QImage blank = scope.Image().copy();
    Tracage::TraceCurseurs(scope, 1, 4935, 3945, p, false, true, true, [&] { ++redraws; });
    EXPECT_EQ(redraws, 1);
    EXPECT_EQ(scope.Image(), blank) << "time domain: the redraw already drew the lines";

    Tracage::TraceCurseurs(scope, 2, 4935, 3945, p, false, true, false, [&] { ++redraws; });
    EXPECT_EQ(redraws, 2);
    EXPECT_EQ(scope.Image().pixel(2, 40), blank.pixel(2, 40) ^ 0x00FFFFFF) << "XY: lines after the redraw";
}

// Lines wholly or partly outside the picture are clipped pixel by pixel, never wrapped.
TEST_F(Screen, LinesOutsideThePictureAreClipped)
{
    scope.Cls();
    const QImage blank = scope.Image().copy();
    scope.setForeColor(4);
    const float W = scope.ScaleWidth(), H = scope.ScaleHeight();
    const float outside[][4] = {{-900, 100, -15, 100},    {W + 15, 100, W + 900, 100},
                                {100, -900, 100, -15},    {100, H + 15, 100, H + 900},
                                {-5000, -5000, -15, -15}, {W + 30, H + 30, W + 300, H + 700}};
    for (const auto& l : outside) {
        scope.PSet(l[0], l[1]);
        scope.Line(l[2], l[3]);
    }
    EXPECT_EQ(scope.Image(), blank);
    scope.PSet(-3000, 1500);
    scope.Line(W + 3000, 1500);
    int red = 0;
    for (int x = 0; x < scope.Image().width(); ++x)
        red += at(x, display::twipsToPixel(1500)) == Surface::QBColor(4);
    EXPECT_EQ(red, scope.Image().width()) << "the visible part of a line across the screen";
}

// Rows and columns take a path of their own; they must put down exactly the pixels the
// pixel-by-pixel line does, dash pattern included, wherever they start, end or are clipped.
TEST_F(Screen, StraightLinesMatchThePixelByPixelLine)
{
    const auto reference = [](QImage& img, int mode, int style, int colour, const std::vector<QPoint>& pts) {
        int phase = 0;
        const auto plot = [&](int x, int y) {
            const bool on = style == Surface::Solid || phase < 6;
            phase = (phase + 1) % 9;
            if (!on || !img.rect().contains(x, y)) return;
            const QRgb old = img.pixel(x, y);
            img.setPixel(x, y, mode == Surface::Invert ? old ^ 0x00FFFFFF : Surface::QBColor(colour));
        };
        plot(pts[0].x(), pts[0].y());
        for (std::size_t i = 1; i < pts.size(); ++i) {
            QPoint p = pts[i - 1];
            const QPoint q = pts[i];
            const QPoint step(q.x() > p.x()   ? 1
                              : q.x() < p.x() ? -1
                                              : 0,
                              q.y() > p.y()   ? 1
                              : q.y() < p.y() ? -1
                                              : 0);
            while (p != q) {
                p += step;
                plot(p.x(), p.y());
            }
        }
    };
    const std::vector<std::vector<QPoint>> polylines = {
        {{-20, 30}, {400, 30}},      // a row across, both ends off
        {{300, 200}, {-50, 200}},    // leftwards, one end off
        {{100, -40}, {100, 300}},    // a column across
        {{7, 262}, {7, -3}, {7, 5}}, // up then back down over itself
        {{-5, -5}, {40, -5}, {40, 60}, {-9, 60}, {-9, 10}, {328, 10}, {328, 262}}, // in and out
        {{500, 100}, {600, 100}},                                                  // wholly off
        {{0, 0}, {0, 0}, {12, 0}}, // a zero-length piece first
    };
    for (const int mode : {int(Surface::CopyPen), int(Surface::Invert)})
        for (const int style : {int(Surface::Solid), int(Surface::Dashed)})
            for (std::size_t n = 0; n < polylines.size(); ++n) {
                const auto& pts = polylines[n];
                scope.Cls();
                QImage expected = scope.Image().copy();
                scope.setForeColor(12);
                scope.setDrawMode(mode);
                scope.setDrawStyle(style);
                scope.PSet(float(pts[0].x() * 15), float(pts[0].y() * 15));
                for (std::size_t i = 1; i < pts.size(); ++i)
                    scope.Line(float(pts[i].x() * 15), float(pts[i].y() * 15));
                reference(expected, mode, style, 12, pts);
                EXPECT_EQ(scope.Image(), expected)
                    << "mode " << mode << " style " << style << " polyline " << n;
            }
}

TEST(SurfaceToPixel, RoundsHalfUpAndSaturatesFarOffThePicture)
{
    const float inf = std::numeric_limits<float>::infinity();
    const struct
    {
        float twips;
        int pixel;
    } cases[] = {{0, 0},
                 {7.4f, 0},
                 {7.5f, 1},
                 {-7.5f, 0},
                 {-7.6f, -1},
                 {-22.5f, -1},
                 {4935, 329},
                 {1e30f, 1000000000},
                 {-inf, -1000000000},
                 {inf, 1000000000},
                 {std::numeric_limits<float>::quiet_NaN(), -1000000000}};
    for (const auto& c : cases)
        EXPECT_EQ(display::twipsToPixel(c.twips), c.pixel) << c.twips;
}

// A plain pen takes a faster path than an inverting one: both must put down the same pixels,
// and leave the dash where a following dashed line expects it.
TEST_F(Screen, DiagonalLinesPutTheSamePixelsWhateverThePen)
{
    const std::vector<std::vector<QPoint>> polylines = {
        {{10, 10}, {50, 37}, {3, 200}, {328, 262}},
        {{-40, -30}, {60, 90}, {400, 10}, {200, 300}}, // in and out across the edges
        {{-50, 20}, {-10, 250}, {30, 100}},            // a first piece wholly off
        {{300, 5}, {301, 260}, {0, 261}},
    };
    const auto draw = [&](int mode, const std::vector<QPoint>& pts) {
        scope.Cls();
        scope.setForeColor(12);
        scope.setDrawMode(mode);
        scope.setDrawStyle(Surface::Solid);
        scope.PSet(float(pts[0].x() * 15), float(pts[0].y() * 15));
        for (std::size_t i = 1; i < pts.size(); ++i)
            scope.Line(float(pts[i].x() * 15), float(pts[i].y() * 15));
        // Then a dashed row, from where the dash was left.
        scope.setDrawMode(Surface::CopyPen);
        scope.setDrawStyle(Surface::Dashed);
        scope.setCurrentX(0);
        scope.setCurrentY(15 * 131);
        scope.Line(15 * 320, 15 * 131);
        QImage img = scope.Image().copy();
        const QRgb blank = background();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, img.pixel(x, y) == blank ? 0 : 1);
        return img;
    };
    for (std::size_t n = 0; n < polylines.size(); ++n)
        EXPECT_EQ(draw(Surface::CopyPen, polylines[n]), draw(Surface::Invert, polylines[n]))
            << "polyline " << n;
}
