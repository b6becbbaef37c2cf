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
#include "ui/Ouverture.h"
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
    ouverture_ = new Ouverture(dialogs_, this);
    enrAffichage_.setInterval(1000);
    lecteur_.setSingleShot(true);
    lecteur_.setTimerType(Qt::PreciseTimer);
    horloge_.start();
    etatRx_ = statusPanel->text();
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
    connect(portLife, &acquisition::PortLife::warning, this, &FormPrinc::avertit);
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
    connect(&lecteur_, &QTimer::timeout, this, [this] { applique(affichage.tic(horloge_.elapsed())); });
    connect(ouverture_, &Ouverture::trameSeule, this,
            [this](const acquisition::TrameDatee& t, const QString& nom) {
                applique(affichage.fichier(t, nom));
            });
    connect(ouverture_, &Ouverture::session, this,
            [this](const std::shared_ptr<acquisition::Session>& s, const QString& nom) {
                applique(affichage.session(s, nom));
            });
    connect(ouverture_, &Ouverture::avance, this, &FormPrinc::affEtat);
    connect(ouverture_, &Ouverture::dire, this, &FormPrinc::avertit);
    connect(PositionSession, &QSlider::valueChanged, this, [this](int i) { applique(affichage.va(i)); });
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
    etatRx_ = text;
    // While a file is shown the panel names it: reception goes on, its news would hide that.
    if (affichage.nom().isEmpty()) statusPanel->setText(text);
}

// Every box the window shows: a drag's release may never come while it is open, and must not
// hold the picture for ever.
void FormPrinc::avertit(const QString& texte)
{
    if (affichage.tenu()) applique(affichage.relache());
    dialogs_.warning(this, texte);
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
    // Recorded and kept whatever the screen shows.
    if (enregistreur->actif()) enregistreur->ecrit(t);
    setStatus(QStringLiteral("Rx OK"));
    applique(affichage.recue(t));
}

// The record and the panel's indicators from one frame, whether it came from the board or a file.
void FormPrinc::affiche(const acquisition::DecodedFrame& d)
{
    const Tracage::Legende captions = legende(d);
    setParamCaption(gainCH1, captions.gain1);
    AC_CH(1)->setChecked(d.ac1);
    Led3->setFillColor(d.ac1 ? Led::kNoir : Led::kRouge);

    setParamCaption(gainCH2, captions.gain2);
    AC_CH(2)->setChecked(d.ac2);
    Led1->setFillColor(d.ac2 ? Led::kNoir : Led::kRouge);

    setParamCaption(lblTime, captions.time);
    setParamCaption(lblTrig, captions.trig);
}

void FormPrinc::applique(const acquisition::Affichage::Effet& effet)
{
    if (effet.panneau) affiche(*effet.panneau);
    if (effet.dessine) montre(effet);
    affEtat();
}

// The frame shown is drawn, measured, read by the cursors and saved from now on.
void FormPrinc::montre(const acquisition::Affichage::Effet& effet)
{
    const acquisition::DecodedFrame& d = affichage.trame().trame;
    // The channels drawn are the frame's, whatever the board does meanwhile.
    CH(1)->setChecked(true);
    CH(2)->setChecked(Calcul::voie2Echantillonnee(acquisition::timeBase(d)));
    DrawGraph();
    // The readouts follow the cursors and the frame's scales alone: a frame in the scales of the
    // one before, as nearly every live frame is, leaves their texts as they are.
    affCurseurs(effet.autreTemps, effet.autresGains);
}

