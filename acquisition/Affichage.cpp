#include "acquisition/Affichage.h"

#include "measure/Format.h"

#include <algorithm>

namespace acquisition {

Affichage::Affichage(int capacite) : historique_(capacite)
{}

TrameDatee Affichage::depart()
{
    TrameDatee t;
    DecodedFrame& d = t.trame;
    d.gain1 = "500mV";
    d.gain2 = "   2V";
    d.timeField = "100m";
    d.trigText = "Auto>";
    d.trigLevel = 128;
    return t;
}

DecodedFrame Affichage::plusRecente() const
{
    return historique_.at(historique_.size() - 1).trame;
}

// `t` becomes the frame on the screen.
Affichage::Effet Affichage::devient(const TrameDatee& t, bool change, std::optional<DecodedFrame> panneau)
{
    Effet e{change, std::move(panneau)};
    e.autreTemps = t.trame.timeField != trame_.trame.timeField;
    e.autresGains = t.trame.gain1 != trame_.trame.gain1 || t.trame.gain2 != trame_.trame.gain2;
    trame_ = t;
    return e;
}

Affichage::Effet Affichage::recue(const TrameDatee& t)
{
    historique_.append(t);
    if (enDirect_) {
        // A drag keeps its picture; the release shows the newest.
        if (tenu_) {
            retard_ = true;
            return {false, t.trame};
        }
        source_ = Source::Direct;
        numero_ = historique_.dernier();
        return devient(t, true, t.trame);
    }
    // Frozen, the panel follows the board; a file's or a session's settings stay on it.
    if (source_ == Source::Passe || source_ == Source::Aucune) return {false, t.trame};
    return {};
}

Affichage::Effet Affichage::runStop(bool coche)
{
    defilement_.arrete();
    if (!coche) {
        enDirect_ = false;
        if (source_ == Source::Direct) source_ = Source::Passe;
        return {};
    }
    enDirect_ = true;
    quitteFichier();
    if (historique_.isEmpty()) {
        // Nothing from the board yet: an empty screen, never a recorded frame as if live.
        const bool change = source_ != Source::Aucune;
        source_ = Source::Aucune;
        numero_.reset();
        return change ? devient(depart(), true, depart().trame) : Effet{};
    }
    const bool change = numero_ != historique_.dernier() || source_ != Source::Passe;
    source_ = Source::Direct;
    numero_ = historique_.dernier();
    const TrameDatee t = historique_.at(historique_.size() - 1);
    return devient(t, change, t.trame);
}

void Affichage::quitteFichier()
{
    session_.reset();
    nom_.clear();
    place_ = 0;
}

Affichage::Effet Affichage::montrePasse(qint64 numero, bool panneau)
{
    const Source avant = source_;
    const bool depuisFichier = avant == Source::Fichier || avant == Source::Session;
    if (depuisFichier) quitteFichier();
    source_ = enDirect_ ? Source::Direct : Source::Passe;
    const bool change = numero != numero_ || avant != source_;
    numero_ = numero;
    // Back from a file, the panel follows the board again.
    return devient(historique_.at(int(numero - historique_.premier())), change,
                   panneau || depuisFichier ? std::optional<DecodedFrame>(plusRecente()) : std::nullopt);
}

Affichage::Effet Affichage::montreSession(qsizetype place)
{
    const std::optional<TrameDatee> t = session_->trame(place);
    // A file cut or replaced under the program: the screen stays as it is.
    if (!t) return {};
    const bool change = place != place_ || source_ != Source::Session;
    source_ = Source::Session;
    place_ = place;
    numero_.reset();
    return devient(*t, change, t->trame);
}

Affichage::Effet Affichage::pas(Historique::Pas pas)
{
    if (enDirect_) return {};
    // A step is the user's: it ends a play.
    defilement_.arrete();
    if (source_ == Source::Session) {
        const qsizetype dernier = session_->taille() - 1;
        qsizetype i = place_;
        switch (pas) {
        case Historique::Pas::Precedente:
            i = std::max<qsizetype>(0, place_ - 1);
            break;
        case Historique::Pas::Suivante:
            i = std::min(dernier, place_ + 1);
            break;
        case Historique::Pas::PlusAncienne:
            i = 0;
            break;
        case Historique::Pas::PlusRecente:
            // A recording still written into has grown since it was opened: a few slices, so that
            // the window does not wait for a load still on its way.
            for (int k = 0; k < 4 && session_->suit(); ++k) {
            }
            i = session_->taille() - 1;
            break;
        }
        return i == place_ ? Effet{} : montreSession(i);
    }
    const bool passe = source_ == Source::Passe;
    const std::optional<qint64> n = historique_.vers(passe ? numero_ : std::nullopt, pas);
    if (!n || (passe && n == numero_)) return {};
    return montrePasse(*n, false);
}

Affichage::Effet Affichage::va(qsizetype place)
{
    if (source_ != Source::Session || place < 0 || place >= session_->taille()) return {};
    defilement_.arrete();
    return montreSession(place);
}

std::optional<qint64> Affichage::heure(qint64 n) const
{
    if (source_ == Source::Session) {
        if (n < 0 || n >= session_->taille()) return std::nullopt;
        return session_->arriveeMs(qsizetype(n));
    }
    if (historique_.isEmpty() || n < historique_.premier() || n > historique_.dernier()) return std::nullopt;
    return historique_.at(int(n - historique_.premier())).arriveeMs;
}

// The frame a play shows next: in the past, the oldest kept once the ring has dropped the one
// that followed, so that a play from the oldest keeps going while the board sends.
std::optional<qint64> Affichage::apres() const
{
    if (source_ == Source::Session)
        return place_ + 1 < session_->taille() ? std::optional<qint64>(place_ + 1) : std::nullopt;
    if (!numero_ || historique_.isEmpty()) return std::nullopt;
    const qint64 n = std::max(*numero_ + 1, historique_.premier());
    return n <= cible_ ? std::optional<qint64>(n) : std::nullopt;
}

Affichage::Effet Affichage::lecture(qint64 maintenantMs)
{
    if (enDirect_) return {};
    if (defilement_.actif()) {
        defilement_.arrete();
        return {};
    }
    Effet effet;
    if (source_ != Source::Session) {
        if (historique_.isEmpty()) return {};
        // From the frame shown, or from the oldest when the screen shows none of the past.
        if (source_ != Source::Passe || *numero_ < historique_.premier())
            effet = montrePasse(historique_.premier(), false);
        cible_ = historique_.dernier();
    }
    const qint64 ici = source_ == Source::Session ? place_ : *numero_;
    const std::optional<qint64> suivante = apres();
    if (!suivante) return effet;
    defilement_.demarre(maintenantMs, *heure(ici));
    defilement_.suivante(*heure(*suivante));
    return effet;
}

Affichage::Effet Affichage::tic(qint64)
{
    if (!defilement_.actif()) return {};
    const std::optional<qint64> n = apres();
    if (!n) {
        defilement_.arrete();
        return {};
    }
    const Effet effet = source_ == Source::Session ? montreSession(qsizetype(*n)) : montrePasse(*n, false);
    if (const std::optional<qint64> ensuite = apres(); ensuite && effet.dessine)
        defilement_.suivante(*heure(*ensuite));
    else
        defilement_.arrete();
    return effet;
}

std::optional<qint64> Affichage::attenteMs(qint64 maintenantMs) const
{
    if (!defilement_.actif()) return std::nullopt;
    return defilement_.resteMs(maintenantMs);
}

Affichage::Effet Affichage::fichier(const TrameDatee& t, const QString& nom)
{
    defilement_.arrete();
    quitteFichier();
    enDirect_ = false;
    source_ = Source::Fichier;
    nom_ = nom;
    numero_.reset();
    return devient(t, true, t.trame);
}

Affichage::Effet Affichage::session(std::shared_ptr<Session> s, const QString& nom)
{
    const std::optional<TrameDatee> premiere = s ? s->trame(0) : std::nullopt;
    if (!premiere) return {};
    defilement_.arrete();
    quitteFichier();
    enDirect_ = false;
    session_ = std::move(s);
    nom_ = nom;
    source_ = Source::Session;
    place_ = 0;
    numero_.reset();
    return devient(*premiere, true, premiere->trame);
}

Affichage::Effet Affichage::regarde()
{
    if (historique_.isEmpty()) return {};
    defilement_.arrete();
    if (tenu_ && enDirect_) return {};
    retard_ = false;
    return montrePasse(historique_.dernier(), true);
}

Affichage::Effet Affichage::relache()
{
    tenu_ = false;
    if (!std::exchange(retard_, false) || !enDirect_ || historique_.isEmpty()) return {};
    return montrePasse(historique_.dernier(), true);
}

QString Affichage::position(const QLocale& locale) const
{
    if (enDirect_) return {};
    if (source_ == Source::Passe)
        return Format::passe(trame_.arriveeMs, historique_.dernier() - *numero_, locale);
    if (source_ == Source::Session)
        return Format::video(trame_.arriveeMs, trame_.arriveeMs - session_->debutMs(), session_->dureeMs(),
                             locale);
    return {};
}

} // namespace acquisition
