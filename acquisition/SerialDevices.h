#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace acquisition {

// A serial device as the system reports it: "ttyUSB0", "FT232R USB UART", "/dev/ttyUSB0".
struct SerialDevice
{
    QString name;
    QString description;
    QString location;
};

// Where the list comes from: the system's (systemDevices), or one a test gives.
using DeviceLister = std::function<QList<SerialDevice>()>;
QList<SerialDevice> systemDevices();

// The devices to offer beside COM1 to COM4: those that are not already the device of one of
// them (a VANTOR_COMn naming /dev/ttyUSB0, or a link to it), in the order given.
QList<SerialDevice> otherDevices(const QList<SerialDevice>& devices);

// Its menu caption: the name and the description, or the name alone.
QString menuCaption(const SerialDevice& device);

} // namespace acquisition
