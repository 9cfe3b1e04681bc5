#pragma once
#include "core/SerialPort.h"
#include "core/Tqvbase.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

namespace kwf {

class Clock;
class PortDirectory;
class SerialPort;

// Ports the detection tries, COM1 to COM14.
constexpr int kDetectFirstPort = 1;
constexpr int kDetectLastPort = 14;

// Register-read frame for register 0 with two preamble bytes and an end run of three:
// 02 02 31 20 20 20 20 20 20 03 03 03.
QByteArray clockProbeFrame();

// Probes the open port for a panel: empties the receive buffer, drops DTR, writes the probe frame
// three times back to back, waits 0.9 s and counts the bytes waiting (a panel answers each frame
// with one byte; the bytes are not read). Acknowledged when at least one byte came back; otherwise
// failed(bytes waiting), or failed(-1) at once when a frame could not be written.
CmdResult TEST_HORLOGE(SerialPort& port, Clock& clock);

// What the scan found on one port.
enum class PortFinding {
    Testing,   // under test, before the port is opened
    Probing,   // opened, the probe is running
    Absent,    // could not be opened, or failed while probed
    Free,      // opened, no panel answered
    Panel,     // opened and a panel answered
};

struct PortProbe {
    int port = 0;               // 1..14
    QString device;             // what was opened
    PortFinding finding = PortFinding::Absent;
};

// How a row of the result table reads: caption and background (green or white) of the port name,
// port state and panel labels.
struct DetectRowLook {
    QString name, state, panel;
    bool nameGreen = false, stateGreen = false, panelGreen = false;
};
// After the table is reset: "COMn:", blank, blank, all white.
DetectRowLook detectRowReset(int port);
DetectRowLook detectRowLook(int port, PortFinding finding);

struct DetectHooks {
    std::function<void(int port)> testing;             // before the port is opened
    std::function<void(int port)> opened;              // opened, before the probe
    std::function<void(const PortProbe&)> done;        // once the port's outcome is known
};

// The detection scan: closes the port if it is open (the link is dropped), then for COM1 to COM14
// in order closes it again, opens the port's device (from the port directory) at "9600,N,8,1" and, when it
// opened, runs TEST_HORLOGE. A port that does not open costs no waiting. The port is left as the
// last port left it. The validated flag is the caller's.
std::vector<PortProbe> scanPorts(SerialPort& port, Clock& clock, const PortDirectory& ports,
                                 const DetectHooks& hooks = {});
// The same with COMn found only through dosdevices links in programDir, else /dev/ttyS<n-1>.
std::vector<PortProbe> scanPorts(SerialPort& port, Clock& clock, const QString& programDir,
                                 const DetectHooks& hooks = {});

// The scan as the program runs it: it holds the line from start to end, so that no device command
// starts meanwhile, and tells the transport's observers which port it is on ("COM5"). Refused,
// with an empty result and nothing touched, while another exchange holds the line.
std::vector<PortProbe> scanPorts(Tqvbase& t, const PortDirectory& ports, const DetectHooks& hooks = {});

} // namespace kwf
