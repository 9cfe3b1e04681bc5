#include "core/DetectOps.h"
#include "core/Clock.h"
#include "core/ComPorts.h"
#include "core/Frames.h"
#include "core/SerialPort.h"

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
    return scanPorts(port, clock, PortDirectory(choosePlaces(programDir, true, QString()), {}), hooks);
}

std::vector<PortProbe> scanPorts(SerialPort& port, Clock& clock, const PortDirectory& ports,
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
        probe.device = ports.resolve(n).device;
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

std::vector<PortProbe> scanPorts(Tqvbase& t, const PortDirectory& ports, const DetectHooks& hooks)
{
    if (t.busy())
        return {};
    Tqvbase::Operation op(t, QStringLiteral("DETECTION"));
    Tqvbase::Hold hold(t);
    DetectHooks told = hooks;
    told.testing = [&](int n) {
        t.reportProgress(QStringLiteral("COM%1").arg(n));
        if (hooks.testing)
            hooks.testing(n);
    };
    return scanPorts(t.port(), t.clock(), ports, told);
}

} // namespace kwf
