#pragma once

// Frames played one after the other at the pace they came in. Each frame is due when the frames
// before it took, summed from the play's start: a late redraw does not put the next ones off, so
// the play keeps the recording's pace however long it lasts.
#include <QtGlobal>

namespace acquisition {

class Defilement
{
public:
    // A pause longer than this is played as this: a board left unplugged for an hour is not
    // waited for.
    static constexpr qint64 kPauseMaxMs = 2000;
    // The wait between frames that came at `avantMs` and `apresMs` (a clock set back waits nothing).
    static qint64 attente(qint64 avantMs, qint64 apresMs);

    // The play starts at `maintenantMs` (a steady clock) from a frame that came at `heureMs`.
    void demarre(qint64 maintenantMs, qint64 heureMs);
    // The next frame came at `heureMs`: it is due one wait after the one before.
    void suivante(qint64 heureMs);
    void arrete() { actif_ = false; }
    bool actif() const { return actif_; }
    // From the play's start to when the next frame is due.
    qint64 echeanceMs() const { return echeanceMs_; }
    // How long until the next frame is due, from `maintenantMs`.
    qint64 resteMs(qint64 maintenantMs) const;

private:
    qint64 debutMs_ = 0, echeanceMs_ = 0, heureMs_ = 0;
    bool actif_ = false;
};

} // namespace acquisition
