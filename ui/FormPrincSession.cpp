// A session recorded to a file, a file opened, and the past played at its own pace.
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
} // namespace

// ---- Recording ---------------------------------------------------------------------

void FormPrinc::EnrSession_Click()
{
    if (enregistreur->actif()) {
        enregistreur->arrete();
        affEnregistrement();
        return;
    }
    int ret = 0;
    const std::optional<Sauvegarde::Choisi> choisi =
        Sauvegarde::choisit(this, dialogs_,
                            {QStringLiteral("Enregistre la session"),
                             QStringLiteral("Donn\u00e9es CSV (*.csv)|*.csv|Tous les fichiers (*.*)|*.*"),
                             QStringLiteral("session.csv")},
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

void FormPrinc::enregistrementEchoue(const QString& raison)
{
    affEnregistrement();
    avertit(QStringLiteral("L'enregistrement de la session dans %1 s'est arr\u00eat\u00e9 : %2. "
                           "Les trames \u00e9crites avant sont gard\u00e9es.")
                .arg(enregistreur->chemin(), raison));
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
