#include "acquisition/SerialDevices.h"

#include "acquisition/SerialLink.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#ifndef Q_OS_WIN
#include <QSerialPortInfo>
#endif

namespace acquisition {

namespace {
// The same device under any of its names: links (/dev/serial/by-id/…) resolved.
QString identity(const QString& path)
{
#ifdef Q_OS_WIN
    // A port is its name ("COM3"): not a file to resolve.
    return path;
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
#endif
}

#ifndef Q_OS_WIN
// The system's stable links to its serial devices in `folder`, by the device they point to.
QHash<QString, QString> links(const QString& folder)
{
    QHash<QString, QString> links;
    const QDir dir(folder);
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        links.insert(link.canonicalFilePath(), link.absoluteFilePath());
    return links;
}
#endif
} // namespace

#ifndef Q_OS_WIN
QList<SerialDevice> systemDevices()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty()) return {};
    const QHash<QString, QString> byId = links(QStringLiteral("/dev/serial/by-id"));
    const QHash<QString, QString> byPath = links(QStringLiteral("/dev/serial/by-path"));
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : ports) {
        SerialDevice d{info.portName(), info.description(), info.systemLocation(), {}, {}};
        d.byId = byId.value(identity(d.location));
        d.byPath = byPath.value(identity(d.location));
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            d.usb = UsbIdentity{info.vendorIdentifier(), info.productIdentifier(), info.serialNumber()};
        devices.append(d);
    }
    return devices;
}

bool deviceThere(const QString& location)
{
    return QFileInfo::exists(location);
}
#endif // Windows lists its ports in acquisition/win/

QList<SerialDevice> otherDevices(const QList<SerialDevice>& devices)
{
    QStringList taken;
    for (int n = 1; n <= 4; ++n)
        taken << identity(SerialLink::deviceName(n));
    QList<SerialDevice> others;
    for (const SerialDevice& d : devices)
        if (!taken.contains(identity(d.location)) && !taken.contains(d.name)) others.append(d);
    return others;
}

QString caption(const SerialDevice& device)
{
    QString text = device.name;
    if (!device.description.isEmpty()) text += QStringLiteral(" \u2014 ") + device.description;
    return text;
}

QString menuCaption(const SerialDevice& device)
{
    return caption(device).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

bool sameSocket(const QString& byPath, const QString& otherByPath)
{
    if (byPath == otherByPath) return true;
    static const QRegularExpression revision(QStringLiteral("-usbv[0-9]+-"));
    QString a = byPath, b = otherByPath;
    a.replace(revision, QStringLiteral("-usb-"));
    b.replace(revision, QStringLiteral("-usb-"));
    return a == b;
}

bool sameDevice(const SerialDevice& wanted, const SerialDevice& candidate)
{
    if (wanted.usb && !wanted.usb->serial.isEmpty())
        return candidate.usb == wanted.usb || (!wanted.byId.isEmpty() && candidate.byId == wanted.byId);
    if (!wanted.usb) return candidate.location == wanted.location;
    // Without a serial number two adapters of one make look alike, by-id link included: the
    // socket tells them apart (the path, when the socket was not known), and it must at least
    // be of that make.
    const bool sameMake = candidate.usb && candidate.usb->vendor == wanted.usb->vendor &&
                          candidate.usb->product == wanted.usb->product;
    const bool samePlace = wanted.byPath.isEmpty() ? candidate.location == wanted.location
                                                   : sameSocket(wanted.byPath, candidate.byPath);
    return sameMake && samePlace;
}

std::optional<SerialDevice> findDevice(const SerialDevice& wanted, const QList<SerialDevice>& present)
{
    for (const SerialDevice& d : present)
        if (sameDevice(wanted, d)) return d;
    return std::nullopt;
}

void DeviceFolder::watch(const QString& device, int dueMs)
{
    folder_ = QFileInfo(device).absolutePath();
    modified_ = QFileInfo(folder_).lastModified();
    until_.setRemainingTime(dueMs);
}

bool DeviceFolder::changed()
{
    const QDateTime modified = QFileInfo(folder_).lastModified();
    if (modified != modified_) {
        modified_ = modified;
        until_.setRemainingTime(kSettleMs);
    }
    return !until_.hasExpired();
}

} // namespace acquisition
