#include "ui/CachedLabel.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QImage shot(QLabel& l)
{
    QImage img(l.size(), QImage::Format_RGB32);
    img.fill(Qt::gray);
    l.render(&img);
    return img;
}

// The settings the window uses: read-outs (white, centred), parameters (filled, left), status
// panels (sunken frame, indented), headings (transparent).
struct Look
{
    const char* name;
    Qt::Alignment align;
    bool filled;
    int frame;
};

class CachedLabelLook : public ::testing::TestWithParam<Look>
{
protected:
    template <class L>
    void setUp(L& l)
    {
        const Look& look = GetParam();
        l.setTextFormat(Qt::PlainText);
        l.setAlignment(look.align);
        l.setAutoFillBackground(look.filled);
        if (look.filled) {
            QPalette pal = l.palette();
            pal.setColor(QPalette::Window, Qt::white);
            l.setPalette(pal);
        }
        l.setFrameStyle(look.frame);
        l.setFixedSize(96, 25);
    }
};

} // namespace

// After any sequence of texts, and of enabling, disabling and restyling, the picture is the one
// a QLabel with the same settings paints.
TEST_P(CachedLabelLook, PaintsWhatAQLabelPaints)
{
    QLabel plain;
    ui::CachedLabel cached;
    setUp(plain);
    setUp(cached);
    const QString texts[] = {QStringLiteral("Rx Start"), QStringLiteral("Rx OK"), QStringLiteral("-12,5mV"),
                             QStringLiteral("Rx Start"), QString(), QStringLiteral("Wide text, clipped at the edge")};
    for (int round = 0; round < 3; ++round) {
        for (const QString& t : texts) {
            plain.setText(t);
            cached.setText(t);
            ASSERT_EQ(shot(cached), shot(plain)) << GetParam().name << ", \"" << t.toStdString() << "\", round " << round;
        }
        for (QLabel* l : {static_cast<QLabel*>(&plain), static_cast<QLabel*>(&cached)}) {
            if (round == 0) l->setEnabled(false);
            if (round == 1) {
                l->setEnabled(true);
                l->setAlignment(Qt::AlignRight | Qt::AlignBottom);
                QFont f = l->font();
                f.setBold(true);
                l->setFont(f);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Looks, CachedLabelLook,
    ::testing::Values(Look{"read-out", Qt::AlignCenter, true, QFrame::NoFrame},
                      Look{"parameter", Qt::AlignLeft | Qt::AlignVCenter, true, QFrame::NoFrame},
                      Look{"status panel", Qt::AlignLeft | Qt::AlignVCenter, true, QFrame::Panel | QFrame::Sunken},
                      Look{"heading", Qt::AlignLeft | Qt::AlignTop, false, QFrame::NoFrame}),
    [](const ::testing::TestParamInfo<Look>& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (c == ' ' || c == '-') c = '_';
        return n;
    });
