#include "acquisition/PortLife.h"

#include <QStringList>

namespace acquisition {

PortLife::PortLife(SerialLink& link, QObject* parent) : QObject(parent), link_(link)
{
    wait_.lister = [this] { return devices(); };
    connect(&wait_, &PortWait::found, this, &PortLife::found);
    connect(&link_, &SerialLink::portLost, this, &PortLife::lost);
    // Queued: the box must not run its own event loop inside the port's error report.
    connect(&link_, &SerialLink::writeFailed, this, &PortLife::keyLost, Qt::QueuedConnection);
    silence_.setSingleShot(true);
    silence_.setInterval(kSilenceMs);
    connect(&silence_, &QTimer::timeout, this, [this] { setSilent(true); });
    hintRefresh_.setInterval(kHintRefreshMs);
    connect(&hintRefresh_, &QTimer::timeout, this, &PortLife::refreshHint);
}

void PortLife::start()
{
    const std::optional<PortChoice> kept = recallPort();
    if (!kept) {
        openAt({1, {}}, Road::FirstStart);
    } else if (kept->commPort > 0) {
        openAt(*kept, Road::Chosen);
    } else if (const std::optional<PortChoice> at = wait_.locate(*kept)) {
        openAt(*at, Road::Chosen);
    } else {
        // An adapter not plugged in yet: no box at start, it is waited for.
        link_.setDevice(kept->device);
        lost();
    }
}

bool PortLife::choose(const PortChoice& choice)
{
    rememberPort(choice);
    return open(choice);
}

bool PortLife::open(const PortChoice& choice)
{
    return openAt(choice, Road::Chosen);
}

// The one place that opens the port, whatever asked for it.
bool PortLife::openAt(const PortChoice& at, Road road)
{
    if (link_.PortOpen()) link_.setPortOpen(false);
    if (at.commPort > 0)
        link_.setCommPort(at.commPort);
    else
        link_.setDevice(at.device);
    if (link_.setPortOpen(true)) {
        wait_.stop();
        reason_.clear();
        setState(State::Open);
        listen();
        emit opened();
        return true;
    }
    reason_ = refusal(road);
    // Missing, busy or closed to us, on every road: waited for and tried again, quietly. A
    // reconnection keeps waiting for the device as it was known.
    if (road != Road::Reconnection) wait_.start(link_.choice());
    wait_.retryLater(link_.device());
    setState(State::Waiting);
    if (road == Road::Chosen || road == Road::FirstStart) emit warning(reason_);
    return false;
}

void PortLife::found(const PortChoice& at)
{
    if (state_ == State::Waiting) openAt(at, Road::Reconnection);
}

// The open port went away, or the chosen one is not there: waited for, without a box in the
// middle of a measurement.
void PortLife::lost()
{
    reason_ = link_.errorString();
    if (state_ != State::Open || reason_.isEmpty())
        reason_ =
            QStringLiteral("%1 n'est pas branché ; il sera ouvert dès son retour.").arg(link_.caption());
    wait_.start(link_.choice());
    setState(State::Waiting);
}

void PortLife::send(char code)
{
    if (!link_.Output(QByteArrayView(&code, 1))) keyLost(link_.errorString());
}

void PortLife::keyLost(const QString& why)
{
    emit warning(QStringLiteral("La touche n'a pas pu être envoyée au boîtier : %1.").arg(why));
}

void PortLife::close()
{
    wait_.stop();
    link_.setPortOpen(false);
    setState(State::Closed);
}

void PortLife::setState(State s)
{
    state_ = s;
    if (s != State::Open) {
        disconnect(listening_);
        silence_.stop();
        setSilent(false);
    }
    emit changed();
}

// Each open gets its own time to hear from the board. Once a byte has come neither the timer
// nor the notification's extra receiver is left running for the frames that follow.
void PortLife::listen()
{
    setSilent(false);
    silence_.start();
    disconnect(listening_);
    listening_ = connect(&link_, &SerialLink::OnComm, this, [this] {
        disconnect(listening_);
        silence_.stop();
        setSilent(false);
    });
}

void PortLife::setSilent(bool silent)
{
    if (silent == silent_) return;
    silent_ = silent;
    // The user plugs the board in while reading the hint: it names what is there now. The
    // board's adapter appears where the port's own device is (/dev).
    if (silent) {
        devicesFolder_.watch(link_.device());
        hintRefresh_.start();
    } else {
        hintRefresh_.stop();
    }
    hint_ = silenceHint();
    emit silence(hint_);
}

void PortLife::refreshHint()
{
    if (!devicesFolder_.changed()) return;
    const QString hint = silenceHint();
    if (hint == hint_) return;
    hint_ = hint;
    emit silence(hint_);
}

QString PortLife::silenceHint() const
{
    if (!silent_) return {};
    const QString others = otherPorts();
    return QStringLiteral("Rien ne vient de %1 depuis %2 s.\n%3")
        .arg(link_.caption())
        .arg(kSilenceMs / 1000)
        .arg(others.isEmpty() ? QStringLiteral("Branchez le boîtier et mettez-le sous tension.") : others);
}

QString PortLife::panel() const
{
    const bool refused = state_ == State::Waiting;
    return link_.caption() + (refused ? QStringLiteral(" erreur") : QString());
}

QString PortLife::refusal(Road road) const
{
    QString text = link_.errorString();
    // The system says only "Permission denied"; say how to get the right.
    if (link_.refusedForRights())
        text += QStringLiteral("\n\nPour avoir le droit d'ouvrir les ports série, ajoutez-vous au groupe "
                               "dialout (sudo adduser $USER dialout), puis fermez la session et "
                               "reconnectez-vous.");
    else if (link_.refusedAsBusy())
        text += QStringLiteral("\n\nUn autre programme utilise déjà ce port : il sera ouvert dès que ce "
                               "programme l'aura libéré.");
    if (road == Road::FirstStart) text += QStringLiteral("\n\n") + startAdvice();
    return text;
}

// For a user who never chose a port: where the board might be instead of COM1.
QString PortLife::startAdvice() const
{
    const QString others = otherPorts();
    if (!others.isEmpty()) return others;
    return QStringLiteral("Aucun port série n'est branché : branchez le boîtier, puis choisissez son port "
                          "dans le menu Comport.");
}

// Where else the board may be: the system's other serial devices as the menu Comport lists
// them; empty when there is none.
QString PortLife::otherPorts() const
{
    QStringList captions;
    for (const SerialDevice& d : otherDevices(devices()))
        captions << caption(d);
    if (captions.isEmpty()) return {};
    return QStringLiteral("Ports série présents : %1.\nChoisissez celui du boîtier dans le menu Comport.")
        .arg(captions.join(QStringLiteral(", ")));
}

} // namespace acquisition
