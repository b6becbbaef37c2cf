#pragma once

// What the screen shows, free of widgets: where the frame on it comes from (the board, a kept
// frame by its number, a single frame from a file, a frame of a recorded session), whether the
// past plays, whether a drag holds the picture. Every event the window gets goes through here;
// the answer says what the window redraws and what the panel's captions show. The frame shown is
// one value, which the drawing, the measurements, the readouts and every save read.
#include "acquisition/Chargement.h"
#include "acquisition/Defilement.h"
#include "acquisition/Historique.h"
#include "acquisition/TrameDatee.h"

#include <QLocale>
#include <QString>
#include <memory>
#include <optional>

namespace acquisition {

class Affichage
{
public:
    enum class Source {
        Aucune,  // nothing yet (the start-up record), or nothing to go back to
        Direct,  // Run/Stop ticked: the board's newest frame
        Passe,   // Run/Stop unticked: a kept frame, by its number
        Fichier, // a single frame opened from a file
        Session, // a frame of a recorded session, by its place
    };

    // What the window does after an event.
    struct Effet
    {
        bool dessine = false;                // the frame shown changed: drawn, measured, read again
        std::optional<DecodedFrame> panneau; // the settings the panel's captions take
        // The frame shown has other scales than the one before: the cursor readouts change.
        bool autreTemps = false, autresGains = false;
    };

    explicit Affichage(int capacite = Historique::kCapacite);

    // The events. Times are a steady clock's, in milliseconds.
    // A frame decoded from the board: always kept in the past, drawn only when live and free.
    Effet recue(const TrameDatee& t);
    Effet runStop(bool coche);
    // Page Up, Page Down, Home, End, while Run/Stop is unticked.
    Effet pas(Historique::Pas pas);
    // A session's frame by its place (the position slider), or at a time from its start.
    Effet va(qsizetype place);
    // L: the past from the frame shown to the newest, at its pace; again, it stops.
    Effet lecture(qint64 maintenantMs);
    // The play's next frame is due.
    Effet tic(qint64 maintenantMs);
    Effet fichier(const TrameDatee& t, const QString& nom);
    Effet session(std::shared_ptr<Session> s, const QString& nom);
    // A mode button: the board's newest frame, a single look while the picture is frozen.
    Effet regarde();
    // A button pressed on the screen and released: the drag's picture stays until the release.
    void presse() { tenu_ = true; }
    Effet relache();

    // What shows.
    const TrameDatee& trame() const { return trame_; }
    Source source() const { return source_; }
    bool enDirect() const { return enDirect_; }
    bool joue() const { return defilement_.actif(); }
    bool tenu() const { return tenu_; }
    // The number of the kept frame shown (Passe, Direct).
    std::optional<qint64> numero() const { return numero_; }
    // The place of the session's frame shown.
    qsizetype place() const { return place_; }
    const Session* sessionOuverte() const { return session_.get(); }
    // The file shown, for the status bar; empty while the frames are the board's.
    const QString& nom() const { return nom_; }
    // The file open for reading behind the screen (a session's); empty when none.
    QString fichierLu() const { return session_ ? session_->chemin() : QString(); }
    // A frame to save: none before the first, nor once back to nothing.
    bool aSauver() const { return source_ != Source::Aucune; }
    // Until the play's next frame; nothing while it does not play.
    std::optional<qint64> attenteMs(qint64 maintenantMs) const;
    // Where the frame shown lies: its time and how far back from the newest for the past; its
    // time, its time from the recording's start and the recording's length for a session, as a
    // video's. Empty when live.
    QString position(const QLocale& locale) const;
    const Historique& historique() const { return historique_; }

    // The frame shown before any from the board: the board's settings at power on, no samples.
    static TrameDatee depart();

private:
    Effet devient(const TrameDatee& t, bool change, std::optional<DecodedFrame> panneau);
    Effet montrePasse(qint64 numero, bool panneau);
    Effet montreSession(qsizetype place);
    std::optional<qint64> apres() const;
    std::optional<qint64> heure(qint64 n) const;
    void quitteFichier();
    DecodedFrame plusRecente() const;

    Historique historique_;
    Defilement defilement_;
    std::shared_ptr<Session> session_;
    TrameDatee trame_ = depart();
    Source source_ = Source::Aucune;
    std::optional<qint64> numero_;
    qsizetype place_ = 0;
    qint64 cible_ = 0; // the last frame a play of the past goes to
    QString nom_;
    bool enDirect_ = true, tenu_ = false, retard_ = false;
};

} // namespace acquisition
