#include "acquisition/Chargement.h"

#include "acquisition/CsvCommun.h"
#include "acquisition/Fichier.h"

#include <QDateTime>
#include <QFileInfo>
#include <algorithm>

namespace acquisition {

QByteArray FichierLu::lit(qint64 n)
{
    // Read where the load is, whatever a frame shown read meanwhile.
    if (!fichier.seek(lus)) {
        erreur = fichier.errorString();
        return {};
    }
    QByteArray octets = fichier.read(n);
    if (fichier.error() != QFileDevice::NoError) {
        erreur = fichier.errorString();
        return {};
    }
    lus += octets.size();
    return octets;
}

Session::Session(std::shared_ptr<FichierLu> fichier, const QString& chemin)
    : fichier_(std::move(fichier)), format_(fichier_->lecture.format()), chemin_(chemin)
{}

std::optional<TrameDatee> Session::trame(qsizetype i) const
{
    if (i < 0 || i >= taille()) return std::nullopt;
    const Enregistrement::Place& p = places_[std::size_t(i)];
    QFile& f = fichier_->fichier;
    if (!f.seek(p.debut)) return std::nullopt;
    const QByteArray octets = f.read(p.longueur);
    if (octets.size() != p.longueur) return std::nullopt;
    return Enregistrement::litLigne(octets, format_);
}

qsizetype Session::placeA(qint64 ms) const
{
    const auto apres =
        std::upper_bound(places_.begin(), places_.end(), ms,
                         [](qint64 t, const Enregistrement::Place& p) { return t < p.arriveeMs; });
    return std::max<qsizetype>(0, qsizetype(apres - places_.begin()) - 1);
}

void Session::prend()
{
    std::vector<Enregistrement::Place> nouvelles = fichier_->lecture.prendPlaces();
    if (places_.empty())
        places_ = std::move(nouvelles);
    else
        places_.insert(places_.end(), nouvelles.begin(), nouvelles.end());
}

bool Session::suit()
{
    const qsizetype avant = taille();
    const QByteArray octets = fichier_->lit(Chargement::kTranche);
    if (!octets.isEmpty() && fichier_->lecture.feed(octets)) prend();
    return taille() > avant;
}

Chargement::Chargement() : fichier_(std::make_shared<FichierLu>(-1))
{
    fichier_->lecture.garderTrames(false);
}

bool Chargement::ouvre(const QString& chemin, const QString& enregistre)
{
    chemin_ = chemin;
    refus_ = Csv::ouvreFichierOrdinaire(fichier_->fichier, chemin);
    if (!refus_.isEmpty()) return false;
    taille_ = fichier_->fichier.size();
    // A single frame has no time of arrival: the time it was last written stands for it.
    modifieMs_ = fichier_->fichier.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch();
    enregistre_ = !enregistre.isEmpty() && Fichier::memeFichier(chemin, enregistre);
    return true;
}

bool Chargement::avance()
{
    if (!fichier_->fichier.isOpen() || !refus_.isEmpty()) return false;
    Enregistrement::Lecture& lecture = fichier_->lecture;
    // Only a read that gives nothing is the end: a network file system may give less at a time.
    bool encore = true;
    for (qint64 lus = 0; encore && lus < kTranche;) {
        const QByteArray octets = fichier_->lit(kTranche - lus);
        if (!fichier_->erreur.isEmpty()) {
            refus_ = fichier_->erreur;
            return false;
        }
        lus += octets.size();
        encore = !octets.isEmpty() && lecture.feed(octets);
    }
    if (lecture.version() == 2 && lecture.refus().isEmpty()) {
        if (!session_) session_ = std::make_shared<Session>(fichier_, chemin_);
        session_->prend();
    }
    if (!encore) {
        lecture.fin();
        if (lecture.version() == 1) {
            QList<TrameDatee> t = lecture.prend();
            if (!t.isEmpty()) trameSeule_ = TrameDatee{t.first().trame, modifieMs_};
        }
        if (!lecture.refus().isEmpty()) session_.reset();
    }
    return encore;
}

std::optional<TrameDatee> Chargement::trameSeule() const
{
    return trameSeule_;
}

double Chargement::avancement() const
{
    return taille_ > 0 ? std::min(1.0, double(fichier_->lus) / double(taille_)) : 1.0;
}

QString Chargement::refus() const
{
    return refus_.isEmpty() ? fichier_->lecture.refus() : refus_;
}

QString Chargement::remarques(const QString& nom) const
{
    const Enregistrement::Lecture& l = fichier_->lecture;
    QStringList dit;
    if (l.abimees() > 0)
        dit << QStringLiteral("%1 ligne(s) abîmée(s) de %2 sont passées, la première : %3.")
                   .arg(l.abimees())
                   .arg(nom, l.premiereAbimee());
    // The file a recording is writing into ends in the row being written: no cut.
    if (l.coupee() && !enregistre_)
        dit << QStringLiteral("%1 s'arrête au milieu d'une trame (un enregistrement interrompu) : ses %2 "
                              "trames entières sont ouvertes.")
                   .arg(nom)
                   .arg(l.lues());
    return dit.join(u'\n');
}

} // namespace acquisition
