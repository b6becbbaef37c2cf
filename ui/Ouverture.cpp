#include "ui/Ouverture.h"

#include "ui/Dialogs.h"

#include <QFileInfo>
#include <QWidget>

namespace ui {

namespace {
// A file refused, when it is opened or once read: nothing on the screen changes.
QString refusOuverture(const QString& chemin, const QString& raison)
{
    return QStringLiteral("Impossible d'ouvrir %1 : %2.").arg(chemin, raison);
}
} // namespace

Ouverture::Ouverture(Dialogs& dialogs, QWidget* fenetre)
    : QObject(fenetre), dialogs_(dialogs), fenetre_(fenetre)
{
    chargeur_.setSingleShot(true);
    connect(&chargeur_, &QTimer::timeout, this, [this] {
        // From the event loop, where no progress dropped is still on the stack.
        anciennes_.clear();
        tranche();
    });
}

Ouverture::~Ouverture() = default;

QString Ouverture::chemin() const
{
    return chargement_ ? chargement_->chemin() : QString();
}

void Ouverture::ouvre(const QString& chemin, const QString& enregistre)
{
    auto chargement = std::make_unique<acquisition::Chargement>();
    if (!chargement->ouvre(chemin, enregistre)) {
        emit dire(refusOuverture(chemin, chargement->refus()));
        return;
    }
    chargeur_.stop();
    // The load it replaces may be showing its progress, which may be what let this open come.
    if (progression_) anciennes_.push_back(std::move(progression_));
    chargement_ = std::move(chargement);
    montree_ = false;
    depuis_.start();
    // The first slice at once: a single frame or a short session opens as the menu closes.
    tranche();
}

// One slice, then back to the event loop.
void Ouverture::tranche()
{
    if (!chargement_) return;
    if (progression_ && progression_->annulee()) {
        // What was found of a recording stays open; nothing more is read.
        progression_.reset();
        chargement_.reset();
        return;
    }
    const bool encore = chargement_->avance();
    const QString nom = QFileInfo(chargement_->chemin()).fileName();
    const std::shared_ptr<acquisition::Session>& s = chargement_->session();
    if (s && !s->isEmpty()) {
        if (!std::exchange(montree_, true)) emit session(s, nom);
        emit avance();
    }
    if (!encore) {
        termine();
        return;
    }
    if (!progression_)
        progression_ = dialogs_.progression(fenetre_, QStringLiteral("Lecture de %1\u2026").arg(nom),
                                            int(std::max<qint64>(0, kProgressionMs - depuis_.elapsed())));
    const acquisition::Chargement* avant = chargement_.get();
    progression_->avance(chargement_->avancement());
    // The progress lets events through: another file may have been opened meanwhile.
    if (chargement_.get() == avant) chargeur_.start();
}

void Ouverture::termine()
{
    chargeur_.stop();
    // Gone before any box that follows.
    progression_.reset();
    const std::unique_ptr<acquisition::Chargement> c = std::move(chargement_);
    const QString nom = QFileInfo(c->chemin()).fileName();
    if (const std::optional<acquisition::TrameDatee> t = c->trameSeule()) {
        emit trameSeule(*t, nom);
        return;
    }
    if (!c->refus().isEmpty()) {
        emit dire(refusOuverture(c->chemin(), c->refus()));
        return;
    }
    if (const QString remarques = c->remarques(nom); !remarques.isEmpty()) emit dire(remarques);
}

} // namespace ui
