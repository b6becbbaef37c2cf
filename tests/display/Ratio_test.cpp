// The screen at the device pixel ratios desktops use: drawn at that resolution, one width per
// kind of line, cursors that still undo themselves, and the same 1x picture for a save.
#include "display/Surface.h"
#include "display/Tracage.h"

#include <QRect>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using display::Surface;

namespace {

constexpr QRgb kInvert = 0x00FFFFFF;

struct Ratio
{
    double ratio;
    int pen; // device pixels across every line
    int dashOn, dashPeriod;
};

void PrintTo(const Ratio& r, std::ostream* os)
{
    *os << "ratio " << r.ratio;
}

class AtRatio : public ::testing::TestWithParam<Ratio>
{
protected:
    Surface one{QSize(329, 263)};
    Surface scaled{QSize(329, 263)};

    void SetUp() override
    {
        one.setDeviceRatio(1);
        scaled.setDeviceRatio(GetParam().ratio);
    }
    int device(double twips) const { return display::twipsToDevicePixel(twips, GetParam().ratio); }
};

// Lengths of the runs of pixels other than the background along a row or a column, between
// `from` and `to` (excluded; -1: the whole of it).
std::vector<int> runs(const QImage& img, QRgb background, bool row, int at, int from = 0, int to = -1)
{
    std::vector<int> out;
    int n = 0;
    const int end = to < 0 ? (row ? img.width() : img.height()) : to;
    for (int i = from; i <= end; ++i) {
        const bool ink = i < end && (row ? img.pixel(i, at) : img.pixel(at, i)) != background;
        if (ink) {
            ++n;
        } else if (n) {
            out.push_back(n);
            n = 0;
        }
    }
    return out;
}

// A redraw with everything on it: four traces, the legend, then both kinds of cursors.
void frame(Surface& s, bool cursors = true)
{
    Samples ch1{}, ch2{}, ch3{}, ch4{};
    for (int i = 0; i < kSampleCount; ++i) {
        ch1[i] = std::uint8_t(128 + 100 * std::sin(i / 6.0));
        ch2[i] = std::uint8_t(i % 20 < 10 ? 60 : 190);
    }
    Tracage::Voies v;
    v.shown = {true, true, true, true};
    v.offset = {Tracage::kDecalageNul, 140, Tracage::kDecalageNul, 100};
    const Tracage::Legende legende{false,
                                   true,
                                   QStringLiteral("500mV/div"),
                                   QStringLiteral("   2V/div"),
                                   QStringLiteral("100ms/div"),
                                   QStringLiteral("Auto>128")};
    Calcul::Mesures m1, m2;
    Tracage::TraceScope(s, ch1, ch2, ch3, ch4, v, m1, m2, [&] { Tracage::TraceLegende(s, legende); });
    if (cursors)
        Tracage::TraceCurseurs(s, Tracage::kCurseursSurImage, 4935, 3945, {1000, 3010, 905, 2900}, true, true,
                               true, {});
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Desktops, AtRatio,
                         ::testing::Values(Ratio{1, 1, 6, 9}, Ratio{1.25, 1, 8, 11}, Ratio{1.5, 2, 9, 14},
                                           Ratio{1.75, 2, 11, 16}, Ratio{2, 2, 12, 18}, Ratio{3, 3, 18, 27}));

// The start-up picture: nine interior vertical lines and seven horizontal ones, all as wide.
TEST_P(AtRatio, GraticuleLinesAreAllOneWidth)
{
    Tracage::TraceGrille(scaled);
    const QImage& img = scaled.screenImage();
    const double r = GetParam().ratio;
    EXPECT_EQ(img.size(), QSize(int(329 * r + 0.5), int(263 * r + 0.5)));
    const QRgb bg = scaled.backColor().rgb();
    const int midFirstRow = device(scaled.ScaleHeight() / 16),
              midFirstColumn = device(scaled.ScaleWidth() / 20);
    EXPECT_EQ(runs(img, bg, true, midFirstRow), std::vector<int>(9, GetParam().pen));
    EXPECT_EQ(runs(img, bg, false, midFirstColumn), std::vector<int>(7, GetParam().pen));
    EXPECT_EQ(img.pixel(device(scaled.ScaleWidth() / 2), midFirstRow), Surface::QBColor(0)) << "black centre";
    EXPECT_EQ(img.pixel(device(scaled.ScaleWidth() / 10), midFirstRow), Surface::QBColor(9));
}

// Lines of the traces at every slope: exactly `pen` pixels in each column of a line that runs
// more across than down, in each row of one that runs more down, in one piece.
TEST_P(AtRatio, TracesHaveOneThicknessAlongTheirLength)
{
    const struct
    {
        QPoint from, to;
    } lines[] = {{{10, 10}, {300, 40}},   {{300, 200}, {5, 120}}, {{20, 250}, {60, 5}},
                 {{200, 10}, {150, 250}}, {{40, 40}, {240, 240}}, {{250, 30}, {30, 250}}};
    for (const auto& l : lines) {
        scaled.Cls();
        scaled.setForeColor(1);
        scaled.PSet(float(l.from.x() * 15), float(l.from.y() * 15));
        scaled.Line(float(l.to.x() * 15), float(l.to.y() * 15));
        const QImage& img = scaled.screenImage();
        const QRgb bg = scaled.backColor().rgb();
        const int x0 = device(l.from.x() * 15), x1 = device(l.to.x() * 15);
        const int y0 = device(l.from.y() * 15), y1 = device(l.to.y() * 15);
        const bool across = std::abs(x1 - x0) >= std::abs(y1 - y0);
        const int from = across ? std::min(x0, x1) : std::min(y0, y1);
        const int to = across ? std::max(x0, x1) : std::max(y0, y1);
        for (int i = from + GetParam().pen; i < to; ++i)
            ASSERT_EQ(runs(img, bg, !across, i), std::vector<int>{GetParam().pen})
                << l.from.x() << "," << l.from.y() << " to " << l.to.x() << "," << l.to.y() << " at " << i;
    }
}

// A cursor line inverts a band `pen` wide, dashed at the ratio's dash, each pixel once, and
// the same line drawn again gives back what was under it.
TEST_P(AtRatio, CursorInvertsItsBandOnceAndTwiceRestores)
{
    frame(scaled, false);
    const QImage before = scaled.screenImage().copy();
    const Curseurs::Positions p{1000, 1000, 0, 0}; // one time cursor; the other at the same place
    Tracage::TraceCurseurs(scaled, Tracage::kCurseursSurImage, 4935, 3945, {1000, 3010, 905, 2900}, true,
                           true, true, {});
    const QImage once = scaled.screenImage().copy();
    const int pen = GetParam().pen;
    const int vx[] = {device(1000), device(3010)}, hy[] = {device(905), device(2900)};
    const auto inBand = [pen](int v, const int(&at)[2]) {
        return (v >= at[0] && v < at[0] + pen) ^ (v >= at[1] && v < at[1] + pen);
    };
    for (int y = 0; y < once.height(); ++y)
        for (int x = 0; x < once.width(); ++x) {
            const QRgb was = before.pixel(x, y), is = once.pixel(x, y);
            if (!inBand(x, vx) && !inBand(y, hy)) {
                ASSERT_EQ(is, was) << "outside every cursor at " << x << "," << y;
            } else if (is != was) {
                ASSERT_EQ(is, was ^ kInvert) << "inverted once at " << x << "," << y;
            }
        }
    // Along the first time cursor, above the voltage cursors: dashes of the ratio's size from
    // the top, the whole band's width on or off together.
    std::vector<int> on, off;
    int n = 0;
    bool inked = true;
    for (int y = 0; y < hy[0]; ++y) {
        int changed = 0;
        for (int x = vx[0]; x < vx[0] + pen; ++x)
            changed += once.pixel(x, y) != before.pixel(x, y);
        ASSERT_TRUE(changed == 0 || changed == pen) << "row " << y;
        if ((changed == pen) != inked) {
            (inked ? on : off).push_back(n);
            inked = !inked;
            n = 0;
        }
        ++n;
    }
    ASSERT_GE(off.size(), 4u);
    for (std::size_t i = 0; i < off.size(); ++i) {
        EXPECT_EQ(on[i], GetParam().dashOn) << "dash " << i;
        EXPECT_EQ(off[i], GetParam().dashPeriod - GetParam().dashOn) << "gap " << i;
    }
    Tracage::TraceCurseurs(scaled, Tracage::kCurseursSurImage, 4935, 3945, {1000, 3010, 905, 2900}, true,
                           true, true, {});
    EXPECT_TRUE(scaled.screenImage() == before) << "drawn twice, the cursors are gone";
    Tracage::TraceCurseurs(scaled, Tracage::kCurseursSurImage, 4935, 3945, p, true, false, true, {});
    EXPECT_TRUE(scaled.screenImage() == before) << "two cursors at one place cancel";
}

// What a save writes and tests read is the 1x picture, bit for bit, whatever the screen.
TEST_P(AtRatio, SavedPictureIsTheOneXPicture)
{
    frame(one);
    frame(scaled);
    EXPECT_EQ(scaled.Image().size(), QSize(329, 263));
    EXPECT_TRUE(scaled.Image() == one.Image());
    Tracage::TraceGrille(one); // and it follows what is drawn after it was first read
    Tracage::TraceGrille(scaled);
    EXPECT_TRUE(scaled.Image() == one.Image());
}

// The legend is laid out by the font at the screen's resolution, not the 1x text enlarged,
// and stays aliased: every pixel in the pen's colour.
TEST_P(AtRatio, LegendIsTheFontAtThatResolution)
{
    for (Surface* s : {&one, &scaled}) {
        s->Cls();
        s->setForeColor(5);
        s->setCurrentX(300);
        s->setCurrentY(1500);
        s->Print(QStringLiteral("CH1dc=500mV/div"));
    }
    const auto inkBox = [](const Surface& s) {
        QRect box;
        const QImage& img = s.screenImage();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                EXPECT_TRUE(c == s.backColor().rgb() || c == Surface::QBColor(5)) << x << "," << y;
                if (c == Surface::QBColor(5)) box |= QRect(x, y, 1, 1);
            }
        return box;
    };
    const QRect small = inkBox(one), large = inkBox(scaled);
    const double r = GetParam().ratio;
    EXPECT_NEAR(large.height(), small.height() * r, r + 1);
    EXPECT_NEAR(large.width(), small.width() * r, 4 * r);
    EXPECT_NEAR(large.left(), device(300), r + 1) << "from the same place";
    EXPECT_EQ(scaled.CurrentY(), one.CurrentY()) << "the next line as on a 1x screen";
}

