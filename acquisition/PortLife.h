#pragma once

#include "acquisition/PortMemory.h"
#include "acquisition/PortWait.h"
#include "acquisition/SerialDevices.h"
#include "acquisition/SerialLink.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace acquisition {

// The port's whole life, free of widgets: which port is chosen (and kept for the next start),
// opening it, its loss, the wait for that same device and its retries, and the keypad's byte on its way.
// Every road that opens or loses the port comes through here; the window shows what it says.
class PortLife : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Closed,  // before the start, and once the window closes
        Open,    // frames arrive
        Waiting, // refused or lost: looked for and tried again until it opens
    };

    explicit PortLife(SerialLink& link, QObject* parent = nullptr);

    // An open port that has received nothing for this long is said to be silent.
    static constexpr int kSilenceMs = 3000;
    // While it is, whether the devices its hint names changed is asked this often.
    static constexpr int kHintRefreshMs = 1000;

    // What the window gives: where the system's devices come from (the menu's list).
    DeviceLister devices = systemDevices;

    // The events.
    // The start: the port chosen last, or COM1 for a fresh user (whose box, if COM1 fails,
    // also names the devices the system has).
    void start();
    // A choice in the menu: kept for the next start, then opened.
    bool choose(const PortChoice& choice);
    // Opens as the menu does, without keeping the choice. A refusal shows a box and is waited for.
    bool open(const PortChoice& choice);
    // A keypad key: one byte to the board; a byte that cannot reach it is said once.
    void send(char code);
    void close();

    State state() const { return state_; }
    // The port as chosen: what the menu ticks.
    PortChoice choice() const { return link_.choice(); }
    // The status bar's "comport" panel: "COM1", "ttyUSB0", or either with " erreur".
    QString panel() const;
    // Why the port is not open (empty while it is): the system's reason and what
    // the user can do about it.
    QString reason() const { return reason_; }
    // Open for kSilenceMs without a byte: what the user can do (another device, or the board
    // to plug in and switch on), with the devices present now; empty otherwise.
    QString silenceHint() const;

signals:
    // State, panel or choice changed: the window shows them again.
    void changed();
    // The port has just been (re)opened: a frame cut by the close cannot go on.
    void opened();
    // A box to show the user.
    void warning(const QString& text);
    // The open port turned silent (the hint), its hint changed (a device plugged in or out
    // meanwhile), or it is silent no more (empty).
    void silence(const QString& hint);

private:
    enum class Road { Chosen, FirstStart, Reconnection };
    bool openAt(const PortChoice& at, Road road);
    void waitFor(const PortChoice& wanted);
    void found(const PortChoice& at);
    void lost();
    void keyLost(const QString& why);
    void listen();
    void setSilent(bool silent);
    void refreshHint();
    void setState(State s);
    QString refusal(Road road) const;
    QString startAdvice() const;
    QString otherPorts() const;

    SerialLink& link_;
    PortWait wait_;
    State state_ = State::Closed;
    QString reason_;
    QTimer silence_;
    QTimer hintRefresh_;
    QString hint_; // as last said
    DeviceFolder devicesFolder_;
    QMetaObject::Connection listening_; // to the port's notification, until its first byte
    bool silent_ = false;
};

} // namespace acquisition
