#include "ui/FormPrinc.h"

#include "acquisition/Clavier.h"
#include "acquisition/FrameDecoder.h"
#include "acquisition/TrameCsv.h"
#include "measure/Format.h"
#include "measure/Readouts.h"
#include "ui/Artwork.h"
#include "ui/Dialogs.h"
#include "ui/FormAbout.h"
#include "ui/Led.h"
#include "ui/Sauvegarde.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <utility>

namespace ui {

namespace {
// The label shows some two hundred characters; a runaway frame is not laid out whole.
constexpr qsizetype kTrameShownMax = 4096;

// A frame's settings as the panel's captions and the legend print them.
Tracage::Legende legende(const acquisition::DecodedFrame& d)
{
    Tracage::Legende l;
    l.ac1 = d.ac1;
    l.ac2 = d.ac2;
    l.gain1 = acquisition::gainCaption(d.gain1);
    l.gain2 = acquisition::gainCaption(d.gain2);
    l.time = acquisition::timeBaseCaption(d);
    l.trig = QString::fromLatin1(d.trigText) + QString::number(d.trigLevel);
    return l;
}
} // namespace

FormPrinc::FormPrinc(Dialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs)
{
    buildPanel();
    buildMenus();
    setWindowIcon(Artwork::windowIcon());
    // The panel has fixed geometry; the window does not resize.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    affParam_ = [this] { AffParam(); };
    drawGraph_ = [this] { DrawGraph(); };
    trameRefresh_.setSingleShot(true);
    trameRefresh_.setInterval(kTrameRefreshMs);
    portLife = new acquisition::PortLife(*MSComm1, this);
    portLife->devices = [this] { return serialDevices(); };
    enregistreur = new acquisition::Enregistreur(this);
    defilement = new acquisition::Defilement(this);
    enrAffichage_.setInterval(1000);
    chargeur_.setSingleShot(true);
    connectHandlers();
    affEnregistrement();
    Form_Load();
}

FormPrinc::~FormPrinc()
{
    delete aboutWindow.data();
}

void FormPrinc::connectHandlers()
{
    connect(MSComm1, &acquisition::SerialLink::OnComm, this, &FormPrinc::MSComm1_OnComm);
    connect(portLife, &acquisition::PortLife::changed, this, &FormPrinc::showPort);
    connect(portLife, &acquisition::PortLife::opened, this, &FormPrinc::portReopened);
    connect(portLife, &acquisition::PortLife::warning, this,
            [this](const QString& text) { dialogs_.warning(this, text); });
    connect(portLife, &acquisition::PortLife::silence, this, &FormPrinc::AffSilence);
    connect(Timer1, &QTimer::timeout, this, &FormPrinc::Timer1_Timer);
    connect(&trameRefresh_, &QTimer::timeout, this, &FormPrinc::AffTrame);
    connect(Scope, &display::Surface::mouseDown, this, &FormPrinc::Scope_MouseDown);
    connect(Scope, &display::Surface::mouseMove, this, &FormPrinc::Scope_MouseMove);
    connect(Scope, &display::Surface::mouseUp, this, &FormPrinc::Scope_MouseUp);
    connect(cmdScope, &QPushButton::clicked, this, &FormPrinc::cmdScope_Click);
    connect(CmdXY, &QPushButton::clicked, this, &FormPrinc::CmdXY_Click);
    connect(chkScope, &QRadioButton::clicked, this, &FormPrinc::chkScope_Click);
    connect(chkXY, &QRadioButton::clicked, this, &FormPrinc::chkXY_Click);
    connect(CmdSave, &QPushButton::clicked, this, &FormPrinc::CmdSave_Click);
    connect(Save, &QAction::triggered, this, &FormPrinc::Save_Click);
    connect(Open, &QAction::triggered, this, &FormPrinc::Open_Click);
    connect(EnrSession, &QAction::triggered, this, &FormPrinc::EnrSession_Click);
    connect(LectureHistorique, &QAction::triggered, this, &FormPrinc::LectureHistorique_Click);
    // Queued: the box must not run its own event loop inside the frame that failed to be written.
    connect(enregistreur, &acquisition::Enregistreur::echec, this, &FormPrinc::enregistrementEchoue,
            Qt::QueuedConnection);
    connect(&enrAffichage_, &QTimer::timeout, this, &FormPrinc::affEnregistrement);
    connect(&chargeur_, &QTimer::timeout, this, &FormPrinc::chargeTranche);
    connect(defilement, &acquisition::Defilement::montre, this,
            [this](qint64 n) { AffHistorique(int(n - historique.premier())); });
    connect(chkRunStop, &QCheckBox::toggled, this, &FormPrinc::chkRunStop_Click);
    connect(Quit, &QAction::triggered, this, &FormPrinc::Quit_Click);
    connect(about, &QAction::triggered, this, &FormPrinc::about_Click);
    connect(com(1), &QAction::triggered, this, &FormPrinc::com1_Click);
    connect(com(2), &QAction::triggered, this, &FormPrinc::com2_Click);
    connect(com(3), &QAction::triggered, this, &FormPrinc::com3_Click);
    connect(com(4), &QAction::triggered, this, &FormPrinc::com4_Click);
    connect(Comport, &QMenu::aboutToShow, this, &FormPrinc::listDevices);
    for (int n = 1; n <= 4; ++n) {
        connect(Slider2(n), &QSlider::valueChanged, this, [this, n] { Slider2_Click(n); });
        connect(CmdResetOffset(n), &QPushButton::clicked, this, [this, n] { CmdResetOffset_Click(n); });
    }
    for (int i = 1; i <= 15; ++i)
        connect(CmdClav(i), &QPushButton::clicked, this, [this, i] { CmdClav_Click(i); });
    for (int k = 1; k <= 4; ++k)
        connect(PasHistorique(k), &QAction::triggered, this,
                [this, k] { Historique_Pas(acquisition::Historique::Pas(k - 1)); });
}

QLabel* FormPrinc::panel(const QString& key) const
{
    if (key == QLatin1String("Status")) return statusPanel;
    if (key == QLatin1String("comport")) return comportPanel;
    return nullptr;
}

void FormPrinc::setStatus(const QString& text)
{
    // While a file is shown the panel names it: reception goes on, its news would hide that.
    if (fichierAffiche_.isEmpty()) statusPanel->setText(text);
}

// ---- Reception ---------------------------------------------------------------------

void FormPrinc::MSComm1_OnComm()
{
    if (MSComm1->CommEvent() != acquisition::SerialLink::kEventReceive) return;
    const QByteArray chunk = MSComm1->Input();
    Reception(chunk);
}

void FormPrinc::Reception(QByteArrayView chunk)
{
    rx.Reception(chunk, *this);
}

void FormPrinc::rxStart()
{
    setStatus(QStringLiteral("Rx Start"));
    ++rxStarts_;
    // Each frame gets the full period: a tick left over from an earlier frame must not cut it.
    Timer1->start();
}

void FormPrinc::rxStop()
{
    setStatus(QStringLiteral("Rx Stop"));
    // The buffer just handed over is the whole frame, end code included: the label shows it
    // rather than the start of the next one.
    trameWhole_ = trameLast_;
    Timer1->stop();
}

void FormPrinc::rxOverflow()
{
    setStatus(QStringLiteral("Rx TimeOut"));
}

// Every chunk changes the frame being received, dozens of times per frame: the label follows
// at a pace an eye can, not at the port's.
void FormPrinc::bufferShown(const QByteArray& buffer)
{
    trameLast_ = buffer;
    if (!trameRefresh_.isActive()) trameRefresh_.start();
}

void FormPrinc::AffTrame()
{
    const QByteArray next = trameWhole_.isNull() ? trameLast_ : std::exchange(trameWhole_, QByteArray());
    // The next frame has begun meanwhile: its turn comes at the next refresh.
    if (next != trameLast_) trameRefresh_.start();
    if (next == trameShown_) return;
    trameShown_ = next;
    const QString text = QString::fromLatin1(next.first(std::min(next.size(), kTrameShownMax)));
    const int columns = std::max(
        1, lbl_debug1->width() / std::max(1, lbl_debug1->fontMetrics().horizontalAdvance(QLatin1Char('0'))));
    QString rows;
    rows.reserve(text.size() + text.size() / columns);
    for (qsizetype at = 0; at < text.size(); at += columns) {
        if (at > 0) rows += QLatin1Char('\n');
        rows += QStringView(text).mid(at, columns);
    }
    lbl_debug1->setText(rows);
}

void FormPrinc::AffSilence(const QString& hint)
{
    // A sentence, unlike a frame, is broken at its blanks; the next frame is laid out afresh.
    lbl_debug1->setWordWrap(!hint.isEmpty());
    lbl_debug1->setText(hint);
    trameShown_.clear();
}

void FormPrinc::frame(const QByteArray& text)
{
    Receive_scope(text);
}

void FormPrinc::Timer1_Timer()
{
    if (rx.rxState() == acquisition::RxState::Receiving) {
        // An end that reached the port before the deadline, while the program was busy, is not
        // late: take in what waits there first. If the frame ended, or a new one began with
        // its own full period, this tick is not its timeout.
        const quint64 starts = rxStarts_;
        MSComm1->collect();
        if (!Timer1->isActive() || rxStarts_ != starts) return;
    }
    rx.timeout();
    setStatus(QStringLiteral("Rx TimeOut"));
}

void FormPrinc::Receive_scope(const QByteArray& frame)
{
    const acquisition::TrameDatee t{acquisition::decodeFrame(frame), QDateTime::currentMSecsSinceEpoch()};
    ++framesDecoded;
    if (enregistreur->actif()) enregistreur->ecrit(t);
    // A session opened from a file is the past until Run/Stop is ticked again.
    if (!session_) historique.append(t);
    // A frame opened from a file stays on the panel until the user goes back to live ones.
    if (!fichierAffiche_.isEmpty()) return;
    affiche(t.trame);
    setStatus(QStringLiteral("Rx OK"));
    if (chkRunStop->isChecked())
        montre(t, historique.dernier());
    else if (numeroAffiche_)
        affPasse(); // the frame shown is one more frame back from the newest
}

// The record and the panel's indicators from one frame, whether it came from the board or a file.
void FormPrinc::affiche(const acquisition::DecodedFrame& d)
{
    const Tracage::Legende captions = legende(d);
    gain1 = QString::fromLatin1(d.gain1);
    setParamCaption(gainCH1, captions.gain1);
    AC_CH(1)->setChecked(d.ac1);
    Led3->setFillColor(d.ac1 ? Led::kNoir : Led::kRouge);
    dataCH1 = d.ch1;

    gain2 = QString::fromLatin1(d.gain2);
    setParamCaption(gainCH2, captions.gain2);
    AC_CH(2)->setChecked(d.ac2);
    Led1->setFillColor(d.ac2 ? Led::kNoir : Led::kRouge);
    dataCH2 = d.ch2;

    timeBase = acquisition::timeBase(d);
    setParamCaption(lblTime, captions.time);
    setParamCaption(lblTrig, captions.trig);
}

// `t` becomes the frame on the screen: drawn, measured, read by the cursors and saved from now on.
void FormPrinc::montre(const acquisition::TrameDatee& t, std::optional<qint64> numero)
{
    // The readouts follow the cursors and the frame's scales alone: a frame in the scales of the
    // one before, as nearly every live frame is, leaves their texts as they are.
    const acquisition::DecodedFrame& avant = trameAffichee_.trame;
    const bool autreTemps = t.trame.timeField != avant.timeField;
    const bool autresGains = t.trame.gain1 != avant.gain1 || t.trame.gain2 != avant.gain2;
    trameAffichee_ = t;
    numeroAffiche_ = numero;
    trameRecue_ = true;
    // The channels drawn are the frame's, whatever the board does meanwhile.
    CH(1)->setChecked(true);
    CH(2)->setChecked(Calcul::voie2Echantillonnee(acquisition::timeBase(t.trame)));
    DrawGraph();
    affCurseurs(autreTemps, autresGains);
    affPasse();
}

// While frames are frozen, the time of the one shown and how far back it lies.
void FormPrinc::affPasse()
{
    const QString texte =
        chkRunStop->isChecked() || !numeroAffiche_
            ? QString()
            : Format::passe(trameAffichee_.arriveeMs, historique.dernier() - *numeroAffiche_, QLocale());
    if (passePanel->text() != texte) passePanel->setText(texte);
}

void FormPrinc::AffHistorique(int i)
{
    if (i < 0 || i >= historique.size()) return;
    // The past takes the screen from a single file as it does from a live frame; a session's
    // frames are the past, each with the settings it was recorded with.
    if (session_)
        affiche(historique.at(i).trame);
    else if (!fichierAffiche_.isEmpty())
        leaveFile();
    montre(historique.at(i), historique.premier() + i);
}

// The panel follows the board again, from the newest frame it sent.
void FormPrinc::leaveFile()
{
    fichierAffiche_.clear();
    setStatus(QStringLiteral("Etat"));
    if (!historique.isEmpty()) affiche(historique.at(historique.size() - 1).trame);
}

void FormPrinc::Historique_Pas(acquisition::Historique::Pas pas)
{
    if (chkRunStop->isChecked()) return;
    // A step is the user's: it ends a play.
    defilement->arrete();
    const std::optional<qint64> n = historique.vers(numeroAffiche_, pas);
    if (n && n != numeroAffiche_) AffHistorique(int(*n - historique.premier()));
}

// ---- Drawing -----------------------------------------------------------------------

Tracage::Voies FormPrinc::voies() const
{
    Tracage::Voies v;
    for (int n = 1; n <= 4; ++n) {
        v.shown[n - 1] = CH(n)->isChecked();
        v.offset[n - 1] = Slider2(n)->value();
    }
    return v;
}

void FormPrinc::displaySize(int& width, int& height) const
{
    width = Format::roundHalfEvenInt16(Scope->ScaleWidth());
    height = Format::roundHalfEvenInt16(Scope->ScaleHeight());
}

void FormPrinc::DrawGraph()
{
    if (chkScope->isChecked())
        cmdScope_Click();
    else
        CmdXY_Click();
}

void FormPrinc::Grille()
{
    Tracage::TraceGrille(*Scope);
}

void FormPrinc::AffScope()
{
    int w, h;
    displaySize(w, h);
    Tracage::TraceScope(*Scope, trameAffichee_.trame.ch1, trameAffichee_.trame.ch2, dataCH3, dataCH4, voies(),
                        mesures[0], mesures[1], affParam_);
    Tracage::TraceCurseurs(*Scope, Tracage::kCurseursSurImage, w, h, curseurs, ChkCursTemps->isChecked(),
                           ChkCursTension->isChecked(), true, drawGraph_);
}

void FormPrinc::AffXY()
{
    Tracage::TraceXY(*Scope, trameAffichee_.trame.ch1, trameAffichee_.trame.ch2, Slider2(1)->value(),
                     Slider2(2)->value(), affParam_);
}

void FormPrinc::AffParam()
{
    // The settings of the frame drawn: the panel's captions follow the board meanwhile.
    Tracage::TraceLegende(*Scope, legende(trameAffichee_.trame));

    const Calcul::Mesures& m1 = mesures[0];
    const Calcul::Mesures& m2 = mesures[1];
    lblCH1moy->setText(Format::integer(m1.moy));
    lblCH1min->setText(Format::integer(m1.min));
    lblCH1max->setText(Format::integer(m1.max));
    lblCH1delta->setText(Format::integer(m1.delta));
    lblCH2moy->setText(Format::integer(m2.moy));
    lblCH2min->setText(Format::integer(m2.min));
    lblCH2max->setText(Format::integer(m2.max));
    lblCH2delta->setText(Format::integer(m2.delta));
}

// ---- Mode and offsets --------------------------------------------------------------

void FormPrinc::chkScope_Click()
{
    chkScope->setChecked(true);
    chkXY->setChecked(false);
}

void FormPrinc::chkXY_Click()
{
    chkXY->setChecked(true);
    chkScope->setChecked(false);
}

void FormPrinc::cmdScope_Click()
{
    chkScope_Click();
    // The graticule comes with AffScope, after it clears the screen: drawing it here first
    // as well would be wiped before anyone saw it, on every frame.
    AffScope();
}

void FormPrinc::CmdXY_Click()
{
    chkXY_Click();
    AffXY();
}

void FormPrinc::Slider2_Click(int)
{
    DrawGraph();
}

void FormPrinc::CmdResetOffset_Click(int index)
{
    {
        const QSignalBlocker quiet(Slider2(index));
        Slider2(index)->setValue(Tracage::kDecalageNul);
    }
    DrawGraph();
}

// ---- Cursors -----------------------------------------------------------------------

void FormPrinc::Scope_MouseDown(int button, int shift, float x, float y)
{
    DrawGraph();
    Scope_MouseMove(button, shift, x, y);
    // No frame may redraw the screen under a drag; the release reopens the port.
    portLife->hold();
}

void FormPrinc::Scope_MouseMove(int button, int shift, float x, float y)
{
    Scope->setForeColor(display::Couleur::Blanc);
    int w, h;
    displaySize(w, h);
    const Curseurs::Handled handled = Curseurs::bouge(curseurs, button, shift, x, y, w, h,
                                                      ChkCursTemps->isChecked(), ChkCursTension->isChecked());
    affCurseurs(handled.time, handled.voltage);
    Tracage::TraceCurseurs(*Scope, button, w, h, curseurs, ChkCursTemps->isChecked(),
                           ChkCursTension->isChecked(), chkScope->isChecked(), drawGraph_);
}

// The readouts of the time or voltage cursors, in the scales of the frame on the screen.
void FormPrinc::affCurseurs(bool time, bool voltage)
{
    int w, h;
    displaySize(w, h);
    const QLocale locale;
    if (time) {
        const Readouts::TimeTexts t = Readouts::timeReadouts(acquisition::timeBase(trameAffichee_.trame),
                                                             curseurs.oldX, curseurs.oldX2, w, locale);
        LblCursT1->setText(t.t1);
        LblCursT2->setText(t.t2);
        lblCursTdiff->setText(t.tdiff);
        if (t.frq) lblCursFrq->setText(*t.frq);
    }
    if (voltage) {
        // Both channels at the same two cursors, each in its own gain.
        const auto voltages = [&](const QByteArray& gain, QLabel* first, QLabel* second, QLabel* diff) {
            const Readouts::VoltageTexts v = Readouts::voltageReadouts(
                QString::fromLatin1(gain), curseurs.oldY, curseurs.oldY2, h, locale);
            first->setText(v.v1);
            second->setText(v.v2);
            diff->setText(v.diff);
        };
        voltages(trameAffichee_.trame.gain1, lblVa1, lblVa2, lblVaDiff);
        voltages(trameAffichee_.trame.gain2, lblVb1, lblVb2, lblVbDiff);
    }
}

void FormPrinc::Scope_MouseUp(int, int, float, float)
{
    portLife->release();
}

void FormPrinc::portReopened()
{
    // Bytes lost while the port was closed: what comes now cannot continue a frame cut by
    // the close, and glued to it would decode as one frame made of two. The frame still
    // ends in the timeout, which goes on running.
    if (rx.rxState() == acquisition::RxState::Receiving) rx.timeout();
}

// ---- Port management ---------------------------------------------------------------

void FormPrinc::showPort()
{
    const QString text = portLife->panel();
    comportPanel->setText(text);
    const QString reason = portLife->reason();
    comportPanel->setToolTip(reason.isEmpty() ? text : text + QLatin1Char('\n') + reason);
    tickPort();
}

// One tick in the whole menu, on the port chosen last.
void FormPrinc::tickPort()
{
    const acquisition::PortChoice chosen = portLife->choice();
    for (int i = 1; i <= 4; ++i)
        com(i)->setChecked(i == chosen.commPort);
    const QString device = chosen.commPort == 0 ? chosen.device.location : QString();
    for (QAction* a : std::as_const(comDevices))
        a->setChecked(!device.isEmpty() && a->data().toString() == device);
}

void FormPrinc::Form_Load()
{
    Tracage::TraceGrille(*Scope);
    portLife->start();
    // Drawn before any frame comes: the empty record under the initial settings.
    acquisition::DecodedFrame& d = trameAffichee_.trame;
    d.gain1 = "500mV";
    d.gain2 = "   2V";
    d.timeField = "100m";
    d.trigText = "Auto>";
    d.trigLevel = 128;
    gain1 = QString::fromLatin1(d.gain1);
    gain2 = QString::fromLatin1(d.gain2);
    timeBase = acquisition::timeBase(d);
}

void FormPrinc::Quit_Click()
{
    Form_Unload();
    close();
}

void FormPrinc::closeEvent(QCloseEvent* event)
{
    if (aboutWindow) aboutWindow->close();
    // Ended as Ctrl+R ends it, while the window is there to tell a failure; after it, nothing is
    // told: not a key that did not go, nor a recording's late report.
    arreteEnregistrement();
    disconnect(enregistreur, nullptr, this, nullptr);
    disconnect(portLife, &acquisition::PortLife::warning, this, nullptr);
    portLife->close();
    event->accept();
}

// ---- Keypad, save, About -----------------------------------------------------------

void FormPrinc::CmdClav_Click(int index)
{
    portLife->send(acquisition::codeTouche(index));
}

void FormPrinc::Save_Click()
{
    Sauvegarde::Contenus contenus;
    contenus.image = [this] { return Scope->Image(); };
    contenus.ecran = [this] { return Scope->screenImage(); };
    // Before any frame there is nothing to write: the zeros drawn were never measured.
    contenus.donnees = [this] {
        return trameRecue_ ? acquisition::TrameCsv::ecrit(trameAffichee_.trame, QLocale()) : QByteArray();
    };
    contenus.refus = [this](const QString& chemin) { return enregistreur->refusSurLeFichier(chemin); };
    Sauvegarde::SauveImage(this, dialogs_, contenus, Ret);
}

void FormPrinc::Open_Click()
{
    const std::optional<QString> path =
        dialogs_.openFileName(this, QStringLiteral("Ouvre une trame ou une session enregistr\u00e9e"),
                              QStringLiteral("Donn\u00e9es CSV (*.csv)|*.csv|Tous les fichiers (*.*)|*.*"));
    if (!path) return;
    ouvre(*path);
}

void FormPrinc::chkRunStop_Click()
{
    // Stepping through the past is for a frozen screen; running, the keys stay the controls'.
    const bool live = chkRunStop->isChecked();
    for (int k = 1; k <= 4; ++k)
        PasHistorique(k)->setEnabled(!live);
    LectureHistorique->setEnabled(!live);
    affPasse();
    if (!live) return;
    quitteSession();
    // Back to the board: its newest frame at once, the next ones as they come.
    if (!historique.isEmpty() && numeroAffiche_ != historique.dernier())
        AffHistorique(historique.size() - 1);
    else if (!fichierAffiche_.isEmpty())
        leaveFile();
}

void FormPrinc::about_Click()
{
    if (!aboutWindow) aboutWindow = new ::FormAbout;
    aboutWindow->show();
    aboutWindow->raise();
    aboutWindow->activateWindow();
}

} // namespace ui
