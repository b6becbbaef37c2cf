#include "acquisition/Historique.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace acquisition;

namespace {
// Every text field at its full width: nothing may be cut on the way through the ring.
TrameDatee trame(int k)
{
    TrameDatee t{{"500mV", k % 2 == 0, {}, "   2V", k % 3 == 0, {}, " 20u", "Auto A   >", k % 256}, 1000 + k};
    t.trame.ch1.fill(std::uint8_t(k));
    return t;
}
} // namespace

TEST(Historique, KeepsTheNewestInOrderAndDropsTheOldestFirst)
{
    // Capacity, frames appended, frames kept: nothing yet, not full, just full, one past full,
    // wrapped three times, no ring at all.
    const std::tuple<int, int, int> cases[] = {{3, 0, 0}, {3, 2, 2},  {3, 3, 3},
                                               {3, 4, 3}, {3, 10, 3}, {0, 5, 0}};
    for (const auto& [capacite, ajoutees, taille] : cases) {
        SCOPED_TRACE(ajoutees);
        Historique h(capacite);
        for (int k = 0; k < ajoutees; ++k)
            h.append(trame(k));
        ASSERT_EQ(h.size(), taille);
        EXPECT_EQ(h.dernier(), ajoutees - 1);
        EXPECT_EQ(h.premier(), ajoutees - taille);
        for (int i = 0; i < h.size(); ++i)
            EXPECT_EQ(h.at(i), trame(ajoutees - taille + i)) << i;
    }
}

TEST(Historique, StepsStayWithinTheFramesKept)
{
    using P = Historique::Pas;
    Historique h(3);
    EXPECT_EQ(h.vers(std::nullopt, P::Precedente), std::nullopt) << "nothing kept, nowhere to go";
    for (int k = 0; k < 5; ++k)
        h.append(trame(k)); // numbers 2 to 4 kept
    // From 0, dropped meanwhile, to the oldest; from no number (a file's frame) to the newest.
    const std::tuple<std::optional<qint64>, P, qint64> cases[] = {
        {3, P::Precedente, 2},         {2, P::Precedente, 2},
        {0, P::Suivante, 2},           {3, P::Suivante, 4},
        {4, P::Suivante, 4},           {3, P::PlusAncienne, 2},
        {2, P::PlusRecente, 4},        {std::nullopt, P::Precedente, 4},
        {std::nullopt, P::Suivante, 4}};
    for (const auto& [ici, pas, attendu] : cases)
        EXPECT_EQ(h.vers(ici, pas), attendu) << ici.value_or(-1) << " " << int(pas);
}
