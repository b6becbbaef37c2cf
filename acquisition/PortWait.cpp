#include "acquisition/PortWait.h"

#include "acquisition/SerialLink.h"

#include <QFileInfo>

namespace acquisition {

PortWait::PortWait(QObject* parent) : QObject(parent)
{
    timer_.setInterval(kLookMs);
    connect(&timer_, &QTimer::timeout, this, &PortWait::look);
}

void PortWait::start(const PortChoice& wanted)
{
    wanted_ = wanted;
    retry_ = QDeadlineTimer();
    nextList_ = QDeadlineTimer();
    refusedHere_ = false;
    // The first look lists too, for a device already back before the wait began.
    folder_.watch(wanted.device.location, kLookMs + kLookMs / 2);
    timer_.start();
}

void PortWait::stop()
{
    timer_.stop();
}

void PortWait::retryLater(const QString& device)
{
    retry_.setRemainingTime(kRetryMs);
    refusedHere_ = QFileInfo::exists(device);
}

void PortWait::look()
{
    if (!waiting() || !retry_.hasExpired()) return;
    const bool due = folder_.changed() || refusedHere_;
    const bool mayList = wanted_.device.usb && due && nextList_.hasExpired();
    if (mayList) nextList_.setRemainingTime(kRetryMs);
    const std::optional<PortChoice> at = locate(wanted_, mayList);
    // Gone from the list: its coming back will show in its folder.
    if (mayList && !at) refusedHere_ = false;
    if (at) emit found(*at);
}

std::optional<PortChoice> PortWait::locate(const PortChoice& wanted, bool mayList) const
{
    const SerialDevice& d = wanted.device;
    if (wanted.commPort > 0) {
        if (!deviceThere(SerialLink::deviceName(wanted.commPort))) return std::nullopt;
        return wanted;
    }
    if (!d.usb) {
        // Known by its path alone: that path or nothing.
        if (!deviceThere(d.location)) return std::nullopt;
        return wanted;
    }
    // The system's own link names this very adapter, when it has a serial number: no need to
    // ask for the whole list. Without one, the link is every adapter of its make.
    if (!d.usb->serial.isEmpty() && !d.byId.isEmpty() && QFileInfo::exists(d.byId)) {
        PortChoice at = wanted;
        at.device.location = QFileInfo(d.byId).canonicalFilePath();
        at.device.name = QFileInfo(at.device.location).fileName();
        return at;
    }
    if (!mayList) return std::nullopt;
    const std::optional<SerialDevice> present = findDevice(d, lister());
    if (!present) return std::nullopt;
    PortChoice at = wanted;
    at.device.location = present->location;
    at.device.name = present->name;
    at.device.description = present->description;
    return at;
}

} // namespace acquisition
