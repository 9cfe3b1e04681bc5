// The serial ports Windows lists: every COM port in HARDWARE\DEVICEMAP\SERIALCOMM, named after
// the device the system describes under that port name (Ports class), with the USB identity when
// the device has one.
#include "core/ComPorts.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <QRegularExpression>

namespace kwf {

namespace {
int comNumber(const QString& portName)
{
    static const QRegularExpression com(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = com.match(portName.trimmed());
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// Port name -> its value name in SERIALCOMM ("\Device\VCP0").
QList<QPair<int, QString>> registryPorts()
{
    QList<QPair<int, QString>> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t data[256];
        DWORD nameLen = 256, dataBytes = sizeof data, type = 0;
        const LONG r = RegEnumValueW(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        if (r != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const QString port = QString::fromWCharArray(data, int(dataBytes / sizeof(wchar_t))).remove(QChar(0));
        if (const int n = comNumber(port))
            ports.append({n, QString::fromWCharArray(name, int(nameLen))});
    }
    RegCloseKey(key);
    return ports;
}

QString deviceProperty(HDEVINFO set, SP_DEVINFO_DATA* dev, DWORD property)
{
    wchar_t buf[512] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, dev, property, &type, reinterpret_cast<BYTE*>(buf), sizeof buf - 2, nullptr))
        return QString();
    return QString::fromWCharArray(buf);
}

// What the system says of each present port device, by COM number.
QList<SerialAdapter> describedPorts()
{
    QList<SerialAdapter> list;
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return list;
    SP_DEVINFO_DATA dev{};
    dev.cbSize = sizeof dev;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
        HKEY key = SetupDiOpenDevRegKey(set, &dev, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t port[64] = {};
        DWORD bytes = sizeof port - 2, type = 0;
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &bytes) == ERROR_SUCCESS;
        RegCloseKey(key);
        if (!named)
            continue;
        SerialAdapter a;
        a.systemNumber = comNumber(QString::fromWCharArray(port));
        if (!a.systemNumber)
            continue;
        a.device = QStringLiteral("COM%1").arg(a.systemNumber);
        // "USB Serial Port (COM5)": the name without the port it already gives.
        a.description = deviceProperty(set, &dev, SPDRP_FRIENDLYNAME)
                            .remove(QRegularExpression(QStringLiteral("\\s*\\(COM\\d+\\)$")));
        wchar_t id[512] = {};
        if (SetupDiGetDeviceInstanceIdW(set, &dev, id, 511, nullptr)) {
            // USB\VID_0403&PID_6001\A1B2C3
            static const QRegularExpression usb(QStringLiteral("^USB\\\\VID_([0-9A-F]{4})&PID_([0-9A-F]{4})\\\\([^\\\\&]+)$"),
                                                QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch m = usb.match(QString::fromWCharArray(id));
            if (m.hasMatch()) {
                a.vendorId = quint16(m.captured(1).toUInt(nullptr, 16));
                a.productId = quint16(m.captured(2).toUInt(nullptr, 16));
                a.serialNumber = m.captured(3);
            }
        }
        list << a;
    }
    SetupDiDestroyDeviceInfoList(set);
    return list;
}
} // namespace

QList<SerialAdapter> systemSerialAdapters()
{
    const QList<SerialAdapter> described = describedPorts();
    QList<SerialAdapter> list;
    for (const auto& [number, valueName] : registryPorts()) {
        SerialAdapter a;
        a.systemNumber = number;
        a.device = QStringLiteral("COM%1").arg(number);
        for (const SerialAdapter& d : described)
            if (d.systemNumber == number)
                a = d;
        if (a.description.isEmpty())
            a.description = QStringLiteral("port série %1").arg(valueName.section(QLatin1Char('\\'), -1));
        list << a;
    }
    return list;
}

PortDirectory systemPortDirectory(const UserPlaces& places)
{
    return PortDirectory(places, systemSerialAdapters, ComNumbering::System);
}

} // namespace kwf
