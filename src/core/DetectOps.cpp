#include "core/DetectOps.h"
#include "core/Clock.h"
#include "core/Frames.h"
#include "core/SerialPort.h"

#include <QFileInfo>

namespace kwf {

QByteArray clockProbeFrame()
{
    return registerReadFrame(0, 2, 3);
}

CmdResult TEST_HORLOGE(SerialPort& port, Clock& clock)
{
    if (!port.isOpen())
        return CmdResult::failed(-1);
    port.clearInput();
    port.setDtr(false);   // fails harmlessly on lines without modem control
    const QByteArray frame = clockProbeFrame();
    for (int i = 0; i < 3; ++i) {
        if (!port.write(frame))
            return CmdResult::failed(-1);
    }
    clock.waitUntil(clock.monotonicMs() + 900, port.isOpen() ? &port : nullptr);
    const int n = port.isOpen() ? port.bytesWaiting() : 0;
    return n >= 1 ? CmdResult::acknowledged() : CmdResult::failed(n);
}

DetectRowLook detectRowReset(int port)
{
    DetectRowLook look;
    look.name = QStringLiteral("COM%1:").arg(port);
    return look;
}

DetectRowLook detectRowLook(int port, PortFinding finding)
{
    DetectRowLook look = detectRowReset(port);
    switch (finding) {
    case PortFinding::Testing:
        look.state = QStringLiteral("Absent.");
        look.nameGreen = true;
        break;
    case PortFinding::Probing:
        look.state = QStringLiteral("Libre.");
        look.stateGreen = true;
        look.nameGreen = true;
        break;
    case PortFinding::Absent:
        look.state = QStringLiteral("Absent.");
        look.panel = QStringLiteral(".");
        break;
    case PortFinding::Free:
        look.state = QStringLiteral("Libre.");
        look.stateGreen = true;
        look.panel = QStringLiteral(".");
        break;
    case PortFinding::Panel:
        look.state = QStringLiteral("Libre.");
        look.stateGreen = true;
        look.panel = QStringLiteral("Horloge.");
        look.panelGreen = true;
        look.nameGreen = true;
        break;
    }
    return look;
}

std::vector<PortProbe> scanPorts(SerialPort& port, Clock& clock, const QString& programDir,
                                 const DetectHooks& hooks)
{
    if (port.isOpen())
        port.close();
    const auto settings = LineSettings::parse(QString::fromLatin1(kScanLineSettings));
    std::vector<PortProbe> found;
    for (int n = kDetectFirstPort; n <= kDetectLastPort; ++n) {
        if (hooks.testing)
            hooks.testing(n);
        if (port.isOpen())
            port.close();
        PortProbe probe;
        probe.port = n;
        probe.device = portDeviceName(n, programDir);
        if (settings && port.open(probe.device, *settings)) {
            if (hooks.opened)
                hooks.opened(n);
            const CmdResult r = TEST_HORLOGE(port, clock);
            if (r.ok)
                probe.finding = PortFinding::Panel;
            else if (r.count >= 0)
                probe.finding = PortFinding::Free;
            // A port that failed while probed counts as absent, like one that would not open.
        }
        found.push_back(probe);
        if (hooks.done)
            hooks.done(probe);
    }
    return found;
}

QString portToolTip(int portNumber, const QString& programDir, const std::vector<SerialAdapter>& known)
{
    const QString device = portDeviceName(portNumber, programDir);
    const QFileInfo fi(device);
    QString target = fi.canonicalFilePath();
    QStringList lines;
    if (fi.isSymLink()) {
        const QString shown = target.isEmpty() ? fi.symLinkTarget() : target;
        lines << QStringLiteral("%1 → %2").arg(device, shown);
        if (target.isEmpty())
            lines << QStringLiteral("(périphérique absent)");
    } else {
        lines << device;
    }
    for (const SerialAdapter& info : known) {
        const bool same = (!target.isEmpty() && info.systemLocation == target)
            || info.portName == device || info.systemLocation == device;
        if (!same)
            continue;
        if (!info.description.isEmpty())
            lines << info.description;
        if (!info.manufacturer.isEmpty())
            lines << QStringLiteral("Fabricant : %1").arg(info.manufacturer);
        if (!info.serialNumber.isEmpty())
            lines << QStringLiteral("N° de série : %1").arg(info.serialNumber);
        break;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace kwf
