#pragma once

#include "acquisition/PortMemory.h"
#include "acquisition/SerialDevices.h"

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

    // The system's devices, asked only for an adapter known by its USB identity, and then at
    // most once a kRetryMs: while its folder tells of a change, and at each retry of an adapter
    // there but refused, as another program letting it go changes nothing in its folder.
    DeviceLister lister = systemDevices;

signals:
    void found(const acquisition::PortChoice& at);

private:
    QTimer timer_;
    PortChoice wanted_;
    QDeadlineTimer retry_;
    DeviceFolder folder_;
    QDeadlineTimer nextList_;
    bool refusedHere_ = false; // the last try found it, and it would not open
};

} // namespace acquisition
