#include "WinSystemPorts.h"

#include <QHash>
#include <windows.h>
// After windows.h, which they build on; initguid.h defines the device classes here.
#include <cfgmgr32.h>
#include <devguid.h>
#include <initguid.h>
#include <setupapi.h>

namespace {

struct Device {
    QString description;
    QString identity;
};

QStringList serial_device_map()
{
    QStringList names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key)
        != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t value_name[256];
        wchar_t data[64] = {};
        DWORD name_length = 256;
        DWORD data_bytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key, index, value_name, &name_length, nullptr, &type,
            reinterpret_cast<BYTE*>(data), &data_bytes);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS && type == REG_SZ)
            names.append(QString::fromWCharArray(data).trimmed());
    }
    RegCloseKey(key);
    return names;
}

QString registry_property(HDEVINFO set, SP_DEVINFO_DATA& info, DWORD property)
{
    wchar_t text[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set, &info, property, nullptr,
            reinterpret_cast<BYTE*>(text), sizeof text - sizeof(wchar_t), nullptr))
        return {};
    return QString::fromWCharArray(text);
}

QString port_name(HDEVINFO set, SP_DEVINFO_DATA& info)
{
    HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD bytes = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool read
        = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes)
            == ERROR_SUCCESS
        && type == REG_SZ;
    RegCloseKey(key);
    return read ? QString::fromWCharArray(name) : QString();
}

// The installed devices that have a COM port name: serial ports and modems, by that name.
void add_devices(const GUID& device_class, QHash<QString, Device>& devices)
{
    HDEVINFO set = SetupDiGetClassDevsW(&device_class, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA info {};
    info.cbSize = sizeof info;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        const QString port = port_name(set, info).toUpper();
        if (port.isEmpty())
            continue;
        wchar_t instance[MAX_DEVICE_ID_LEN] = {};
        if (!SetupDiGetDeviceInstanceIdW(set, &info, instance, MAX_DEVICE_ID_LEN, nullptr))
            instance[0] = 0;
        QString name = registry_property(set, info, SPDRP_FRIENDLYNAME);
        if (name.isEmpty())
            name = registry_property(set, info, SPDRP_DEVICEDESC);
        devices.insert(port,
            Device { WinSystemPorts::description(name, port),
                WinSystemPorts::usb_identity(QString::fromWCharArray(instance)) });
    }
    SetupDiDestroyDeviceInfoList(set);
}

} // namespace

QString WinSystemPorts::usb_identity(const QString& instance_id)
{
    return instance_id.contains(u"VID_", Qt::CaseInsensitive) ? instance_id.toUpper() : QString();
}

QString WinSystemPorts::description(const QString& friendly_name, const QString& port)
{
    const QString suffix = QStringLiteral(" (") + port + u')';
    QString text = friendly_name.trimmed();
    if (text.endsWith(suffix, Qt::CaseInsensitive))
        text.chop(suffix.size());
    return text;
}

QList<SystemPorts::Port> WinSystemPorts::ports() const
{
    QHash<QString, Device> devices;
    add_devices(GUID_DEVCLASS_PORTS, devices);
    add_devices(GUID_DEVCLASS_MODEM, devices);
    QList<Port> found;
    for (const QString& name : serial_device_map()) {
        const Device device = devices.value(name.toUpper());
        found.append({ name, device.description, device.identity });
    }
    return found;
}
