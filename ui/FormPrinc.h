#pragma once

#include "acquisition/Affichage.h"
#include "acquisition/Enregistreur.h"
#include "acquisition/FrameAssembler.h"
#include "acquisition/FrameDecoder.h"
#include "acquisition/Historique.h"
#include "acquisition/PortLife.h"
#include "acquisition/SerialDevices.h"
#include "acquisition/SerialLink.h"
#include "display/Surface.h"
#include "display/Tracage.h"
#include "measure/Calcul.h"
#include "measure/Curseurs.h"
#include "measure/Samples.h"
#include "ui/ControlArray.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class FormAbout;

namespace ui {

class Dialogs;
class Led;
class Ouverture;

// The front panel: reception, the cursors and every control. What the screen shows, and why,
// is `affichage`'s: the window hands it each event and shows what it answers. Handlers are
// named after their control and event; the controls are public, by their panel names.
class FormPrinc : public QMainWindow, private acquisition::FrameAssembler::Sink
{
    Q_OBJECT
public:
    explicit FormPrinc(Dialogs& dialogs, QWidget* parent = nullptr);
    ~FormPrinc() override;

    // The road of a frame: serial notification -> Reception -> Receive_scope -> DrawGraph.
    void MSComm1_OnComm();
    void Reception(QByteArrayView chunk);
    void Receive_scope(const QByteArray& frame);
    void Timer1_Timer();
    // Shows the frame being received in lbl_debug1, in rows of the label's width; runs at
    // most every kTrameRefreshMs. trame() is that frame as it came.
    void AffTrame();
    const QByteArray& trame() const { return trameShown_; }
    static constexpr int kTrameRefreshMs = 250;
    // The same area, empty while nothing arrives, says when the open port stays silent and
    // where else the board may be; the first byte takes the hint away.
    void AffSilence(const QString& hint);

    // Redraw entry and the routines it runs.
    void DrawGraph();
    void Grille();
    void AffScope();
    void AffXY();
    void AffParam();

    // Port management, all of it in portLife; the window shows what it says. The menu's
    // choices (comN_Click, open_device) are remembered for the next start.
    std::uint8_t open_com(std::uint8_t n) { return portLife->open({n, {}}) ? 0 : 1; }
    void open_device(const acquisition::SerialDevice& device) { portLife->choose({0, device}); }
    // Where the menu "Comport" takes its list of devices from, each time it opens; the port's
    // advice and hint name the same devices, and its wait looks there for an adapter.
    acquisition::DeviceLister serialDevices = acquisition::systemDevices;
    void Form_Load();
    void Form_Unload() {}

    // Handlers of the panel's controls.
    void com1_Click() { portLife->choose({1, {}}); }
    void com2_Click() { portLife->choose({2, {}}); }
    void com3_Click() { portLife->choose({3, {}}); }
    void com4_Click() { portLife->choose({4, {}}); }
    void Quit_Click();
    void CmdClav_Click(int index);
    void chkScope_Click();
    void chkXY_Click();
    void cmdScope_Click();
    void CmdXY_Click();
    void Slider2_Click(int index);
    void CmdResetOffset_Click(int index);
    void CmdSave_Click() { Save_Click(); }
    void Save_Click();
    // Shows a frame saved as CSV and keeps it on the panel until Run/Stop is ticked again.
    void Open_Click();
    void chkRunStop_Click();
    // "Enregistrer la session…" (Ctrl+R): every decoded frame from now on to a file; the same
    // item, then "Arrêter l'enregistrement", stops it.
    void EnrSession_Click();
    // The key L while Run/Stop is unticked: the past from the frame shown, at the pace it came in;
    // again, or a step, stops it.
    void LectureHistorique_Click();
    bool chargementEnCours() const;
    // Page Up, Page Down, Home, End while Run/Stop is unticked: the frame before or after the
    // one on the screen, the oldest or the newest kept (or of the session shown).
    void Historique_Pas(acquisition::Historique::Pas pas);
    // The frame on the screen: what every redraw, measurement, readout and save reads.
    const acquisition::TrameDatee& trameAffichee() const { return affichage.trame(); }
    // The file open for reading (a session shown, or a file being opened); empty when none.
    QString fichierLu() const;
    void about_Click();
    void Scope_MouseDown(int button, int shift, float x, float y);
    void Scope_MouseMove(int button, int shift, float x, float y);
    void Scope_MouseUp(int button, int shift, float x, float y);

    // The test sines of CH3 and CH4; the board's channels are the frame shown's.
    Samples dataCH3{}, dataCH4{};
    Calcul::Mesures mesures[2];
    Curseurs::Positions curseurs;
    acquisition::FrameAssembler rx;
    // What the screen shows, and the past of every decoded frame, as far back as its ring holds.
    acquisition::Affichage affichage;
    const acquisition::Historique& historique = affichage.historique();
    int Ret = 0;
    // Frames decoded since start, for the diagnostics of tests and benchmarks.
    quint64 framesDecoded = 0;

