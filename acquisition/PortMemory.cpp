#include "acquisition/PortMemory.h"

#include <QFileInfo>
#include <QSettings>

namespace acquisition {
namespace {

const QString kCom = QStringLiteral("port/com");
const QString kPath = QStringLiteral("port/path");
const QString kName = QStringLiteral("port/name");
const QString kById = QStringLiteral("port/byId");
const QString kByPath = QStringLiteral("port/byPath");
const QString kVendor = QStringLiteral("port/vendorId");
const QString kProduct = QStringLiteral("port/productId");
const QString kSerial = QStringLiteral("port/serialNumber");

QSettings programSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vantorlcd"),
                     QStringLiteral("vantorlcd"));
}

// A text value as written by rememberPort: a list or anything else is not one.
std::optional<QString> text(const QSettings& s, const QString& key)
{
    const QVariant v = s.value(key);
    if (!v.isValid()) return QString();
    if (v.typeId() != QMetaType::QString) return std::nullopt;
    return v.toString();
}

std::optional<int> number(const QSettings& s, const QString& key, int max)
{
    const std::optional<QString> t = text(s, key);
    if (!t || t->isEmpty()) return std::nullopt;
    bool ok = false;
    const int n = t->toInt(&ok);
    if (!ok || n < 0 || n > max) return std::nullopt;
    return n;
}

bool isDevicePath(const QString& path)
{
#ifdef Q_OS_WIN
    return !path.isEmpty();
#else
    return path.startsWith(QLatin1Char('/'));
#endif
}

} // namespace

std::optional<PortChoice> recallPort()
{
    const QSettings s = programSettings();
    if (s.status() != QSettings::NoError) return std::nullopt;
    if (s.contains(kCom)) {
        const std::optional<int> n = number(s, kCom, 4);
        if (!n || *n < 1) return std::nullopt;
        return PortChoice{*n, {}};
    }
    // A file written before the socket was kept has no byPath: that adapter matches its path.
    const std::optional<QString> path = text(s, kPath), name = text(s, kName), byId = text(s, kById),
                                 byPath = text(s, kByPath), serial = text(s, kSerial);
    if (!path || !name || !byId || !byPath || !serial || !isDevicePath(*path)) return std::nullopt;
    if (!byId->isEmpty() && !isDevicePath(*byId)) return std::nullopt;
    if (!byPath->isEmpty() && !isDevicePath(*byPath)) return std::nullopt;
    PortChoice choice;
    choice.device.location = *path;
    choice.device.name = name->isEmpty() ? QFileInfo(*path).fileName() : *name;
    choice.device.byId = *byId;
    choice.device.byPath = *byPath;
    if (s.contains(kVendor) || s.contains(kProduct)) {
        const std::optional<int> vendor = number(s, kVendor, 0xFFFF), product = number(s, kProduct, 0xFFFF);
        if (!vendor || !product) return std::nullopt;
        choice.device.usb = UsbIdentity{quint16(*vendor), quint16(*product), *serial};
    } else if (!serial->isEmpty()) {
        return std::nullopt;
    }
    return choice;
}

void rememberPort(const PortChoice& choice)
{
    QSettings s = programSettings();
    s.remove(QStringLiteral("port"));
    if (choice.commPort > 0) {
        s.setValue(kCom, QString::number(choice.commPort));
    } else {
        const SerialDevice& d = choice.device;
        s.setValue(kPath, d.location);
        s.setValue(kName, d.name);
        if (!d.byId.isEmpty()) s.setValue(kById, d.byId);
        if (!d.byPath.isEmpty()) s.setValue(kByPath, d.byPath);
        if (d.usb) {
            s.setValue(kVendor, QString::number(d.usb->vendor));
            s.setValue(kProduct, QString::number(d.usb->product));
            if (!d.usb->serial.isEmpty()) s.setValue(kSerial, d.usb->serial);
        }
    }
    s.sync();
}

} // namespace acquisition
