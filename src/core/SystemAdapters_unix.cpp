// The machine's USB serial adapters, from Qt's serial port list: kept apart from the numbering
// rules, which need Qt Core only.
#include "core/ComPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace kwf {

QList<SerialAdapter> systemSerialAdapters()
{
    QList<SerialAdapter> list;
    // /dev/serial/by-id names each USB serial interface by maker, product and serial number,
    // the same whatever ttyUSBn the adapter gets this time.
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    const QFileInfoList links = byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.hasVendorIdentifier())
            continue;   // not a USB adapter
        SerialAdapter a;
        a.device = info.systemLocation();
        a.vendorId = info.vendorIdentifier();
        a.productId = info.productIdentifier();
        a.serialNumber = info.serialNumber();
        a.description = info.description();
        for (const QFileInfo& l : links)
            if (l.canonicalFilePath() == a.device)
                a.byIdName = l.fileName();
        list << a;
    }
    return list;
}

PortDirectory systemPortDirectory(const UserPlaces& places)
{
    return PortDirectory(places, systemSerialAdapters, ComNumbering::Program);
}

} // namespace kwf
