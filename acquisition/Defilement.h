#pragma once

// Frames played one after the other at the pace they came in: each one after the time that
// separated it from the one before, then it stops at the last.
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

namespace acquisition {

class Defilement : public QObject
{
    Q_OBJECT
public:
    // A pause longer than this is played as this: a board left unplugged for an hour is not
    // waited for.
    static constexpr qint64 kPauseMaxMs = 2000;
    // The wait between frames that came at `avantMs` and `apresMs` (a clock set back waits nothing).
    static qint64 attente(qint64 avantMs, qint64 apresMs);

    // The time frame `numero` came in; nothing past the last.
    using Heure = std::function<std::optional<qint64>(qint64 numero)>;

    explicit Defilement(QObject* parent = nullptr);
    // Plays from the frame after `depuis`.
    void demarre(qint64 depuis, Heure heure);
    void arrete();
    bool actif() const { return enCours_; }

signals:
    // Frame `numero` is due now.
    void montre(qint64 numero);
    // The last frame was shown, or arrete() was called.
    void fini();

private:
    void suivante();
    void planifie();

    QTimer timer_;
    Heure heure_;
    qint64 numero_ = 0;
    bool enCours_ = false;
};

} // namespace acquisition
