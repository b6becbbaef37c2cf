// What the screen shows, event by event: (state, event) -> (source, frame shown, frames kept,
// drawn, play), without a window.
#include "acquisition/Affichage.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace acquisition;
using S = Affichage::Source;
using P = Historique::Pas;

namespace {

// A frame told by its trigger level.
TrameDatee trame(int id, qint64 ms = 0)
{
    TrameDatee t;
    t.trame.trigLevel = id;
    t.trame.timeField = "100m";
    t.arriveeMs = ms;
    return t;
}

// A recording of frames 100, 101, 102, the last after ten seconds without the board.
std::shared_ptr<Session> session(const QString& chemin)
{
    const Enregistrement::Ecriture e(0, QLocale::c());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(e.entete() + e.ligne(trame(100, 0)) + e.ligne(trame(101, 40)) + e.ligne(trame(102, 10'040)));
    f.close();
    Chargement c;
    c.ouvre(chemin);
    while (c.avance()) {
    }
    return c.session();
}

} // namespace

TEST(Affichage, EachStateAndEvent)
{
    QTemporaryDir dir;
    const std::shared_ptr<Session> enregistree = session(dir.filePath(QStringLiteral("s.csv")));
    ASSERT_TRUE(enregistree && enregistree->taille() == 3);
    using Etape = std::function<Affichage::Effet(Affichage&)>;
    const auto recue = [](int id, qint64 ms = 0) {
        return Etape([=](Affichage& a) { return a.recue(trame(id, ms)); });
    };
    const auto pas = [](P p) { return Etape([=](Affichage& a) { return a.pas(p); }); };
    const auto tic = [](qint64 ms) { return Etape([=](Affichage& a) { return a.tic(ms); }); };
    const Etape un = recue(1, 0), deux = recue(2, 30), trois = recue(3), quatre = recue(4), cinq = recue(5);
    const Etape fige = [](Affichage& a) { return a.runStop(false); },
                marche = [](Affichage& a) { return a.runStop(true); };
    const Etape presse = [](Affichage& a) {
        a.presse();
        return Affichage::Effet{};
    };
    const Etape relache = [](Affichage& a) { return a.relache(); },
                regarde = [](Affichage& a) { return a.regarde(); };
    const Etape L = [](Affichage& a) { return a.lecture(0); };
    const Etape fichier = [](Affichage& a) { return a.fichier(trame(50), QStringLiteral("f.csv")); };
    const Etape seance = [&](Affichage& a) { return a.session(enregistree, QStringLiteral("s.csv")); };
    const Etape arriere = pas(P::Precedente);
    const int vide = Affichage::depart().trame.trigLevel;
    const struct
    {
        const char* why;
        std::vector<Etape> avant;
        Etape evenement;
        S source;
        int montree; // the trigger level of the frame shown
        int gardees;
        bool dessine, joue;
        std::optional<qint64> attenteA100; // the play's wait, seen at 100 ms
    } rows[] = {
        // clang-format off: one row a line reads as a table
        {"live: drawn and kept", {un, deux}, trois, S::Direct, 3, 3, true, false, {}},
        {"a drag holds the picture", {un, deux, presse}, trois, S::Direct, 2, 3, false, false, {}},
        {"its release shows the newest", {un, deux, presse, trois}, relache, S::Direct, 3, 3, true, false, {}},
        {"frozen: kept, not drawn", {un, deux, fige, arriere}, trois, S::Passe, 1, 3, false, false, {}},
        {"a session: a live frame neither in it nor drawn", {un, deux, seance}, trois, S::Session, 100, 3, false, false, {}},
        {"leaving a session: the newest live frame", {un, deux, seance}, marche, S::Direct, 2, 2, true, false, {}},
        {"leaving a session before any live frame: empty", {seance}, marche, S::Aucune, vide, 0, true, false, {}},
        {"a mode button: the board's newest", {un, deux, fige, arriere, trois}, regarde, S::Passe, 3, 3, true, false, {}},
        {"a step back from a file: the newest kept", {un, deux, fichier}, arriere, S::Passe, 2, 2, true, false, {}},
        {"a step back from a frame the ring dropped stays", {un, deux, fige, arriere, trois, quatre, cinq}, arriere, S::Passe, 1, 3, false, false, {}},
        {"End of a session: its last frame", {seance}, pas(P::PlusRecente), S::Session, 102, 0, true, false, {}},
        {"L: the next frame at its pace", {seance}, L, S::Session, 100, 0, false, true, 0},
        {"L: a 10 s pause played as 2 s, timed from the play's start", {seance, L}, tic(45), S::Session, 101, 0, true, true, Defilement::kPauseMaxMs + 40 - 100},
        {"L from the oldest goes on while the ring drops it", {un, deux, trois, fige, pas(P::PlusAncienne), L, quatre, cinq}, tic(30), S::Passe, 3, 3, true, false, {}},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        Affichage a(3);
        for (const Etape& e : r.avant)
            e(a);
        const Affichage::Effet effet = r.evenement(a);
        EXPECT_EQ(a.source(), r.source);
        EXPECT_EQ(a.trame().trame.trigLevel, r.montree);
        EXPECT_EQ(a.historique().size(), r.gardees);
        EXPECT_EQ(effet.dessine, r.dessine);
        EXPECT_EQ(a.joue(), r.joue);
        EXPECT_EQ(a.attenteMs(100), r.attenteA100);
        if (a.source() == S::Session) {
            EXPECT_EQ(a.sessionOuverte()->taille(), 3);
        }
    }
}