    // Controls, by their panel names.
    acquisition::SerialLink* MSComm1 = nullptr;
    // The port's life: choice, open, loss, wait, keypad byte.
    acquisition::PortLife* portLife = nullptr;
    QTimer* Timer1 = nullptr;
    // The session being recorded, if any: every decoded frame goes to its file.
    acquisition::Enregistreur* enregistreur = nullptr;
    display::Surface* Scope = nullptr;
    QLabel* lbl_debug1 = nullptr;
    QLabel* statusPanel = nullptr;  // key "Status"
    QLabel* comportPanel = nullptr; // key "comport"
    QLabel* passePanel = nullptr;   // key "Historique": where the frame shown lies, in the past or a session
    QLabel* enrPanel = nullptr;     // key "Enregistrement": how long the session has been recorded
    QSlider* PositionSession = nullptr; // where the session's frame shown lies; any moment of it
    QCheckBox* ChkCursTension = nullptr;
    QCheckBox* ChkCursTemps = nullptr;
    QPushButton* CmdSave = nullptr;
    QPushButton* cmdScope = nullptr;
    QPushButton* CmdXY = nullptr;
    QRadioButton* chkScope = nullptr;
    QRadioButton* chkXY = nullptr;
    ControlArray<QCheckBox, 1, 4> CH, AC_CH;
    ControlArray<QSlider, 1, 4> Slider2;
    ControlArray<QPushButton, 1, 4> CmdResetOffset;
    ControlArray<QPushButton, 1, 15> CmdClav;
    QLabel *gainCH1 = nullptr, *gainCH2 = nullptr, *gainCH3 = nullptr, *gainCH4 = nullptr;
    QLabel *lblTime = nullptr, *lblTrig = nullptr;
    QCheckBox* chkRunStop = nullptr;
    Led *Led1 = nullptr, *Led2 = nullptr, *Led3 = nullptr;
    QLabel *lblCH1min = nullptr, *lblCH1max = nullptr, *lblCH1moy = nullptr, *lblCH1delta = nullptr;
    QLabel *lblCH2min = nullptr, *lblCH2max = nullptr, *lblCH2moy = nullptr, *lblCH2delta = nullptr;
    QLabel *lblVa1 = nullptr, *lblVa2 = nullptr, *lblVaDiff = nullptr;
    QLabel *lblVb1 = nullptr, *lblVb2 = nullptr, *lblVbDiff = nullptr;
    QLabel *LblCursT1 = nullptr, *LblCursT2 = nullptr, *lblCursTdiff = nullptr, *lblCursFrq = nullptr;
    QAction *Open = nullptr, *Save = nullptr, *Quit = nullptr, *about = nullptr;
    QAction *EnrSession = nullptr, *LectureHistorique = nullptr;
    ControlArray<QAction, 1, 4> PasHistorique; // in the order of Historique::Pas
    ControlArray<QAction, 1, 4> com;
    QMenu* Comport = nullptr;
    QList<QAction*> comDevices; // below COM1 to COM4: the system's other serial devices
    QPointer<::FormAbout> aboutWindow;

    // The status-bar panel with this key ("Status" or "comport").
    QLabel* panel(const QString& key) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Reception events.
    void rxStart() override;
    void rxStop() override;
    void rxOverflow() override;
    void bufferShown(const QByteArray& buffer) override;
    void frame(const QByteArray& text) override;

    void buildPanel();
    void buildMenus();
    void connectHandlers();
    void setStatus(const QString& text);
    void setParamCaption(QLabel* label, const QString& text);
    void affiche(const acquisition::DecodedFrame& d);
    // What an event of the screen's says: redraw, the panel's captions, then the state shown.
    void applique(const acquisition::Affichage::Effet& effet);
    void montre(const acquisition::Affichage::Effet& effet);
    void affEtat();
    void regarde();
    void avertit(const QString& texte);
    void affEnregistrement();
    void enregistrementEchoue();
    void arreteEnregistrement();
    void ouvre(const QString& chemin);
    void affCurseurs(bool time, bool voltage);
    Tracage::Voies voies() const;
    void displaySize(int& width, int& height) const;
    void portReopened();
    void showPort();
    void tickPort();
    void listDevices();

    Dialogs& dialogs_;
    QTimer trameRefresh_;
    QByteArray trameLast_;  // the frame being received, as last handed over
    QByteArray trameWhole_; // the last whole frame, while lbl_debug1 has not shown it
    QByteArray trameShown_;
    quint64 rxStarts_ = 0; // frames begun, to tell whether a timeout tick still concerns its frame
    std::function<void()> affParam_;
    std::function<void()> drawGraph_;
    QString etatRx_;        // what the reception last said, shown while no file is
    QTimer enrAffichage_;   // the recording's duration, once a second while it records
    QTimer lecteur_;        // the play's next frame
    QElapsedTimer horloge_; // the steady clock the play is timed by
    Ouverture* ouverture_ = nullptr;
};

} // namespace ui
