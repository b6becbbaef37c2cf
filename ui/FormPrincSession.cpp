// A session recorded to a file, a file opened in slices, and the past played at its own pace.
#include "acquisition/Fichier.h"
#include "measure/Format.h"
#include "ui/Dialogs.h"
#include "ui/FormPrinc.h"
#include "ui/Sauvegarde.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>

namespace ui {

namespace {
const QString kEnregistrer = QStringLiteral("Enregistrer la session\u2026");
const QString kArreter = QStringLiteral("Arr\u00eater l'enregistrement");

// A file refused, when it is opened or once read: nothing on the screen changes.
QString refusOuverture(const QString& chemin, const QString& raison)
{
    return QStringLiteral("Impossible d'ouvrir %1 : %2.").arg(chemin, raison);
}

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
        return acquisition::Fichier::refusSurLecture(c, chargement_ ? cheminCharge_ : QString());
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
        dialogs_.warning(
            this, QStringLiteral("Impossible d'enregistrer la session dans %1 : %2.").arg(chemin, raison));
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
    dialogs_.warning(this, arret(*enregistreur));
}

// As Ctrl+R stops it: the last push waited for, and its failure told now.
void FormPrinc::arreteEnregistrement()
{
    if (!enregistreur->actif()) return;
    const bool pousse = enregistreur->arrete();
    affEnregistrement();
    if (!pousse) dialogs_.warning(this, arret(*enregistreur));
}

// ---- Opening a file ----------------------------------------------------------------

void FormPrinc::ouvre(const QString& chemin)
{
    auto chargement = std::make_unique<acquisition::Chargement>(historique.capacity());
    if (!chargement->ouvre(chemin)) {
        dialogs_.warning(this, refusOuverture(chemin, chargement->refus()));
        return;
    }
    abandonneChargement();
    chargement_ = std::move(chargement);
    cheminCharge_ = chemin;
    depuis_.start();
    // The first slice at once: a single frame or a short session opens as the menu closes.
    chargeTranche();
}

// One slice, then back to the event loop: the window keeps drawing frames and answering.
void FormPrinc::chargeTranche()
{
    if (!chargement_) return;
    const bool encore = chargement_->avance();
    chargees_ += chargement_->prend();
    if (!encore) {
        finChargement();
        return;
    }
    if (!progression_) {
        // Shown only once the load has lasted half a second.
        progression_ = new QProgressDialog(
            QStringLiteral("Lecture de %1\u2026").arg(QFileInfo(cheminCharge_).fileName()),
            QStringLiteral("Annuler"), 0, 1000, this);
        progression_->setObjectName(QStringLiteral("Progression"));
        progression_->setWindowModality(Qt::WindowModal);
        progression_->setMinimumDuration(int(std::max<qint64>(0, kProgressionMs - depuis_.elapsed())));
        connect(progression_, &QProgressDialog::canceled, this, &FormPrinc::abandonneChargement);
    }
    progression_->setValue(int(chargement_->avancement() * progression_->maximum()));
    // A modal progress dialog lets events through: Cancel may have ended the load meanwhile.
    if (chargement_) chargeur_.start();
}

void FormPrinc::abandonneChargement()
{
    chargeur_.stop();
    chargement_.reset();
    chargees_.clear();
    if (progression_) progression_->deleteLater();
    progression_ = nullptr;
}

void FormPrinc::finChargement()
{
    const std::unique_ptr<acquisition::Chargement> c = std::move(chargement_);
    QList<acquisition::TrameDatee> trames = std::exchange(chargees_, {});
    abandonneChargement();
    const QString nom = QFileInfo(cheminCharge_).fileName();
    if (!c->refus().isEmpty()) {
        dialogs_.warning(this, refusOuverture(cheminCharge_, c->refus()));
        return;
    }
    // A session shown before leaves the history to what is opened now.
    quitteSession();
    fichierAffiche_ = nom;
    statusPanel->setText(nom);
    chkRunStop->setChecked(false);
    if (c->lecture().version() == 1) {
        // A single frame, as it always opened: shown instead of live frames, the past kept.
        affiche(trames.first().trame);
        montre(trames.first(), std::nullopt);
        return;
    }
    // A session takes the place of the live past until Run/Stop is ticked again.
    session_ = true;
    historique.replace(trames);
    affiche(historique.at(0).trame);
    montre(historique.at(0), historique.premier());
    if (c->lecture().aLaBorne())
        dialogs_.warning(
            this, QStringLiteral("%1 a plus de %2 trames : seules les %2 premi\u00e8res sont ouvertes.")
                      .arg(nom)
                      .arg(historique.size()));
    else if (c->lecture().coupee())
        dialogs_.warning(this, QStringLiteral("%1 s'arr\u00eate au milieu d'une trame (un enregistrement "
                                              "interrompu) : ses %2 trames enti\u00e8res sont ouvertes.")
                                   .arg(nom)
                                   .arg(historique.size()));
}

// Back to the board from a session: the live past starts anew.
void FormPrinc::quitteSession()
{
    defilement->arrete();
    if (!std::exchange(session_, false)) return;
    historique.replace({});
}

// ---- Playing the past --------------------------------------------------------------

void FormPrinc::LectureHistorique_Click()
{
    if (chkRunStop->isChecked()) return;
    if (defilement->actif()) {
        defilement->arrete();
        return;
    }
    if (historique.isEmpty()) return;
    // From the frame shown, or from the oldest when the screen shows none of the past.
    if (!numeroAffiche_) AffHistorique(0);
    defilement->demarre(*numeroAffiche_, [this](qint64 n) -> std::optional<qint64> {
        if (n < historique.premier() || n > historique.dernier()) return std::nullopt;
        return historique.at(int(n - historique.premier())).arriveeMs;
    });
}

} // namespace ui