// The screen's state as the controls show it: Run/Stop, the keys of the past, the status bar,
// the session's position, the play's next frame.
void FormPrinc::affEtat()
{
    const bool live = affichage.enDirect();
    {
        const QSignalBlocker quiet(chkRunStop);
        chkRunStop->setChecked(live);
    }
    // Stepping through the past is for a frozen screen; running, the keys stay the controls'.
    for (int k = 1; k <= 4; ++k)
        PasHistorique(k)->setEnabled(!live);
    LectureHistorique->setEnabled(!live);
    const QString position = affichage.position(QLocale());
    if (passePanel->text() != position) passePanel->setText(position);
    statusPanel->setText(affichage.nom().isEmpty() ? etatRx_ : affichage.nom());
    const acquisition::Session* session = affichage.sessionOuverte();
    if (session) {
        const QSignalBlocker quiet(PositionSession);
        PositionSession->setMaximum(int(session->taille() - 1));
        // A click beside the handle: ten seconds of the recording.
        const qint64 duree = std::max<qint64>(1, session->dureeMs());
        PositionSession->setPageStep(int(std::max<qint64>(1, session->taille() * 10'000 / duree)));
        PositionSession->setValue(int(affichage.place()));
    }
    PositionSession->setVisible(session != nullptr);
    if (const std::optional<qint64> attente = affichage.attenteMs(horloge_.elapsed()))
        lecteur_.start(int(*attente));
    else
        lecteur_.stop();
}

void FormPrinc::Historique_Pas(acquisition::Historique::Pas pas)
{
    applique(affichage.pas(pas));
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
    // The graticule comes with AffScope, after it clears the screen: drawing it here first
    // as well would be wiped before anyone saw it, on every frame.
    if (chkScope->isChecked())
        AffScope();
    else
        AffXY();
}

void FormPrinc::Grille()
{
    Tracage::TraceGrille(*Scope);
}

void FormPrinc::AffScope()
{
    int w, h;
    displaySize(w, h);
    const acquisition::DecodedFrame& d = affichage.trame().trame;
    Tracage::TraceScope(*Scope, d.ch1, d.ch2, dataCH3, dataCH4, voies(), mesures[0], mesures[1], affParam_);
    Tracage::TraceCurseurs(*Scope, Tracage::kCurseursSurImage, w, h, curseurs, ChkCursTemps->isChecked(),
                           ChkCursTension->isChecked(), true, drawGraph_);
}

void FormPrinc::AffXY()
{
    const acquisition::DecodedFrame& d = affichage.trame().trame;
    Tracage::TraceXY(*Scope, d.ch1, d.ch2, Slider2(1)->value(), Slider2(2)->value(), affParam_);
}

void FormPrinc::AffParam()
{
    // The settings of the frame drawn: the panel's captions follow the board meanwhile.
    Tracage::TraceLegende(*Scope, legende(affichage.trame().trame));

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

// A mode button draws the board's newest frame in its mode, which becomes the frame shown: the
// one way to take a look at the board while the picture is frozen.
void FormPrinc::cmdScope_Click()
{
    chkScope_Click();
    regarde();
}

void FormPrinc::CmdXY_Click()
{
    chkXY_Click();
    regarde();
}

void FormPrinc::regarde()
{
    const acquisition::Affichage::Effet effet = affichage.regarde();
    if (effet.panneau) affiche(*effet.panneau);
    montre(effet);
    affEtat();
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
    // No frame redraws the screen under a drag; the port stays open and frames are kept.
    affichage.presse();
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
        const Readouts::TimeTexts t = Readouts::timeReadouts(acquisition::timeBase(affichage.trame().trame),
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
        voltages(affichage.trame().trame.gain1, lblVa1, lblVa2, lblVaDiff);
        voltages(affichage.trame().trame.gain2, lblVb1, lblVb2, lblVbDiff);
    }
}

void FormPrinc::Scope_MouseUp(int, int, float, float)
{
    // The newest frame, if frames came during the drag.
    applique(affichage.relache());
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
    // The initial settings are the screen's own from its start: the box of a port that fails lets
    // frames in, and the first of them is not overwritten by the defaults afterwards.
    portLife->start();
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
    // What is on the screen now, whatever is drawn while the dialog is open (a play goes on).
    Sauvegarde::Contenus contenus;
    const QImage image = Scope->Image(), ecran = Scope->screenImage();
    contenus.image = [image] { return image; };
    contenus.ecran = [ecran] { return ecran; };
    // Before any frame there is nothing to write: the zeros drawn were never measured.
    const std::optional<acquisition::DecodedFrame> trame =
        affichage.aSauver() ? std::optional(affichage.trame().trame) : std::nullopt;
    contenus.donnees = [trame] {
        return trame ? acquisition::TrameCsv::ecrit(*trame, QLocale()) : QByteArray();
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
    // Back to the board: its newest frame at once (or an empty screen), the next ones as they come.
    applique(affichage.runStop(chkRunStop->isChecked()));
}

void FormPrinc::about_Click()
{
    if (!aboutWindow) aboutWindow = new ::FormAbout;
    aboutWindow->show();
    aboutWindow->raise();
    aboutWindow->activateWindow();
}

} // namespace ui
