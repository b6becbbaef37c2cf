#pragma once

#include "acquisition/PortMemory.h"
#include "acquisition/SerialDevices.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

namespace acquisition {

// Waits for a port that went away (an adapter unplugged, a hung-up tty), or was not there at
// start, to be back: that same device, never another. It looks a few times a second and only
// while waiting: a look at a device known by its path alone is one stat.
class PortWait : public QObject
{
    Q_OBJECT
public:
    explicit PortWait(QObject* parent = nullptr);

    static constexpr int kLookMs = 250;
    // A device back but refusing to open (rights, busy) is tried again this often.
    static constexpr int kRetryMs = 1000;
    // The system's list of ports costs milliseconds of CPU: while waiting for an adapter known
    // by its USB identity it is asked only when the folder of its device changed (its node
    // comes or goes there), and for this long after, while the system names it.
    static constexpr int kSettleMs = 3000;

    void start(const PortChoice& wanted);
    void stop();
    bool waiting() const { return timer_.isActive(); }
    const PortChoice& wanted() const { return wanted_; }
    // After a failed open of what was found: the next try comes kRetryMs later.
    void retryLater();

    // Looks now; found() is emitted before it returns if the port is there.
    void look();
    // Where `wanted` is now, if it is there: COMn as it is, a device under its present name.
    // Without `mayList` an adapter that only the system's list would find is not looked for.
    std::optional<PortChoice> locate(const PortChoice& wanted, bool mayList = true) const;

    // The system's devices, asked only for an adapter known by its USB identity.
    DeviceLister lister = systemDevices;

signals:
    void found(const acquisition::PortChoice& at);

private:
    bool listingDue();

    QTimer timer_;
    PortChoice wanted_;
    QDeadlineTimer retry_;
    QDateTime folderChanged_;
    QDeadlineTimer listUntil_;
};

} // namespace acquisition
