#include "acquisition/SerialDevices.h"

#include "acquisition/SerialLink.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace acquisition {

namespace {
// The same device under any of its names: links (/dev/serial/by-id/…) resolved.
QString identity(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}
} // namespace

QList<SerialDevice> systemDevices()
{
    QList<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.append({info.portName(), info.description(), info.systemLocation()});
    return devices;
}

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

QString menuCaption(const SerialDevice& device)
{
    QString caption = device.name;
    if (!device.description.isEmpty()) caption += QStringLiteral(" \u2014 ") + device.description;
    // A '&' in a name is a character, not an access key.
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace acquisition
