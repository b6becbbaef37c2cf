#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

namespace acquisition {

// What a USB adapter says of itself: the same adapter keeps it under any ttyUSBn.
struct UsbIdentity
{
    quint16 vendor = 0;
    quint16 product = 0;
    QString serial; // empty when the adapter has none
    bool operator==(const UsbIdentity&) const = default;
};

// A serial device as the system reports it: "ttyUSB0", "FT232R USB UART", "/dev/ttyUSB0",
// with what tells it from another adapter when the system knows it.
struct SerialDevice
{
    QString name;
    QString description;
    QString location;
    QString byId; // its /dev/serial/by-id/… link, where the system makes one
    std::optional<UsbIdentity> usb;
    // Its /dev/serial/by-path/… link: the USB socket it is plugged into. Adapters without a
    // serial number share their by-id link with every adapter of their make; this tells them apart.
    QString byPath = {};
};

// Where the list comes from: the system's (systemDevices), or one a test gives.
using DeviceLister = std::function<QList<SerialDevice>()>;
QList<SerialDevice> systemDevices();
// Whether the device at `location` is there now: its file on Linux; on Windows, the port's
// name, which the system keeps while a driver serves it.
bool deviceThere(const QString& location);

// The devices to offer beside COM1 to COM4: those that are not already the device of one of
// them (a VANTOR_COMn naming /dev/ttyUSB0, or a link to it), in the order given.
QList<SerialDevice> otherDevices(const QList<SerialDevice>& devices);

// How the user sees it: the name and the description, or the name alone.
QString caption(const SerialDevice& device);
// Its menu caption: the same, where a '&' is not an access key.
QString menuCaption(const SerialDevice& device);

// A socket is the same under each of the by-path links the system makes for it: a newer udev
// adds one naming the USB revision ("…-usbv2-0:1:1.0-port0") beside the older
// "…-usb-0:1:1.0-port0", and either may be the one listed or remembered.
bool sameSocket(const QString& byPath, const QString& otherByPath);

// Whether `candidate` is the device `wanted` was: the same USB adapter by its serial number
// (or the by-id link naming it) under any name; an adapter without one by its make and its
// socket (or its path, when its socket is not known); a device that says nothing of itself
// only at the same path. Never just any device.
bool sameDevice(const SerialDevice& wanted, const SerialDevice& candidate);
std::optional<SerialDevice> findDevice(const SerialDevice& wanted, const QList<SerialDevice>& present);

// Whether the system's list of serial devices may have changed, for one stat: the system's list
// costs milliseconds of CPU, and a device plugged in or out shows first as its node coming or
// going in the folder where the devices are (/dev). The list is worth asking for kSettleMs
// after, while the system still names the newcomer and makes its links.
class DeviceFolder
{
public:
    static constexpr int kSettleMs = 3000;

    // From now on, the folder of `device`; changed() holds for `dueMs` first.
    void watch(const QString& device, int dueMs = 0);
    bool changed();

private:
    QString folder_;
    QDateTime modified_;
    QDeadlineTimer until_;
};

} // namespace acquisition
