#include "acquisition/SerialDevices.h"

#include <algorithm>
#include <windows.h>

namespace acquisition {

namespace {
int portNumber(const QString& name)
{
    return name.mid(3).toInt();
}
} // namespace

// The COM ports the system knows now, as its device map lists them (the drivers write there
// the ports they serve, a USB adapter's while it is plugged in), in the order of their numbers.
// Windows tells a port by its name alone: no USB identity, no by-id or by-path link.
QList<SerialDevice> systemDevices()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return {};
    QList<SerialDevice> devices;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameSize = DWORD(std::size(valueName));
        wchar_t data[64];
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG got = RegEnumValueW(key, i, valueName, &nameSize, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &dataSize);
        if (got == ERROR_NO_MORE_ITEMS) break;
        if (got != ERROR_SUCCESS || type != REG_SZ) continue;
        const QString name = QString::fromWCharArray(data, int(dataSize / sizeof(wchar_t))).remove(QChar(0));
        if (!name.startsWith(QLatin1String("COM")) || portNumber(name) <= 0) continue;
        devices.append(SerialDevice{name, {}, name, {}, {}});
    }
    RegCloseKey(key);
    std::sort(devices.begin(), devices.end(), [](const SerialDevice& a, const SerialDevice& b) {
        return portNumber(a.name) < portNumber(b.name);
    });
    return devices;
}

bool deviceThere(const QString& location)
{
    // The system's name for the port exists while its driver serves it.
    wchar_t target[1024];
    return QueryDosDeviceW(reinterpret_cast<const wchar_t*>(location.utf16()), target,
                           DWORD(std::size(target))) > 0;
}

} // namespace acquisition
