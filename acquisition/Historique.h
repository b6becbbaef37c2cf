#pragma once

#include "acquisition/TrameDatee.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace acquisition {

// The frames received so far, each with its time of arrival, in a ring of fixed capacity: the
// oldest goes first when it is full, so memory stays flat however long the program runs.
// Frames are numbered from 0 in the order they came in; the number of a frame never changes,
// even once older frames are dropped.
class Historique
{
public:
    // Eleven minutes at the board's fastest rate (29.5 frames a second), about 4 MiB.
    static constexpr int kCapacite = 20000;

    explicit Historique(int capacite = kCapacite);

    // Keeps `t`. Text fields are kept up to their width in the frame (5, 5, 4 and 10
    // characters), all the decoder and the CSV reader ever give.
    void append(const TrameDatee& t);

    // Frame i, 0 the oldest kept, size() - 1 the newest; i must lie between them.
    TrameDatee at(int i) const;
    int size() const { return int(entrees_.size()); }
    int capacity() const { return capacite_; }
    bool isEmpty() const { return entrees_.empty(); }
    // The number of at(0); at(i) is number premier() + i.
    qint64 premier() const { return suivant_ - size(); }
    // The number of the newest frame appended; -1 before the first.
    qint64 dernier() const { return suivant_ - 1; }

    // The steps through the past: the frame before or after frame number `ici`, the oldest or
    // the newest kept.
    enum class Pas { Precedente, Suivante, PlusAncienne, PlusRecente };
    // The number of the frame a step from `ici` lands on, within those kept; from no number
    // (a frame from elsewhere, newer than any kept) the step back is the newest. Nothing when
    // the ring is empty. A step back never lands later than `ici`: from a frame dropped, it is `ici`.
    std::optional<qint64> vers(std::optional<qint64> ici, Pas pas) const;

    // Bytes one kept frame takes.
    static constexpr std::size_t octetsParTrame();

private:
    struct Entree
    {
        qint64 arriveeMs;
        std::int32_t trigLevel;
        std::array<std::uint8_t, kSampleCount> ch1, ch2;
        std::array<char, 5> gain1, gain2;
        std::array<char, 4> temps;
        std::array<char, 10> trig;
        std::uint8_t longueurGain1, longueurGain2, longueurTemps, longueurTrig;
        bool ac1, ac2;
    };

    std::vector<Entree> entrees_;
    int capacite_;
    int tete_ = 0; // where the next frame goes once the ring is full: the oldest
    qint64 suivant_ = 0;
};

constexpr std::size_t Historique::octetsParTrame()
{
    return sizeof(Entree);
}

// The bound the ring is held to: its full capacity well under 16 MiB.
static_assert(Historique::kCapacite * Historique::octetsParTrame() <= 8 * 1024 * 1024);

} // namespace acquisition
