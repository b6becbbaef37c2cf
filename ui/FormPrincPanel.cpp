// The front panel's controls at their fixed places. Positions are in twips, as the panel
// was designed.
#include "display/Twips.h"
#include "ui/FormPrinc.h"
#include "ui/Led.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>

namespace ui {

namespace {
constexpr auto px = display::twipsToPixel;

template <class W>
W* place(W* widget, int left, int top, int width, int height, const QString& name, const QString& accessible)
{
    // Fixed sizes: a caption change then costs no layout pass.
    widget->move(px(left), px(top));
    widget->setFixedSize(px(width), px(height));
    widget->setObjectName(name);
    widget->setAccessibleName(accessible);
    return widget;
}

QString indexed(const char* name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// accessible: what a screen reader announces for an uncaptioned frame.
QGroupBox* groupBox(QWidget* parent, const char* name, const QString& caption, int l, int t, int w, int h,
                    const QString& accessible = {})
{
    auto* box = place(new QGroupBox(caption, parent), l, t, w, h, QLatin1String(name),
                      caption.isEmpty() ? accessible : caption);
    // Opaque, like a frame on a form: the frame read-out's lower rows lie under "Tension".
    box->setAutoFillBackground(true);
    return box;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int l, int t, int w, int h,
              Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop, const QString& accessible = {})
{
    auto* l_ = place(new QLabel(text, parent), l, t, w, h, QLatin1String(name),
                     accessible.isEmpty() ? text : accessible);
    // Texts from the wire must never be taken for markup.
    l_->setTextFormat(Qt::PlainText);
    l_->setAlignment(align);
    return l_;
}

QLabel* heading(QWidget* parent, const char* name, const QString& text, int l, int t, int w, int h,
                bool centred = false)
{
    return label(parent, name, text, l, t, w, h,
                 centred ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop);
}

// The read-outs: white, centred, starting at "0".
QLabel* valueLabel(QWidget* parent, const char* name, int l, int t, const QString& accessible,
                   int width = 735)
{
    QLabel* v = label(parent, name, QStringLiteral("0"), l, t, width, 255, Qt::AlignCenter, accessible);
    QPalette pal = v->palette();
    pal.setColor(QPalette::Window, Qt::white);
    v->setPalette(pal);
    v->setAutoFillBackground(true);
    return v;
}

// The board's parameters: on the highlight-text colour, sized to their text.
QLabel* paramLabel(QWidget* parent, const char* name, const QString& text, int l, int t, int w,
                   const QString& accessible)
{
    QLabel* p = label(parent, name, text, l, t, w, 195, Qt::AlignLeft | Qt::AlignVCenter, accessible);
    QPalette pal = p->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::HighlightedText));
    p->setPalette(pal);
    p->setAutoFillBackground(true);
    return p;
}

QFrame* line(QWidget* parent, const char* name, int l, int t, int w)
{
    auto* f = place(new QFrame(parent), l, t, w, 15, QLatin1String(name), QStringLiteral("séparateur"));
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setFixedSize(px(w), 2);
    return f;
}
} // namespace

void FormPrinc::setParamCaption(QLabel* label, const QString& text)
{
    if (label->text() == text) return;
    label->setText(text);
    label->setFixedSize(label->fontMetrics().horizontalAdvance(text) + 2, label->height());
}

