#pragma once

// A file opened from "Ouvrir", read in slices from the event loop so that the window keeps
// drawing and answering; a load that lasts shows its progress, with "Annuler". A recording shows
// its first frame as soon as it is found, while the rest of it is found.
#include "acquisition/Chargement.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

class QWidget;

namespace ui {

class Dialogs;
class Progression;

class Ouverture : public QObject
{
    Q_OBJECT
public:
    // A load that lasts longer than this shows its progress.
    static constexpr int kProgressionMs = 500;

    Ouverture(Dialogs& dialogs, QWidget* fenetre);
    ~Ouverture() override;

    // Starts reading `chemin`, in place of a load still running; `enregistre` is the file being
    // recorded, if any. A file that cannot be opened is told at once and changes nothing.
    void ouvre(const QString& chemin, const QString& enregistre);
    bool enCours() const { return chargement_ != nullptr; }
    // The file being read; empty when none.
    QString chemin() const;

signals:
    // A single frame read whole.
    void trameSeule(const acquisition::TrameDatee& t, const QString& nom);
    // A recording's first frames are found; the session grows as the load goes on.
    void session(const std::shared_ptr<acquisition::Session>& s, const QString& nom);
    // Another slice was read.
    void avance();
    // What to tell the user (a refusal, a cut, damaged rows), once the progress has gone.
    void dire(const QString& texte);

private:
    void tranche();
    void termine();

    Dialogs& dialogs_;
    QWidget* fenetre_;
    std::unique_ptr<acquisition::Chargement> chargement_;
    std::unique_ptr<Progression> progression_;
    std::vector<std::unique_ptr<Progression>> anciennes_;
    QTimer chargeur_;
    QElapsedTimer depuis_;
    bool montree_ = false; // the session was handed over
};

} // namespace ui
