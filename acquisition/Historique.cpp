#include "acquisition/Historique.h"

#include <algorithm>

namespace acquisition {

namespace {

template <std::size_t N> std::uint8_t copie(std::array<char, N>& vers, const QByteArray& texte)
{
    const std::size_t n = std::min<std::size_t>(N, std::size_t(texte.size()));
    std::copy_n(texte.constData(), n, vers.begin());
    return std::uint8_t(n);
}

template <std::size_t N> QByteArray texte(const std::array<char, N>& champ, std::uint8_t longueur)
{
    return QByteArray(champ.data(), longueur);
}

} // namespace

Historique::Historique(int capacite) : capacite_(std::max(0, capacite))
{
    // Reserved, not filled: pages are only touched as frames come in.
    entrees_.reserve(std::size_t(capacite_));
}

void Historique::append(const TrameDatee& t)
{
    ++suivant_;
    if (capacite_ == 0) return;
    Entree e;
    e.arriveeMs = t.arriveeMs;
    e.trigLevel = t.trame.trigLevel;
    e.ch1 = t.trame.ch1;
    e.ch2 = t.trame.ch2;
    e.longueurGain1 = copie(e.gain1, t.trame.gain1);
    e.longueurGain2 = copie(e.gain2, t.trame.gain2);
    e.longueurTemps = copie(e.temps, t.trame.timeField);
    e.longueurTrig = copie(e.trig, t.trame.trigText);
    e.ac1 = t.trame.ac1;
    e.ac2 = t.trame.ac2;
    if (entrees_.size() < std::size_t(capacite_)) {
        entrees_.push_back(e);
    } else {
        entrees_[std::size_t(tete_)] = e;
        tete_ = (tete_ + 1) % capacite_;
    }
}

TrameDatee Historique::at(int i) const
{
    const Entree& e = entrees_[(std::size_t(tete_) + std::size_t(i)) % entrees_.size()];
    TrameDatee t;
    t.arriveeMs = e.arriveeMs;
    t.trame.trigLevel = e.trigLevel;
    t.trame.ch1 = e.ch1;
    t.trame.ch2 = e.ch2;
    t.trame.gain1 = texte(e.gain1, e.longueurGain1);
    t.trame.gain2 = texte(e.gain2, e.longueurGain2);
    t.trame.timeField = texte(e.temps, e.longueurTemps);
    t.trame.trigText = texte(e.trig, e.longueurTrig);
    t.trame.ac1 = e.ac1;
    t.trame.ac2 = e.ac2;
    return t;
}

std::optional<qint64> Historique::vers(std::optional<qint64> ici, Pas pas) const
{
    if (isEmpty()) return std::nullopt;
    const qint64 depuis = ici.value_or(dernier() + 1);
    qint64 n = depuis;
    switch (pas) {
    case Pas::Precedente:
        n = depuis - 1;
        break;
    case Pas::Suivante:
        n = depuis + 1;
        break;
    case Pas::PlusAncienne:
        n = premier();
        break;
    case Pas::PlusRecente:
        n = dernier();
        break;
    }
    const qint64 vers = std::clamp(n, premier(), dernier());
    // From a frame the ring has dropped, the oldest kept lies after it: a step back stays there.
    if (pas == Pas::Precedente && vers > depuis) return ici;
    return vers;
}

} // namespace acquisition