void FormPrinc::buildPanel()
{
    setObjectName(QStringLiteral("FormPrinc"));
    setWindowTitle(QStringLiteral("Vantor LCD"));
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(10320), px(7230));
    setCentralWidget(client);

    // Mode and save.
    QGroupBox* f1 =
        groupBox(client, "Frame1", {}, 0, 0, 1815, 2055, QStringLiteral("Mode et enregistrement"));
    CmdSave = place(new QPushButton(QStringLiteral("Save Bmp"), f1), 120, 240, 1455, 495,
                    QStringLiteral("CmdSave"), QStringLiteral("Save Bmp"));
    cmdScope = place(new QPushButton(QStringLiteral("Scope f(x)"), f1), 120, 840, 1095, 495,
                     QStringLiteral("cmdScope"), QStringLiteral("Scope f(x)"));
    chkScope = place(new QRadioButton(f1), 1320, 960, 255, 375, QStringLiteral("chkScope"),
                     QStringLiteral("Mode temporel"));
    CmdXY = place(new QPushButton(QStringLiteral("Mode XY"), f1), 120, 1440, 1095, 495,
                  QStringLiteral("CmdXY"), QStringLiteral("Mode XY"));
    chkXY =
        place(new QRadioButton(f1), 1320, 1560, 255, 375, QStringLiteral("chkXY"), QStringLiteral("Mode XY"));
    chkScope->setChecked(true);

    // The four channel columns.
    QGroupBox* f2 = groupBox(client, "Frame2", {}, 1920, 0, 4335, 2895, QStringLiteral("Voies"));
    constexpr int column[5] = {0, 120, 1200, 2280, 3360};
    for (int n = 1; n <= 4; ++n) {
        const int left = column[n];
        CH.at(n) = place(new QCheckBox(QStringLiteral("CH&%1").arg(n), f2), left, 120, n == 4 ? 735 : 975,
                         255, indexed("CH", n), QStringLiteral("CH%1").arg(n));
        AC_CH.at(n) = place(new QCheckBox(QStringLiteral("AC/DC"), f2), left, 480, n == 4 ? 855 : 975, 375,
                            indexed("AC_CH", n), QStringLiteral("AC/DC CH%1").arg(n));
        Slider2.at(n) = place(new QSlider(Qt::Vertical, f2), left, 1200, 630, 1395, indexed("Slider2", n),
                              QStringLiteral("Décalage CH%1").arg(n));
        QSlider* s = Slider2(n);
        s->setRange(0, Tracage::kDecalageMax);
        s->setValue(Tracage::kDecalageNul);
        s->setSingleStep(1);
        s->setPageStep(16);
        // 0 at the top: the thumb moves the way the trace does.
        s->setInvertedAppearance(true);
        s->setInvertedControls(true);
        s->setTickPosition(QSlider::TicksRight);
        s->setTickInterval(32);
        CmdResetOffset.at(n) =
            place(new QPushButton(QStringLiteral("<"), f2), left + 600, 1800, 255, 255,
                  indexed("CmdResetOffset", n), QStringLiteral("Remise à zéro du décalage CH%1").arg(n));
    }
    gainCH1 = paramLabel(f2, "gainCH1", QStringLiteral("500mV/div"), column[1], 960, 780,
                         QStringLiteral("Gain CH1"));
    gainCH2 = paramLabel(f2, "gainCH2", QStringLiteral("500mV/div"), column[2], 960, 780,
                         QStringLiteral("Gain CH2"));
    gainCH3 = label(f2, "gainCH3", QStringLiteral("500mV/div"), column[3], 960, 975, 255,
                    Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Gain CH3"));
    gainCH4 = label(f2, "gainCH4", QStringLiteral("500mV/div"), column[4], 960, 855, 255,
                    Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Gain CH4"));
    setParamCaption(gainCH1, QStringLiteral("500mV/div"));
    heading(f2, "lblX", QStringLiteral("X"), 360, 2640, 135, 255);
    heading(f2, "lblY", QStringLiteral("Y"), 1440, 2640, 135, 255);
    heading(f2, "lblOffset", QStringLiteral("Décalages"), 2040, 2640, 855, 255);

    // Time base, trigger and run control.
    QGroupBox* f3 =
        groupBox(client, "Frame3", {}, 6360, 0, 1335, 1695, QStringLiteral("Base de temps et trigger"));
    heading(f3, "lblTime0", QStringLiteral("Base de temps"), 120, 120, 1095, 255, true);
    lblTime = paramLabel(f3, "lblTime", QStringLiteral("100ms/div"), 240, 360, 750,
                         QStringLiteral("Base de temps"));
    line(f3, "Line4", 0, 600, 1320);
    heading(f3, "lblTrig0", QStringLiteral("Trigger"), 240, 720, 615, 255, true);
    lblTrig = paramLabel(f3, "lblTrig", QStringLiteral("Auto>128"), 240, 960, 690, QStringLiteral("Trigger"));
    line(f3, "Line8", 0, 1200, 1320);
    chkRunStop = place(new QCheckBox(QStringLiteral("Run/Stop"), f3), 120, 1320, 1095, 255,
                       QStringLiteral("chkRunStop"), QStringLiteral("Run/Stop"));
    chkRunStop->setChecked(true);
    for (QLabel* p : {gainCH1, gainCH2, lblTime, lblTrig}) {
        const QString text = p->text();
        p->setText({});
        setParamCaption(p, text);
    }

    // The frame as it comes, in rows of a fixed-pitch font: its runs of hexadecimal digits
    // have no blank to break at, and the columns line up from one frame to the next.
    lbl_debug1 = label(client, "lbl_debug1", QStringLiteral("Labeldebug1"), 8400, 0, 1935, 1935,
                       Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Trame reçue"));
    {
        QFont mono(QStringLiteral("Liberation Mono"));
        mono.setStyleHint(QFont::TypeWriter);
        mono.setPixelSize(lbl_debug1->font().pixelSize() > 0 ? lbl_debug1->font().pixelSize() : 11);
        // Plain Latin-1 characters need no shaping: laying a frame out then costs half.
        mono.setStyleStrategy(QFont::PreferNoShaping);
        lbl_debug1->setFont(mono);
    }
    // Opaque, in the window's colour: each refresh then repaints the label alone, not the
    // window and the client area behind it as well.
    lbl_debug1->setAutoFillBackground(true);

    // The screen.
    Scope = new display::Surface(QSize(329, 263), client);
    Scope->setObjectName(QStringLiteral("Scope"));
    Scope->setAccessibleName(QStringLiteral("Écran"));
    Scope->move(px(360), px(3120));

    // Keypad and coupling lamps.
    QGroupBox* f4 = groupBox(client, "Frame4", {}, 5760, 3000, 1935, 4215, QStringLiteral("Clavier"));
    struct Key
    {
        int index;
        const char* caption;
        int left, top;
    };
    constexpr Key keys[15] = {{1, "1", 120, 240},    {2, "2", 720, 240},    {3, "3", 1320, 240},
                              {4, "4", 120, 840},    {5, "5", 720, 840},    {6, "6", 1320, 840},
                              {7, "7", 120, 1440},   {8, "8", 720, 1440},   {9, "9", 1320, 1440},
                              {11, "*", 120, 2040},  {10, "0", 720, 2040},  {12, "#", 1320, 2040},
                              {13, "13", 120, 3600}, {14, "14", 720, 3600}, {15, "15", 1320, 3600}};
    for (const Key& k : keys) {
        const QString caption = QLatin1String(k.caption);
        CmdClav.at(k.index) = place(new QPushButton(caption, f4), k.left, k.top, 495, 495,
                                    indexed("CmdClav", k.index), QStringLiteral("Touche %1").arg(caption));
        CmdClav(k.index)->setFocusPolicy(Qt::TabFocus);
    }
    Led1 = place(new Led(f4), 240, 2760, 255, 255, QStringLiteral("Led1"), QStringLiteral("CHB dc"));
    Led2 = place(new Led(f4), 840, 2760, 255, 255, QStringLiteral("Led2"), QStringLiteral("Voyant"));
    Led3 = place(new Led(f4), 1440, 2760, 255, 255, QStringLiteral("Led3"), QStringLiteral("CHA dc"));
    Led1->setFillColor(Led::kRouge);
    Led2->setFillColor(Led::kOlive);
    Led3->setFillColor(Led::kRouge);
    heading(f4, "Label3", QStringLiteral("CHB dc"), 120, 3120, 615, 255, true);
    heading(f4, "Label2", QStringLiteral("CHA dc"), 1200, 3120, 615, 255, true);

    // Measurements.
    QGroupBox* f7 = groupBox(client, "Frame7", QStringLiteral("Tension"), 7920, 1800, 2415, 1935);
    heading(f7, "Label14", QStringLiteral("CH1"), 840, 240, 495, 255, true);
    heading(f7, "Label15", QStringLiteral("CH2"), 1680, 240, 495, 255, true);
    struct Row
    {
        const char* heading;
        const char* name;
        int top, width;
        QLabel** ch1;
        QLabel** ch2;
        const char* n1;
        const char* n2;
    };
    const Row rows[4] = {
        {"min", "Label16", 480, 375, &lblCH1min, &lblCH2min, "lblCH1min", "lblCH2min"},
        {"max", "Label17", 840, 375, &lblCH1max, &lblCH2max, "lblCH1max", "lblCH2max"},
        {"moy", "Label18", 1200, 495, &lblCH1moy, &lblCH2moy, "lblCH1moy", "lblCH2moy"},
        {"delta", "Label19", 1560, 495, &lblCH1delta, &lblCH2delta, "lblCH1delta", "lblCH2delta"}};
    for (const Row& r : rows) {
        const QString h = QLatin1String(r.heading);
        heading(f7, r.name, h, 120, r.top, r.width, 255);
        *r.ch1 = valueLabel(f7, r.n1, 720, r.top, QStringLiteral("CH1 ") + h);
        *r.ch2 = valueLabel(f7, r.n2, 1560, r.top, QStringLiteral("CH2 ") + h);
    }

    // Cursor read-outs: a heading, and its value label beside or under it (twips).
    QGroupBox* f6 = groupBox(client, "Frame6", QStringLiteral("Curseurs Tension"), 7920, 3840, 2415, 1815);
    QGroupBox* f5 = groupBox(client, "Frame5", QStringLiteral("Curseurs Temps"), 7920, 5760, 2415, 1455);
    const struct
    {
        QGroupBox* frame;
        const char* headingName;
        const char* heading;
        QRect headingAt;
        bool centred;
        const char* name;
        QLabel** label;
        QPoint at;
        int width;
    } readouts[] = {
        {f6, "Label20", "CH1.1", {120, 360, 495, 255}, false, "lblVa1", &lblVa1, {720, 360}, 735},
        {f6, "Label21", "CH1.2", {120, 720, 495, 255}, false, "lblVa2", &lblVa2, {720, 720}, 735},
        {f6, "Label22", "CH2.1", {120, 1080, 495, 255}, false, "lblVb1", &lblVb1, {720, 1080}, 735},
        {f6, "Label23", "CH2.2", {120, 1440, 495, 255}, false, "lblVb2", &lblVb2, {720, 1440}, 735},
        {f6, "Label24", "Diff CH1", {1560, 240, 735, 255}, true, "lblVaDiff", &lblVaDiff, {1560, 480}, 735},
        {f6, "Label25", "Diff CH2", {1560, 960, 735, 255}, true, "lblVbDiff", &lblVbDiff, {1560, 1200}, 735},
        {f5, "Label26", "T1", {240, 360, 255, 255}, false, "LblCursT1", &LblCursT1, {720, 360}, 735},
        {f5, "Label27", "T2", {240, 720, 255, 255}, false, "LblCursT2", &LblCursT2, {720, 720}, 735},
        {f5,
         "Label28",
         "T2-T1",
         {1800, 240, 495, 255},
         false,
         "lblCursTdiff",
         &lblCursTdiff,
         {1560, 480},
         735},
        {f5, "Label29", "frq", {240, 1080, 255, 255}, false, "lblCursFrq", &lblCursFrq, {960, 1080}, 1215},
    };
    for (const auto& r : readouts) {
        const QString h = QLatin1String(r.heading);
        const QRect& g = r.headingAt;
        heading(r.frame, r.headingName, h, g.x(), g.y(), g.width(), g.height(), r.centred);
        *r.label = valueLabel(r.frame, r.name, r.at.x(), r.at.y(), h, r.width);
    }

    // The cursor enables sit on the frames' top edges, above them.
    ChkCursTension = place(new QCheckBox(client), 9600, 3840, 255, 255, QStringLiteral("ChkCursTension"),
                           QStringLiteral("Curseurs Tension"));
    ChkCursTemps = place(new QCheckBox(client), 9600, 5760, 255, 255, QStringLiteral("ChkCursTemps"),
                         QStringLiteral("Curseurs Temps"));
    ChkCursTension->raise();
    ChkCursTemps->raise();

    // Status bar with its two keyed panels.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(px(375));
    const auto addPanel = [bar](const QString& key, const QString& text, const QString& accessible) {
        auto* p = new QLabel(text, bar);
        p->setObjectName(key);
        p->setAccessibleName(accessible);
        p->setToolTip(text);
        p->setTextFormat(Qt::PlainText);
        p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        p->setAutoFillBackground(true); // opaque: a new text repaints the panel alone
        p->setFixedSize(px(1440), px(375) - 4);
        bar->addWidget(p);
        return p;
    };
    statusPanel =
        addPanel(QStringLiteral("Status"), QStringLiteral("Etat"), QStringLiteral("État de la réception"));
    comportPanel = addPanel(QStringLiteral("comport"), QStringLiteral("COM1"), QStringLiteral("Port série"));
    passePanel = addPanel(QStringLiteral("Historique"), QString(), QStringLiteral("Trame affichée"));
    passePanel->setFixedWidth(px(3600));
    enrPanel =
        addPanel(QStringLiteral("Enregistrement"), QString(), QStringLiteral("Enregistrement de la session"));
    // Any moment of a session, as in a video: dragged anywhere, or a click beside it for ten seconds.
    PositionSession = new QSlider(Qt::Horizontal, bar);
    PositionSession->setObjectName(QStringLiteral("PositionSession"));
    PositionSession->setAccessibleName(QStringLiteral("Position dans la session"));
    PositionSession->setFixedSize(px(1800), px(375) - 4);
    bar->addWidget(PositionSession);
    PositionSession->hide();

    MSComm1 = new acquisition::SerialLink(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(acquisition::FrameAssembler::kTimeout);
}

void FormPrinc::buildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("Fichier"));
    file->setObjectName(QStringLiteral("File"));
    Open = file->addAction(QStringLiteral("&Ouvrir"));
    Open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    Save = file->addAction(QStringLiteral("&Enregistrer"));
    Save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    EnrSession = file->addAction(QString()); // its text says whether a session is recorded
    EnrSession->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    EnrSession->setObjectName(QStringLiteral("EnrSession"));
    Quit = file->addAction(QStringLiteral("&Quitter"));
    Open->setObjectName(QStringLiteral("Open"));
    Save->setObjectName(QStringLiteral("Save"));
    Quit->setObjectName(QStringLiteral("Quit"));

    Comport = bar->addMenu(QStringLiteral("Comport"));
    Comport->setObjectName(QStringLiteral("Comport"));
    for (int n = 1; n <= 4; ++n) {
        QAction* a = Comport->addAction(QStringLiteral("COM&%1").arg(n));
        a->setObjectName(QStringLiteral("com%1").arg(n));
        a->setCheckable(true);
        a->setChecked(n == 1);
        com.at(n) = a;
    }
    Comport->addSeparator();

    QMenu* help = bar->addMenu(QStringLiteral("?"));
    help->setObjectName(QStringLiteral("Help"));
    about = help->addAction(QStringLiteral("About"));
    about->setObjectName(QStringLiteral("about"));

    // Keys of the window rather than of a control: a focused slider would take Page Up for
    // itself. Enabled only while Run/Stop is unticked.
    const QKeyCombination pas[] = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
    for (int k = 1; k <= 4; ++k) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("PasHistorique%1").arg(k));
        a->setShortcut(QKeySequence(pas[k - 1]));
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(false);
        addAction(a);
        PasHistorique.at(k) = a;
    }
    LectureHistorique = new QAction(this);
    LectureHistorique->setObjectName(QStringLiteral("LectureHistorique"));
    LectureHistorique->setShortcut(QKeySequence(Qt::Key_L));
    LectureHistorique->setShortcutContext(Qt::WindowShortcut);
    LectureHistorique->setEnabled(false);
    addAction(LectureHistorique);
}

// The serial devices the system reports now, below COM1 to COM4: a USB adapter plugged in
// since the menu was last opened is there.
void FormPrinc::listDevices()
{
    qDeleteAll(std::exchange(comDevices, {}));
    const QList<acquisition::SerialDevice> devices = acquisition::otherDevices(serialDevices());
    for (const acquisition::SerialDevice& d : devices) {
        QAction* a = Comport->addAction(acquisition::menuCaption(d));
        a->setObjectName(QStringLiteral("device(%1)").arg(d.name));
        a->setData(d.location);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, d] { open_device(d); });
        comDevices.append(a);
    }
    if (devices.isEmpty()) {
        QAction* none = Comport->addAction(QStringLiteral("Aucun autre port série détecté"));
        none->setObjectName(QStringLiteral("device()"));
        none->setEnabled(false);
        comDevices.append(none);
    }
    tickPort();
}

} // namespace ui
