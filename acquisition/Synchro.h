#pragma once

// A recording's pushes to the disk, on a thread of their own: fdatasync on a USB stick or a
// network folder can take hundreds of milliseconds, which the window must not wait for. The
// thread also looks whether the recording's name still names its file. It touches the
// descriptor and the path only, never a widget nor the recorder's state: what it finds goes to
// `rendu`, which is called on that thread and must hand it over (a queued call).
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace acquisition {

class Synchro
{
public:
    // What the file's name names now.
    enum class Nom {
        LeFichier, // the recording's file
        Supprime,  // nothing: the file is gone, with what was written
        Remplace,  // another file, ours removed
        Deplace,   // nothing or another file, ours still linked elsewhere
    };
    struct Bilan
    {
        qint64 taille = 0, trames = 0; // what the request covered
        bool pousse = false;           // the request asked for a push
        int erreur = 0;                // errno of a failed push; 0 when it went to the disk
        Nom nom = Nom::LeFichier;
    };
    using Rendu = std::function<void(const Bilan&)>;
    // How a push is made: the disk's (syncData), or what a test plays; called on the thread.
    using Pousse = int (*)(int fd);

    // What `chemin` names now, for the file open as `fd`.
    static Nom nom(int fd, const QString& chemin);

    Synchro(int fd, const QString& chemin, Rendu rendu, Pousse pousse);
    // Waits for the push under way.
    ~Synchro();
    Synchro(const Synchro&) = delete;
    Synchro& operator=(const Synchro&) = delete;

    // Asks for a look at the name and, with `pousse`, a push of what was written so far (`taille`
    // bytes, `trames` frames). A request made while one waits takes its place, its push kept.
    void demande(qint64 taille, qint64 trames, bool pousse);
    // Returns once nothing is asked or under way.
    void attend();

private:
    void travaille();
    Bilan traite(Bilan b) const;

    const int fd_;
    const QString chemin_;
    const Rendu rendu_;
    const Pousse pousse_;
    std::mutex verrou_;
    std::condition_variable reveil_, calme_;
    std::optional<Bilan> demande_;
    bool enCours_ = false, fin_ = false;
    std::thread fil_;
};

} // namespace acquisition
