#pragma once

#include "acquisition/PortMemory.h"
#include "acquisition/SerialDevices.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

namespace acquisition {

// Waits for a port that went away (an adapter unplugged, a hung-up tty), was not there at
// start, or would not open (held by another program, closed to us): that same device, never
// another. It looks a few times a second and only while waiting: a look at a device known by
// its path is one stat.
class PortWait : public QObject
{
    Q_OBJECT
public:
    explicit PortWait(QObject* parent = nullptr);

    static constexpr int kLookMs = 250;
    // A device back but refusing to open (rights, busy) is tried again this often.
    static constexpr int kRetryMs = 1000;
    // The system's list of ports costs milliseconds of CPU. While waiting for an adapter known
    // by its USB identity it is asked at most once a kRetryMs: after the folder of its device
    // changed (its node comes or goes there), for this long, while the system names it; and
    // at each retry of an adapter there but refused, as its release changes nothing there.
    static constexpr int kSettleMs = 3000;

    void start(const PortChoice& wanted);
    void stop();
    bool waiting() const { return timer_.isActive(); }
    const PortChoice& wanted() const { return wanted_; }
    // After a failed open of `device`, what was found: the next try comes kRetryMs later.
    void retryLater(const QString& device);

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
    QDeadlineTimer nextList_;
    bool refusedHere_ = false; // the last try found it, and it would not open
};

} // namespace acquisition
