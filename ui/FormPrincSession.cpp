// A session recorded to a file, a file opened, and the past played at its own pace.
#include "acquisition/Fichier.h"
#include "measure/Format.h"
#include "ui/Dialogs.h"
#include "ui/FormPrinc.h"
#include "ui/Ouverture.h"
#include "ui/Sauvegarde.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>

namespace ui {

namespace {
const QString kEnregistrer = QStringLiteral("Enregistrer la session\u2026");
const QString kArreter = QStringLiteral("Arr\u00eater l'enregistrement");

// A recording that stopped on its own, or whose last push failed: why, and what the file keeps.
QString arret(const acquisition::Enregistreur& e)
{
    const QString garde =
        !e.fichierGarde() ? QStringLiteral("Les trames \u00e9crites sont perdues avec lui.")
        : e.tramesGardees() == 1
            ? QStringLiteral("Le fichier garde sa trame \u00e9crite avant.")
            : QStringLiteral("Le fichier garde ses %1 trames \u00e9crites avant.").arg(e.tramesGardees());
    return QStringLiteral("L'enregistrement de la session dans %1 s'est arr\u00eat\u00e9 : %2. %3")
        .arg(e.chemin(), e.erreur(), garde);
}
} // namespace

// ---- Recording ---------------------------------------------------------------------

void FormPrinc::EnrSession_Click()
{
    if (enregistreur->actif()) {
        arreteEnregistrement();
        return;
    }
    int ret = 0;
    // Not onto the file a load reads: truncated, it would be cut under the reader.
    const auto lu = [this](const QString& c) {
        return acquisition::Fichier::refusSurLecture(c, fichierLu());
    };
    const std::optional<Sauvegarde::Choisi> choisi =
        Sauvegarde::choisit(this, dialogs_,
                            {QStringLiteral("Enregistre la session"),
                             QStringLiteral("Donn\u00e9es CSV (*.csv)|*.csv|Tous les fichiers (*.*)|*.*"),
                             QStringLiteral("session.csv"), lu},
                            ret);
    if (!choisi) return;
    const QString& chemin = choisi->choix.path;
    QString raison = choisi->refus;
    if (raison.isEmpty() && !enregistreur->demarre(chemin, QDateTime::currentMSecsSinceEpoch()))
        raison = enregistreur->erreur();
    if (!raison.isEmpty())
        avertit(QStringLiteral("Impossible d'enregistrer la session dans %1 : %2.").arg(chemin, raison));
    affEnregistrement();
}

// The menu item and the panel say whether a session is recorded, and for how long.
void FormPrinc::affEnregistrement()
{
    const bool actif = enregistreur->actif();
    EnrSession->setText(actif ? kArreter : kEnregistrer);
    enrPanel->setText(actif ? QStringLiteral("Enr. ") +
                                  Format::duree(QDateTime::currentMSecsSinceEpoch() - enregistreur->debutMs())
                            : QString());
    if (!actif)
        enrAffichage_.stop();
    else if (!enrAffichage_.isActive())
        enrAffichage_.start();
}

void FormPrinc::enregistrementEchoue()
{
    affEnregistrement();
    avertit(arret(*enregistreur));
}

// As Ctrl+R stops it: the last push waited for, and its failure told now.
void FormPrinc::arreteEnregistrement()
{
    if (!enregistreur->actif()) return;
    const bool pousse = enregistreur->arrete();
    affEnregistrement();
    if (!pousse) avertit(arret(*enregistreur));
}

// ---- Opening a file ----------------------------------------------------------------

void FormPrinc::ouvre(const QString& chemin)
{
    ouverture_->ouvre(chemin, enregistreur->actif() ? enregistreur->chemin() : QString());
}

bool FormPrinc::chargementEnCours() const
{
    return ouverture_->enCours();
}

QString FormPrinc::fichierLu() const
{
    const QString charge = ouverture_->chemin();
    return charge.isEmpty() ? affichage.fichierLu() : charge;
}

// ---- Playing the past --------------------------------------------------------------

void FormPrinc::LectureHistorique_Click()
{
    applique(affichage.lecture(horloge_.elapsed()));
}

} // namespace ui