// A new ratio (the window moved to another screen) draws the same picture again at once.
TEST_P(AtRatio, NewRatioRedrawsThePictureAtIt)
{
    frame(one);
    frame(scaled);
    Surface moved{QSize(329, 263)};
    moved.setDeviceRatio(1);
    frame(moved);
    moved.setDeviceRatio(GetParam().ratio);
    EXPECT_TRUE(moved.screenImage() == scaled.screenImage());
    EXPECT_TRUE(moved.Image() == one.Image());
    moved.setDeviceRatio(1);
    EXPECT_TRUE(moved.screenImage() == one.screenImage());
}

// Drawing on and on without clearing keeps the saved picture exact past the surface's memory
// of operations, dashes included, also when the screen's ratio changes after that.
TEST(AtRatioLongRun, SavedPictureHoldsPastTheOperationsKept)
{
    Surface one{QSize(329, 263)}, scaled{QSize(329, 263)}, rescaled{QSize(329, 263)};
    one.setDeviceRatio(1);
    scaled.setDeviceRatio(2);
    rescaled.setDeviceRatio(1);
    for (Surface* s : {&one, &scaled, &rescaled}) {
        s->setDrawMode(Surface::Invert);
        s->setDrawStyle(Surface::Dashed);
        for (int i = 0; i < 70000; ++i) {
            s->setForeColor(i % 16);
            if (i == 0) s->PSet(0, 0); // one polyline: the dash runs on through the whole of it
            s->Line(float(i * 11 % 4935), float(i * 13 % 3945));
        }
    }
    EXPECT_TRUE(scaled.Image() == one.Image());
    scaled.setDeviceRatio(1.5);
    rescaled.setDeviceRatio(2);
    EXPECT_TRUE(scaled.Image() == one.Image()) << "from 2 to 1.5";
    EXPECT_TRUE(rescaled.Image() == one.Image()) << "from 1 to 2";
}

// The screen as Qt shows it, at whatever ratio this run's screen has (QT_SCALE_FACTOR): drawn
// at that ratio, not stretched, which the graticule's line widths tell.
TEST(ShownScreen, FollowsTheScreensRatio)
{
    Surface s{QSize(329, 263)};
    Tracage::TraceGrille(s);
    const double r = s.devicePixelRatioF();
    EXPECT_EQ(s.deviceRatio(), r);
    const QImage shown = s.grab().toImage();
    const int pen = display::deviceLength(1, r);
    const QRgb bg = s.backColor().rgb();
    const QRect inside = s.contentsRect();
    const int row = int((inside.top() + 263 / 16.0) * r), column = int((inside.left() + 329 / 20.0) * r);
    const std::vector<int> across =
        runs(shown, bg, true, row, int(inside.left() * r) + 1, int(inside.right() * r));
    const std::vector<int> down =
        runs(shown, bg, false, column, int(inside.top() * r) + 1, int(inside.bottom() * r));
    EXPECT_EQ(across, std::vector<int>(9, pen)) << "ratio " << r;
    EXPECT_EQ(down, std::vector<int>(7, pen)) << "ratio " << r;
}
